#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/result.h"

namespace velmaro {

class DataSource;

// Where a table line keeps its code and its name (1-based positions).
struct CodeTableLayout {
    std::size_t codePosition;  // first character of the code
    std::size_t codeLength;    // characters of the code
    std::size_t namePosition;  // the name runs from here to the end of the line
    bool hasGroups;            // the line begins with a 2-character group code
};

// The exam table of esami.grp: group code, separator, 4-character exam code, name.
inline constexpr CodeTableLayout kExamTableLayout{4, 4, 8, true};
// The diploma title table of titoli.grp: one unused character, separator, 2-character
// diploma code, separator, title.
inline constexpr CodeTableLayout kTitleTableLayout{3, 2, 6, false};

// What DOS programs wrote after the last line of a text file (Ctrl+Z): no entry of a table,
// though the card's index takes it for a line, one that moves no other.
inline constexpr std::string_view kEndOfFileMark = "\x1a";

// A code table as loaded from its text file: the code index ("*" and the fixed-width code
// of every line, in file order) and the names (and group codes) indexed from 1.
struct CodeTable {
    std::size_t entryWidth = 1;       // "*" plus the code length
    std::string codes;                // the code index, raw bytes
    double count = 0;                 // codes' length / entryWidth; whole for a sound file
    std::vector<std::string> names;   // UTF-8, blanks trimmed; element 0 stays empty
    std::vector<std::string> groups;  // raw 2-character group codes; element 0 empty
    // No line but the end-of-file mark, if any: a table that shows no names.
    bool noLines = false;
    // Some lines, each of nothing but blanks (spaces, tabs) or the end-of-file mark: an
    // editor's save gone wrong, which shows no names, as a file of no lines does.
    bool onlyBlankLines = false;
    // Where each run of entryWidth characters that begins with "*" first stands in codes: a
    // lookup of a whole code finds it here at once instead of searching the index.
    std::unordered_map<std::string, std::size_t> firstRunAt;

    // The entry number of code: (p - 1) / width + 1 with p the 1-based position of "*" and
    // code in the index, 0 when absent (so an absent code gives a value that rounds to 1).
    // Also where lines short of a whole code shift the entries after them.
    double EntryOf(std::string_view code) const;

    // The name, or group code, of entry rounded half to even; empty outside the table.
    std::string_view NameAt(double entry) const;
    std::string_view GroupAt(double entry) const;
};

// The most a table file may hold. Real tables hold a few thousand lines, some hundreds of KB,
// while each byte of a table costs some fifty of memory once split into lines, codes and names:
// a file far beyond these bounds (a log, a disk image, a table an editor filled with empty lines)
// is no table and would take gigabytes and many seconds to load. The bounds are those of a
// --from list, hundreds of times a real table's, and keep a table's memory within a few hundred MB.
inline constexpr std::size_t kLargestTable = std::size_t{64} << 20;
inline constexpr std::size_t kMostTableLines = 1'000'000;

// Why content, a table file's, is no table: more than kLargestTable bytes or kMostTableLines
// lines. Nothing for one within them.
std::optional<std::string> WhyNotATable(std::string_view content);

// The text of the table file name of source, read no further than tells it is no table: an
// error names the file when it cannot be read or is no table (WhyNotATable).
Result<std::string> ReadTableText(const DataSource& source, const std::string& name);

// Builds a table from the lines of its file in two passes: the first makes the code index
// from every line, the second fills as many entries as the index's count allows.
CodeTable BuildCodeTable(const std::vector<std::string>& lines, const CodeTableLayout& layout);

class DataSource;

// Reads and builds the title table from the source's "titoli.grp".
Result<CodeTable> LoadTitleGroups(const DataSource& source);

// Reads and builds the exam table from the source's "esami.grp".
Result<CodeTable> LoadExamTable(const DataSource& source);

}  // namespace velmaro
