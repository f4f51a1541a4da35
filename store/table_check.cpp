#include "store/table_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>

#include "base/text_fields.h"
#include "base/utf8_sequence.h"
#include "base/windows1252.h"
#include "store/career_records.h"
#include "store/check_support.h"
#include "store/code_table.h"
#include "store/data_file_names.h"
#include "store/exam_groups.h"
#include "store/text_file.h"

namespace velmaro {
namespace {

using data_check::CharacterCount;
using data_check::Quoted;

// Whether the letters above ASCII of text are all UTF-8 (and there are some) for characters
// Windows-1252 has: Windows-1252 text an editor saved as UTF-8. Windows-1252's own letters
// seldom line up so ("PIÙ" and a no-break space make U+0660, no such character); "Ã©" does,
// and is taken for the "é" it most likely was.
bool ReadsAsUtf8(std::string_view text) {
    bool any = false;
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        std::uint32_t codePoint = 0;
        const std::size_t length = Utf8Sequence(text.substr(i), codePoint);
        if (length == 0 || !IsWindows1252Character(codePoint)) return false;
        any = true;
        i += length;
    }
    return any;
}

// What an editor that saved the table may have put into the text the card shows, the code and
// the name of line lineIndex (0 for the first line; the separators around the code are not
// shown): a UTF-8 or UTF-16 byte-order mark, a control character (a tab, NUL) or a byte
// Windows-1252 leaves undefined, which the card draws as a replacement mark, or UTF-8 text, whose
// accented letters the card shows as two characters each; nothing when the text is sound.
std::optional<std::string> TextFlaw(std::string_view line, std::size_t lineIndex,
                                    const CodeTableLayout& layout) {
    if (lineIndex == 0 && line.starts_with("\xEF\xBB\xBF")) {
        return "starts with a UTF-8 byte-order mark (the tables are Windows-1252)";
    }
    // Notepad's "Unicode": two bytes a character, every line's count and code moved.
    if (lineIndex == 0 && (line.starts_with("\xFF\xFE") || line.starts_with("\xFE\xFF"))) {
        return "starts with a UTF-16 byte-order mark: the table was saved as UTF-16, where the "
               "tables are Windows-1252";
    }
    const std::string_view name =
        line.size() >= layout.namePosition ? line.substr(layout.namePosition - 1) : "";
    if (ReadsAsUtf8(name)) return "UTF-8 text, where the tables are Windows-1252";
    // The byte and where it stands, as the finding says them.
    const auto described = [](const char* what, unsigned char byte, const char* after,
                              std::size_t position) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", byte);
        return std::string(what) + (byte == '\t' ? "a tab" : hex) + after + " at character " +
               std::to_string(position);
    };
    for (const auto& [from, length] : {std::pair{layout.codePosition, layout.codeLength},
                                       std::pair{layout.namePosition, std::string_view::npos}}) {
        if (from > line.size()) continue;
        const std::string_view part = line.substr(from - 1, length);
        for (std::size_t i = 0; i < part.size(); ++i) {
            const auto byte = static_cast<unsigned char>(part[i]);
            if (byte == '\t') return described("holds ", byte, "", from + i);
            if (byte < 0x20 || byte == 0x7F)
                return described("holds character ", byte, "", from + i);
            if (IsUndefinedInWindows1252(byte)) {
                return described("holds byte ", byte, ", which Windows-1252 leaves undefined,",
                                 from + i);
            }
        }
    }
    return std::nullopt;
}

// Whether byte is a letter or a digit in Windows-1252: ASCII's, and the accented letters and
// ligatures of the upper half (not the signs among them, the multiplication and division).
bool IsWindows1252LetterOrDigit(unsigned char byte) {
    if (byte < 0x80) return std::isalnum(byte) != 0;
    constexpr std::string_view kUpperHalfLetters = "\x8A\x8C\x8E\x9A\x9C\x9E\x9F\xAA\xB5\xBA";
    if (kUpperHalfLetters.find(static_cast<char>(byte)) != std::string_view::npos) return true;
    return byte >= 0xC0 && byte != 0xD7 && byte != 0xF7;
}

// Whether the exam table's line names a module: its name holds the module marker, and its
// group gives a class other than 0 (a class-0 exam shows its code, not its name).
bool NamesModule(std::string_view line, const CodeTableLayout& layout) {
    return line.size() >= layout.namePosition &&
           line.substr(layout.namePosition - 1).find(kModuleMarker) != std::string_view::npos &&
           NamedGroupClass(Left(line, 2)) != 0;
}

static_assert(kExamTableLayout.codeLength <= TableCodes::kLongestCode &&
              kTitleTableLayout.codeLength <= TableCodes::kLongestCode);

// The codes of the table, checking its lines on the way; given moduleCodes, the codes whose
// first line names a module go there too.
TableCodes CheckTable(std::string_view fileName, std::string_view content,
                      const CodeTableLayout& layout, CheckReport& report,
                      TableCodes* moduleCodes = nullptr) {
    TableCodes codes;
    const std::vector<std::string_view> lines = SplitLineViews(content);
    // Empty lines, or lines of blanks, after the last entry move no entry and are no problem
    // (an editor's last line end doubled, or a last line's indentation left behind); nor does
    // the end-of-file mark (Ctrl+Z) that DOS programs put after a text file's last line.
    const std::size_t codeEnd = layout.codePosition + layout.codeLength - 1;
    std::size_t entries = lines.size();
    while (entries > 0 &&
           (TrimBlanks(lines[entries - 1]).empty() || lines[entries - 1] == kEndOfFileMark))
        --entries;
    if (entries == 0) {
        // Said as the cards' warning says it: a table of blank lines is no empty file, and the
        // end-of-file mark alone makes no line.
        const bool noLines = std::all_of(lines.begin(), lines.end(), [](std::string_view line) {
            return line == kEndOfFileMark;
        });
        report.Add(ProblemKind::kMalformedTableLine,
                   {std::string(fileName), 0, 0,
                    noLines ? "the table has no lines" : "the table holds only blank lines"});
    }
    for (std::size_t i = 0; i < entries; ++i) {
        const std::string_view line = lines[i];
        const auto lineNumber = static_cast<std::int64_t>(i + 1);
        // A line needs its code and a name: blanks alone name nothing.
        if (line.size() < layout.namePosition ||
            TrimBlanks(line.substr(layout.namePosition - 1)).empty()) {
            report.Note(ProblemKind::kMalformedTableLine, [&] {
                return Finding{std::string(fileName), lineNumber, 0,
                               CharacterCount(line.size()) + ": " + Quoted(line)};
            });
        }
        // A letter or digit where a separator stands before the name is most likely the
        // name's first character, come a place early because the separator was lost (the card
        // shows the name without it: "agioniere"), or a code a character too long.
        const std::size_t separator = layout.namePosition - 1;
        if (separator > codeEnd && line.size() >= separator &&
            IsWindows1252LetterOrDigit(static_cast<unsigned char>(line[separator - 1]))) {
            report.Note(ProblemKind::kMalformedTableLine, [&] {
                return Finding{std::string(fileName), lineNumber, 0,
                               "separator at character " + std::to_string(separator) + " holds " +
                                   Quoted(line.substr(separator - 1, 1)) +
                                   ", a letter or digit: the code runs into it, or the name "
                                   "begins there and loses it: " +
                                   Quoted(line)};
            });
        }
        if (const std::optional<std::string> flaw = TextFlaw(line, i, layout)) {
            report.Note(ProblemKind::kMalformedTableLine, [&] {
                return Finding{std::string(fileName), lineNumber, 0, *flaw + ": " + Quoted(line)};
            });
        }
        if (line.size() < codeEnd) continue;
        const std::string_view code = Mid(line, layout.codePosition, layout.codeLength);
        // The table is looked up in an index of "*" and each code: a code holding "*" can
        // be matched across two codes, and the card then shows another line's name.
        if (code.find('*') != std::string_view::npos) {
            report.Note(ProblemKind::kMalformedTableLine, [&] {
                return Finding{std::string(fileName), lineNumber, 0,
                               "code " + Quoted(code) + " holds \"*\""};
            });
        }
        if (const std::int64_t firstLine = codes.Insert(code, lineNumber);
            firstLine != lineNumber) {
            report.Note(ProblemKind::kRepeatedTableCode, [&] {
                return Finding{std::string(fileName), firstLine, lineNumber,
                               "code " + Quoted(code)};
            });
        } else if (moduleCodes != nullptr && NamesModule(line, layout)) {
            moduleCodes->Insert(code, lineNumber);
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

std::uint64_t TableCodes::KeyOf(std::string_view code) {
    std::uint64_t key = code.size() + 1;
    for (std::size_t i = 0; i < code.size() && i < kLongestCode; ++i)
        key |= static_cast<std::uint64_t>(static_cast<unsigned char>(code[i])) << (8 * (i + 1));
    return key;
}

std::size_t TableCodes::SlotOf(std::uint64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & mask;
    while (slots_[at].key != 0 && slots_[at].key != key)
        at = (at + 1) & mask;
    return at;
}

void TableCodes::Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old)
        if (slot.key != 0) slots_[SlotOf(slot.key)] = slot;
}

std::int64_t TableCodes::Insert(std::string_view code, std::int64_t line) {
    const std::uint64_t key = KeyOf(code);
    Slot& slot = slots_[SlotOf(key)];
    if (slot.key == key) return slot.line;
    slot = {key, line};
    // At most half full, so a probe soon meets an empty slot.
    if (++size_ * 2 > slots_.size()) Grow();
    return line;
}

bool TableCodes::contains(std::string_view code) const {
    if (code.size() > kLongestCode) return false;
    const std::uint64_t key = KeyOf(code);
    return slots_[SlotOf(key)].key == key;
}

bool IsNamedGroupCode(std::string_view group) { return NamedGroupClass(group).has_value(); }

ExamTableCodes CheckExamTable(std::string_view content, CheckReport& report) {
    ExamTableCodes codes;
    codes.codes = CheckTable(kExamTableName, content, kExamTableLayout, report, &codes.moduleCodes);
    return codes;
}

TableCodes CheckTitleTable(std::string_view content, CheckReport& report) {
    return CheckTable(kTitleTableName, content, kTitleTableLayout, report);
}

}  // namespace velmaro
