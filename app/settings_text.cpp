#include "app/settings_text.h"

#include <optional>
#include <vector>

namespace velmaro {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool IsGeneral(std::string_view section) {
    constexpr std::string_view kGeneral = "general";
    if (section.size() != kGeneral.size()) return false;
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char lower =
            section[i] >= 'A' && section[i] <= 'Z' ? char(section[i] - 'A' + 'a') : section[i];
        if (lower != kGeneral[i]) return false;
    }
    return true;
}

// One setting line as Qt reads it, which may run over several lines of the file.
struct SettingLine {
    std::size_t begin = 0;                    // where its first line starts
    std::size_t end = 0;                      // past the line end of its last line
    std::optional<std::string_view> section;  // the name of a section header
    std::optional<std::string_view> key;      // the key of a "key=value" line
};

// The setting line that starts at begin: it ends at a line end outside double quotes that no
// backslash escapes; a ";" outside quotes ends what Qt reads of it, and the rest of that line is
// a comment.
SettingLine ReadSettingLine(std::string_view text, std::size_t begin) {
    SettingLine line{begin, text.size(), std::nullopt, std::nullopt};
    std::size_t read = text.size();  // where what Qt reads of the line ends
    std::optional<std::size_t> equals;
    bool inQuotes = false;
    for (std::size_t i = begin; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            ++i;  // the escaped character, a line end included, belongs to the line
            if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == '=' && !inQuotes && !equals) {
            equals = i;
        } else if ((c == ';' && !inQuotes) || ((c == '\n' || c == '\r') && !inQuotes)) {
            read = i;
            break;
        }
    }
    const std::size_t lineEnd = text.find('\n', read);
    line.end = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
    const std::string_view content = Trimmed(text.substr(begin, read - begin));
    if (!content.empty() && content.front() == '[') {
        const std::size_t close = content.find(']');
        line.section =
            content.substr(1, (close == std::string_view::npos ? content.size() : close) - 1);
    } else if (equals && *equals < read) {
        line.key = Trimmed(text.substr(begin, *equals - begin));
    }
    return line;
}

}  // namespace

std::string WithGeneralKeyLine(std::string_view text, std::string_view key,
                               std::string_view keyLine) {
    const std::size_t firstEnd = text.find('\n');
    const std::string lineEnd =
        firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r' ? "\r\n"
                                                                                         : "\n";
    std::vector<SettingLine> lines;
    for (std::size_t at = 0; at < text.size(); at = lines.back().end)
        lines.push_back(ReadSettingLine(text, at));

    std::optional<std::size_t> replaced;  // the line of the key, which keyLine replaces
    std::optional<std::size_t> insertAt;  // where keyLine goes without one
    std::vector<bool> dropped(lines.size(), false);
    bool inGeneral = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].section) {
            if (!insertAt) insertAt = IsGeneral(*lines[i].section) ? lines[i].end : lines[i].begin;
            inGeneral = IsGeneral(*lines[i].section);
        } else if (inGeneral && lines[i].key == key) {
            if (replaced)
                dropped[i] = true;
            else
                replaced = i;
        }
    }

    std::string edited;
    edited.reserve(text.size() + keyLine.size() + lineEnd.size());
    const auto addKeyLine = [&] { edited.append(keyLine).append(lineEnd); };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!replaced && insertAt == lines[i].begin) addKeyLine();
        if (replaced == i) {
            addKeyLine();
        } else if (!dropped[i]) {
            edited.append(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
        }
    }
    if (!replaced && (!insertAt || *insertAt == text.size())) {
        // A last line without a line end is given one before the key's.
        if (!edited.empty() && edited.back() != '\n') edited.append(lineEnd);
        addKeyLine();
    }
    return edited;
}

}  // namespace velmaro
