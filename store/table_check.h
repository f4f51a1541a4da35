#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "store/check_report.h"

namespace velmaro {

// The codes of a table's lines, each with the number of the first line that holds it. The
// views point into the table's text.
using TableCodes = std::unordered_map<std::string_view, std::int64_t>;

// True when a class rule names group (after EB counts as E2 and MS as MR): "00", A1 F1 E1
// G1, A2 F2 E2 MR CH, IT MM E3 SM, CF, LL, and every code beginning with "L". Every other
// code still gets class 4, but only by default: it is most likely a typing error.
bool IsNamedGroupCode(std::string_view group);

// Checks the text of esami.grp: lines too short for their code and name, repeated exam codes,
// group codes that no class rule names, and a table without lines. Returns its exam codes.
TableCodes CheckExamTable(std::string_view content, CheckReport& report);

// Checks the text of titoli.grp: lines too short for their code and title, repeated diploma
// codes, and a table without lines. Returns its diploma codes.
TableCodes CheckTitleTable(std::string_view content, CheckReport& report);

}  // namespace velmaro
