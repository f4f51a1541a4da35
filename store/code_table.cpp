#include "store/code_table.h"

#include <algorithm>

#include "base/numeric_value.h"
#include "base/text_fields.h"
#include "base/windows1252.h"
#include "store/data_file_names.h"
#include "store/data_source.h"
#include "store/text_file.h"

namespace velmaro {
namespace {

// Element index of entry in an array of size elements, or size when outside 1 ... size - 1.
std::size_t ElementIndex(double entry, std::size_t size) {
    const double rounded = RoundHalfEven(entry);
    if (!(rounded >= 1) || rounded >= static_cast<double>(size)) return size;
    return static_cast<std::size_t>(rounded);
}

Result<CodeTable> LoadTable(const DataSource& source, const std::string& name,
                            const CodeTableLayout& layout) {
    VELMARO_TRY(const std::string content, ReadTableText(source, name));
    return BuildCodeTable(SplitLines(content), layout);
}

}  // namespace

Result<std::string> ReadTableText(const DataSource& source, const std::string& name) {
    VELMARO_TRY(std::string content, source.ReadText(name, kLargestTable));
    if (const std::optional<std::string> why = WhyNotATable(content))
        return Error{source.PathOf(name), *why};
    return content;
}

double CodeTable::EntryOf(std::string_view code) const {
    std::string key = "*";
    key += code;
    // Any match begins at a "*"; a key of a whole code with no other "*" is then one of the
    // runs indexed, and the first of them is the first match. Other keys search the index.
    std::size_t found = std::string::npos;
    if (key.size() == entryWidth && code.find('*') == std::string_view::npos &&
        !firstRunAt.empty()) {
        const auto run = firstRunAt.find(key);
        if (run != firstRunAt.end()) found = run->second;
    } else {
        found = codes.find(key);
    }
    const double position = found == std::string::npos ? 0.0 : static_cast<double>(found + 1);
    return (position - 1) / static_cast<double>(entryWidth) + 1;
}

std::string_view CodeTable::NameAt(double entry) const {
    const std::size_t index = ElementIndex(entry, names.size());
    return index < names.size() ? std::string_view(names[index]) : std::string_view{};
}

std::string_view CodeTable::GroupAt(double entry) const {
    const std::size_t index = ElementIndex(entry, groups.size());
    return index < groups.size() ? std::string_view(groups[index]) : std::string_view{};
}

std::optional<std::string> WhyNotATable(std::string_view content) {
    if (content.size() > kLargestTable) {
        return "holds more than 64 MiB, as no table does (a real one holds a few thousand lines): "
               "not a table of codes and names, one per line";
    }
    if (CountLines(content) > kMostTableLines) {
        return "holds more than 1,000,000 lines, as no table does (a real one holds a few "
               "thousand): not a table of codes and names, one per line";
    }
    return std::nullopt;
}

CodeTable BuildCodeTable(const std::vector<std::string>& lines, const CodeTableLayout& layout) {
    CodeTable table;
    table.entryWidth = layout.codeLength + 1;
    const auto endMark = [](const std::string& line) { return line == kEndOfFileMark; };
    table.noLines = std::all_of(lines.begin(), lines.end(), endMark);
    table.onlyBlankLines =
        !table.noLines && std::all_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return endMark(line) || line.find_first_not_of(" \t") == std::string::npos;
        });

    // Pass 1: the code index, one entry per line (shorter for a short line).
    for (const std::string& line : lines) {
        table.codes += '*';
        table.codes += Mid(line, layout.codePosition, layout.codeLength);
    }
    table.count = static_cast<double>(table.codes.size()) / static_cast<double>(table.entryWidth);
    for (std::size_t at = table.codes.find('*');
         at != std::string::npos && at + table.entryWidth <= table.codes.size();
         at = table.codes.find('*', at + 1)) {
        table.firstRunAt.try_emplace(table.codes.substr(at, table.entryWidth), at);
    }

    // Pass 2: as many entries as the count allows; a short last line leaves the top element
    // empty.
    const auto size = static_cast<std::size_t>(RoundHalfEven(table.count)) + 1;
    table.names.assign(size, std::string{});
    if (layout.hasGroups) table.groups.assign(size, std::string{});
    for (std::size_t k = 1; static_cast<double>(k) <= table.count && k <= lines.size(); ++k) {
        const std::string& line = lines[k - 1];
        table.names[k] = DecodeWindows1252(TrimBlanks(MidToEnd(line, layout.namePosition)));
        if (layout.hasGroups) table.groups[k] = std::string(Left(line, 2));
    }
    return table;
}

Result<CodeTable> LoadTitleGroups(const DataSource& source) {
    return LoadTable(source, std::string(kTitleTableName), kTitleTableLayout);
}

Result<CodeTable> LoadExamTable(const DataSource& source) {
    return LoadTable(source, std::string(kExamTableName), kExamTableLayout);
}

}  // namespace velmaro
