#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "render/draw_surface.h"
#include "render/exam_row.h"
#include "render/header_block.h"
#include "store/student.h"

namespace velmaro {

// The chart's measurements and the positions of the exams, shared with the exam list.
struct ChartLayout {
    double ChartLeft = 0;
    double ChartTop = 0;
    double LineHeight = 0;
    double YearColumnWidth = 0;
    double ChartBottom = 0;
    double AxisX = 0;
    // The bottom of the header's last text line: no exam row rises above it.
    double HeaderBottom = 0;
    std::optional<std::chrono::sys_days> EnrolDate;
    std::optional<std::chrono::sys_days> ChartEnd;
    double ChartDays = 0;
    std::vector<double> ExamDateY;   // element i: y of exam i's date (0 unused)
    std::vector<double> ExamLabelY;  // element i: centre of exam i's row (0 unused)

    // Both ends of the time axis are real dates, so the axis, the year marks, the leaders
    // and the dots are drawn; otherwise the rows are listed one line apart from the top.
    bool HasAxis() const { return EnrolDate && ChartEnd; }
    // The y of a date on the axis; every date at ChartTop when the axis spans no days or ends
    // before it starts.
    double YOf(std::chrono::sys_days date) const;
    // Where each exam row starts: five year-label columns right of the chart's left edge.
    double ListLeft() const { return ChartLeft + 5 * YearColumnWidth; }
};

// The end of a student's time axis: the graduation date for a graduate;
// otherwise 31 May of the year after the last academic year (two years after with more
// than 15 exams), or today when that date is not yet past. Nothing when
// the graduation date is not a real date.
std::optional<std::chrono::sys_days> ChartEndDate(const Student& student,
                                                  const HeaderResult& header,
                                                  std::chrono::year_month_day today);

// Ends the header's last line, measures the chart at the position that leaves, places every
// exam's date and row (rows[i - 1] is exam i, each as many lines high as it prints on this
// surface), then draws the axis and its year marks.
ChartLayout SetUpChart(DrawSurface& surface, const Student& student, const HeaderResult& header,
                       std::span<const ExamRow> rows, std::chrono::year_month_day today);

// Draws exam i's leader from its date on the axis to its row, and its dot.
void DrawExamMark(DrawSurface& surface, const ChartLayout& chart, std::size_t i);

}  // namespace velmaro
