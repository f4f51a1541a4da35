// Which data folder is used, and how an error says where the program looked.

#include "store/data_dir_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmaro {
namespace {

TEST(ChooseDataDir, OptionThenEnvironmentThenSettingsThenExecutableFolder) {
    struct Case {
        DataDirSources sources;
        std::string dataDir;
        DataDirOrigin origin;
    };
    const std::string exe = "/opt/velmaro/bin";
    const std::vector<Case> cases{
        {{"/o", "/e", "/s", exe, {}}, "/o/", DataDirOrigin::kOption},
        {{{}, "/e", "/s", exe, {}}, "/e/", DataDirOrigin::kEnvironment},
        {{{}, {}, "/s", exe, {}}, "/s/", DataDirOrigin::kSettings},
        {{{}, {}, {}, exe, {}}, "/opt/velmaro/bin/", DataDirOrigin::kExecutableFolder},
        // An empty value names no folder: the next place is asked.
        {{"", "", "/s", exe, {}}, "/s/", DataDirOrigin::kSettings},
        {{{}, "", "", exe, {}}, "/opt/velmaro/bin/", DataDirOrigin::kExecutableFolder},
        // A folder is used as written, relative or with its own trailing "/".
        {{"data", {}, {}, exe, {}}, "data/", DataDirOrigin::kOption},
        {{{}, "/e/", {}, exe, {}}, "/e//", DataDirOrigin::kEnvironment},
    };
    for (const Case& c : cases) {
        const Result<DataDirChoice> choice = ChooseDataDir(c.sources);
        ASSERT_TRUE(choice.ok()) << c.dataDir;
        EXPECT_EQ(choice->dataDir, c.dataDir);
        EXPECT_EQ(choice->origin, c.origin) << c.dataDir;
    }
    // A settings file that cannot say which folder it names stops the choice where it is
    // asked, and only there: the executable's folder is not used in its place.
    const Error unreadable{"/home/u/.config/Velmaro/velmaro.conf", "cannot be read"};
    const DataDirSources settingsUnreadable{{}, "", "/s", exe, unreadable};
    ASSERT_FALSE(ChooseDataDir(settingsUnreadable).ok());
    EXPECT_EQ(ChooseDataDir(settingsUnreadable).error().Message(), unreadable.Message());
    const DataDirSources environmentFirst{{}, "/e", {}, exe, unreadable};
    EXPECT_EQ(ChooseDataDir(environmentFirst)->dataDir, "/e/");
}

TEST(WithDataDirOrigin, NamesTheFileTheFolderAndWhatChoseIt) {
    const Error missing{"/d/titoli.grp", "No such file or directory"};
    const std::vector<std::pair<DataDirOrigin, std::string>> cases{
        {DataDirOrigin::kOption, "--data-dir"},
        {DataDirOrigin::kEnvironment, "VELMARO_DATA_DIR"},
        {DataDirOrigin::kSettings, "DataDir in the settings file"},
        {DataDirOrigin::kChosenInWindow, "chosen in the window"},
        {DataDirOrigin::kExecutableFolder, "the executable's folder"},
    };
    for (const auto& [origin, how] : cases) {
        const std::string message = WithDataDirOrigin(missing, {"/d/", origin}).Message();
        EXPECT_EQ(message.rfind("/d/titoli.grp: No such file or directory (data folder /d/, ", 0),
                  0u)
            << message;
        EXPECT_NE(message.find(how), std::string::npos) << message;
    }
    // Only the folder nobody chose explains how to choose one.
    EXPECT_NE(WithDataDirOrigin(missing, {"/d/", DataDirOrigin::kExecutableFolder})
                  .Message()
                  .find("VELMARO_DATA_DIR"),
              std::string::npos);
}

}  // namespace
}  // namespace velmaro
