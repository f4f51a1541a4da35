#include "store/exam_groups.h"

#include <array>

namespace velmaro {
namespace {

struct GroupClass {
    std::string_view group;
    int ExamClass;
};

constexpr auto kClassOfGroup = std::to_array<GroupClass>({
    {"00", 0},
    {"A1", 1},
    {"F1", 1},
    {"E1", 1},
    {"G1", 1},
    {"A2", 2},
    {"F2", 2},
    {"E2", 2},
    {"MR", 2},
    {"CH", 2},
    {"IT", 3},
    {"MM", 3},
    {"E3", 3},
    {"SM", 3},
    {"CF", 4},
});

}  // namespace

std::optional<int> NamedGroupClass(std::string_view group) {
    if (group == "EB") group = "E2";
    if (group == "MS") group = "MR";
    // Every group beginning with "L" ("LL" among them) is class 1.
    if (!group.empty() && group.front() == 'L') return 1;
    for (const GroupClass& entry : kClassOfGroup) {
        if (entry.group == group) return entry.ExamClass;
    }
    return std::nullopt;
}

}  // namespace velmaro
