// A settings file edited for one key keeps every other line as its writer wrote it.

#include "app/settings_text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace velmaro {
namespace {

TEST(SettingsText, OneKeyOfTheGeneralSectionChangesAndEveryOtherLineStays) {
    const std::string line = "DataDir=/srv/nuova";
    for (const auto& [before, after] : {
             // Replaced where it stands, comments, spacing and other sections kept.
             std::tuple{"; della segreteria\n[General]\nOther = 1\nDataDir = /srv/old\n\n"
                        "[Window]\n; size\nWidth=3\n",
                        "; della segreteria\n[General]\nOther = 1\nDataDir=/srv/nuova\n\n"
                        "[Window]\n; size\nWidth=3\n"},
             // Before any header is the general section too; any case of "General" is it.
             {"DataDir=/top\n[x]\nDataDir=/in-x\n", "DataDir=/srv/nuova\n[x]\nDataDir=/in-x\n"},
             {"[x]\nDataDir=/in-x\n[gEnErAl]\nDataDir=/g\n",
              "[x]\nDataDir=/in-x\n[gEnErAl]\nDataDir=/srv/nuova\n"},
             // A value continued after a backslash or within quotes goes with its line; a later
             // line of the key goes too, a trailing comment with its line.
             {"DataDir=/a\\\n/b\nX=1\n", "DataDir=/srv/nuova\nX=1\n"},
             {"DataDir=\"/a\n/b\"\nX=1\n", "DataDir=/srv/nuova\nX=1\n"},
             {"DataDir=/a ; old\nDataDir=/b\nX=1\n", "DataDir=/srv/nuova\nX=1\n"},
             // Commented out, or only a longer key: not the key.
             {"; DataDir=/old\nDataDirs=1\n", "; DataDir=/old\nDataDirs=1\nDataDir=/srv/nuova\n"},
             // Without the key: after the first [General], else before the first header, else
             // at the end, after a line end the last line lacked.
             {"; c\n[Window]\nW=3\n[General]\nX=1\n",
              "; c\nDataDir=/srv/nuova\n[Window]\nW=3\n"
              "[General]\nX=1\n"},
             {"; c\n[General]\nX=1\n[Window]\nW=3\n",
              "; c\n[General]\nDataDir=/srv/nuova\nX=1\n"
              "[Window]\nW=3\n"},
             {"; c\nX=1", "; c\nX=1\nDataDir=/srv/nuova\n"},
             {"[General]", "[General]\nDataDir=/srv/nuova\n"},
             // Windows line ends stay Windows line ends.
             {"; c\r\nDataDir=/a\r\nX=1\r\n", "; c\r\nDataDir=/srv/nuova\r\nX=1\r\n"},
         }) {
        SCOPED_TRACE(before);
        EXPECT_EQ(WithGeneralKeyLine(before, "DataDir", line), after);
    }
}

}  // namespace
}  // namespace velmaro
