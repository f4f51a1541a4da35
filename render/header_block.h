#pragma once

#include <optional>
#include <string>

#include "render/draw_surface.h"
#include "store/code_table.h"
#include "store/student.h"

namespace velmaro {

// What the header leaves for the later sections of the card.
struct HeaderResult {
    // Where the two averages go: right after "<V_30>: " and right after "<V_110>: ".
    double V30X = 0, V30Y = 0, V110X = 0, V110Y = 0;
    // 1 November of the enrolment year, as "11/01/yy".
    std::string EnrolDate;
    // A graduated student's graduation date as "mm/dd/yy"; nothing for a student still
    // enrolled, whose chart end the chart works out.
    std::optional<std::string> ChartEnd;
};

// Prints the header block from the current position: number, birth, postal code, province
// and sex; diploma year, grade and title; enrolment year, years, exams and the two average
// labels; and, for a graduated student, the graduation date and grade, a line left open for
// the chart to end.
HeaderResult PrintHeaderBlock(DrawSurface& surface, const Student& student,
                              const CodeTable& titles);

// The header's sex letter: "M" for "1", "F" for "2", "X" for anything else.
std::string SexLetter(std::string_view sexCode);

}  // namespace velmaro
