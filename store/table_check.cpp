#include "store/table_check.h"

#include <algorithm>
#include <array>
#include <string>

#include "base/text_fields.h"
#include "base/windows1252.h"
#include "store/code_table.h"
#include "store/text_file.h"

namespace velmaro {
namespace {

std::string Quoted(std::string_view raw) { return "\"" + DecodeWindows1252(raw) + "\""; }

TableCodes CheckTable(std::string_view fileName, std::string_view content,
                      const CodeTableLayout& layout, CheckReport& report) {
    TableCodes codes;
    const std::vector<std::string_view> lines = SplitLineViews(content);
    if (lines.empty()) {
        report.Add(ProblemKind::kMalformedTableLine,
                   {std::string(fileName), 0, 0, "the table has no lines"});
    }
    const std::size_t codeEnd = layout.codePosition + layout.codeLength - 1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const auto lineNumber = static_cast<std::int64_t>(i + 1);
        // A line needs its code and at least one character of name.
        if (line.size() < layout.namePosition) {
            report.Note(ProblemKind::kMalformedTableLine, [&] {
                return Finding{std::string(fileName), lineNumber, 0,
                               std::to_string(line.size()) + " characters: " + Quoted(line)};
            });
        }
        if (line.size() < codeEnd) continue;
        const std::string_view code = Mid(line, layout.codePosition, layout.codeLength);
        // Not a structured binding: clang 14, which builds the fuzzers, cannot capture one.
        const auto inserted = codes.try_emplace(code, lineNumber);
        if (!inserted.second) {
            const std::int64_t firstLine = inserted.first->second;
            report.Note(ProblemKind::kRepeatedTableCode, [&] {
                return Finding{std::string(fileName), firstLine, lineNumber,
                               "code " + Quoted(code)};
            });
        }
        if (layout.hasGroups && !IsNamedGroupCode(Left(line, 2))) {
            report.Note(ProblemKind::kUnknownGroupCode, [&] {
                return Finding{std::string(fileName), lineNumber, 0,
                               "group " + Quoted(Left(line, 2)) + " of exam " + Quoted(code)};
            });
        }
    }
    return codes;
}

}  // namespace

bool IsNamedGroupCode(std::string_view group) {
    static constexpr std::array<std::string_view, 18> kNamed = {"00", "A1", "F1", "E1", "G1", "A2",
                                                                "F2", "E2", "MR", "CH", "EB", "MS",
                                                                "IT", "MM", "E3", "SM", "CF", "LL"};
    if (!group.empty() && group.front() == 'L') return true;
    return std::find(kNamed.begin(), kNamed.end(), group) != kNamed.end();
}

TableCodes CheckExamTable(std::string_view content, CheckReport& report) {
    return CheckTable("esami.grp", content, kExamTableLayout, report);
}

TableCodes CheckTitleTable(std::string_view content, CheckReport& report) {
    return CheckTable("titoli.grp", content, kTitleTableLayout, report);
}

}  // namespace velmaro
