#pragma once

#include <optional>
#include <string_view>

namespace velmaro {

// The class (0 to 4) that a class rule gives the exams of group, a group code of esami.grp:
// "00" is 0; A1 F1 E1 G1 LL are 1; A2 F2 E2 MR CH are 2 (EB counts as E2, MS as MR); IT MM E3
// SM are 3; CF is 4; and every code beginning with "L" is 1. Comparisons are exact. Nothing
// for a code that no rule names: its exams are class 4 too, but only by default, as the code
// is most likely a typing error.
std::optional<int> NamedGroupClass(std::string_view group);

}  // namespace velmaro
