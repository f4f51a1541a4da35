#pragma once

#include "store/code_table.h"

namespace velmaro {

// The class (0 to 4) of exam-table entry `entry` (rounded half to even): the class of its
// group code. An entry outside the table has the empty group code: class 4.
int ClassifyExam(const CodeTable& exams, double entry);

// The class of one group code: the one its class rule gives (NamedGroupClass), 4 for a code
// that no rule names.
int ClassOfGroup(std::string_view group);

}  // namespace velmaro
