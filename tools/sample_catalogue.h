#pragma once

#include <span>
#include <string>
#include <string_view>

namespace velmaro::sample {

// How an exam is passed: with a mark from 18 to 30 (or 31, honours), or as a pass without a
// mark ("idoneo"), stored as a two-character text above "31".
enum class Marking { kGraded, kPassOnly };

// One line of the exam table esami.grp.
struct ExamEntry {
    std::string_view group;  // 2-character group code; decides the class shown on the card
    std::string_view code;   // 4-character exam code, as in the exam records
    std::string_view name;   // UTF-8, exactly as written (a few carry blanks at both ends)
    Marking marking;
};

// One line of the diploma title table titoli.grp.
struct TitleEntry {
    char kind;               // school type letter, not read by the system
    std::string_view code;   // 2-character diploma code, as in the registry
    std::string_view title;  // UTF-8, exactly as written
    int weight;              // how often ordinary students hold this diploma
};

// Codes that the edge cases of the sample refer to.
inline constexpr std::string_view kUngroupedExamCode = "CV01";  // group "00"
inline constexpr std::string_view kLowerCaseModCode = "IN30";   // name has "(mod", no module
inline constexpr std::string_view kModuleExamCode = "1037";     // name has "(MOD"

// The exam table, in file order. Entry 1 has group "00", so a code missing from the table
// shows its own code on the card.
std::span<const ExamEntry> ExamCatalogue();

// The diploma titles, in file order.
std::span<const TitleEntry> TitleCatalogue();

// The entry with code, or nullptr.
const ExamEntry* FindExam(std::string_view code);

// True when the exam counts as a module: its name holds "(MOD" (capitals only).
bool IsModule(const ExamEntry& entry);

// The bytes of esami.grp: "group code name" per entry, Windows-1252, CR LF line ends.
std::string ExamTableText();

// The bytes of titoli.grp: "kind code title" per entry, Windows-1252, CR LF line ends.
std::string TitleTableText();

}  // namespace velmaro::sample
