#pragma once

#include <string>
#include <string_view>

namespace velmaro {

// The text of a settings file in Qt's INI format with one key of its general section set to
// keyLine, a whole line "key=value" as Qt writes it (without its line end), and every other
// line kept as it stands: comments, blank lines, other keys and sections, their order and
// spacing. The general section is what comes before any section header, and every section
// headed "[General]" (in any case).
//
// The key's first line in the general section is replaced, together with the lines that
// continue it (after a backslash at the end of a line, or within double quotes); later lines
// of the same key there are removed. Without such a line, keyLine goes before the first
// section header, or right after it when it is a "[General]" header, or at the end when there
// is none. The new line ends as the text's first line does ("\r\n" or "\n").
std::string WithGeneralKeyLine(std::string_view text, std::string_view key,
                               std::string_view keyLine);

}  // namespace velmaro
