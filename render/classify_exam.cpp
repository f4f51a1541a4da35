#include "render/classify_exam.h"

#include "store/exam_groups.h"

namespace velmaro {

int ClassOfGroup(std::string_view group) { return NamedGroupClass(group).value_or(4); }

int ClassifyExam(const CodeTable& exams, double entry) {
    return ClassOfGroup(exams.GroupAt(entry));
}

}  // namespace velmaro
