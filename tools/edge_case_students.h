#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "tools/sample_student.h"
#include "tools/split_mix.h"

namespace velmaro::sample {

// The student whose card the window shows first: a typical graduate.
inline constexpr std::int32_t kTypicalGraduate = 5193;
// The lowest identification number of the sample, so its student sits in record 1.
inline constexpr std::int32_t kFirstRecordStudent = 4;

// A student of the sample data that carries a case worth trying on the card.
struct SpecialCase {
    std::int32_t matricola;
    std::string_view description;  // one line for testers
    bool alwaysPresent;            // also written when the special cases are left out
};

// Every special case, by ascending matricola.
std::span<const SpecialCase> SpecialCases();

// True when matricola is the number of a special case.
bool IsSpecialCase(std::int32_t matricola);

// Plans the student of the special case matricola (one of SpecialCases()).
PlannedStudent PlanSpecialStudent(std::int32_t matricola, const CareerLimits& limits,
                                  SplitMix64& random);

}  // namespace velmaro::sample
