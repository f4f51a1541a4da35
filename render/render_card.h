#pragma once

#include <chrono>
#include <string>

#include "render/draw_surface.h"
#include "store/code_table.h"
#include "store/student.h"

namespace velmaro {

// Everything one card is drawn from. The renderer reads it and changes nothing.
struct CardInput {
    const Student& student;
    const CodeTable& titles;  // diploma titles
    const CodeTable& exams;   // exam names and group codes
    std::chrono::year_month_day today;
    std::string decimalSeparator = ".";  // of the two averages
};

// Draws the whole career card of input.student on surface: the card frame (on a window its
// LargeVel, on a printer four empty lines), the header block, the time chart, one row per
// exam and, last, the two averages in the header.
void RenderCard(DrawSurface& surface, const CardInput& input);

}  // namespace velmaro
