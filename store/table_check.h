#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/check_report.h"

namespace velmaro {

// The codes of a table's lines, each with the number of the first line that holds it. A
// code has at most 4 characters, as both tables' codes do; the check asks of every record
// whether its code is here, so a code is kept as one number in an open-addressed table.
class TableCodes {
  public:
    static constexpr std::size_t kLongestCode = 4;

    // Adds code, first held by line; when the code is there already, nothing changes and the
    // line that first held it is returned, otherwise line itself.
    std::int64_t Insert(std::string_view code, std::int64_t line);
    // True when some line holds code.
    bool contains(std::string_view code) const;

  private:
    struct Slot {
        std::uint64_t key = 0;  // 0: empty
        std::int64_t line = 0;
    };
    // The code's bytes and length as one number, never 0.
    static std::uint64_t KeyOf(std::string_view code);
    std::size_t SlotOf(std::uint64_t key) const;
    void Grow();

    std::vector<Slot> slots_ = std::vector<Slot>(64);
    std::size_t size_ = 0;
};

// True when a class rule names group (see NamedGroupClass).
bool IsNamedGroupCode(std::string_view group);

// The codes of esami.grp, and among them those of modules: the codes whose first line has a
// name holding "(MOD" and a group of a class other than 0, which the card shows by name and
// weighs half whatever the grade.
struct ExamTableCodes {
    TableCodes codes;
    TableCodes moduleCodes;
};

// Checks the text of esami.grp: lines too short for their code and name, codes holding "*",
// repeated exam codes, group codes that no class rule names, and a table without lines.
// Returns its exam codes and, among them, its modules'.
ExamTableCodes CheckExamTable(std::string_view content, CheckReport& report);

// Checks the text of titoli.grp: lines too short for their code and title, codes holding "*",
// repeated diploma codes, and a table without lines. Returns its diploma codes.
TableCodes CheckTitleTable(std::string_view content, CheckReport& report);

}  // namespace velmaro
