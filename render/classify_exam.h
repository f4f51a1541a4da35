#pragma once

#include "store/code_table.h"

namespace velmaro {

// The class (0 to 4) of exam-table entry `entry` (rounded half to even), from its group
// code: "00" is 0; A1 F1 E1 G1 LL are 1; A2 F2 E2 MR CH are 2 (EB counts as E2, MS as MR);
// IT MM E3 SM are 3; CF and every other code 4; and every code beginning with "L" is 1.
// Comparisons are exact. An entry outside the table has the empty group code: class 4.
int ClassifyExam(const CodeTable& exams, double entry);

// The class of one group code, by the same rules.
int ClassOfGroup(std::string_view group);

}  // namespace velmaro
