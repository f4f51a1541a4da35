#pragma once

#include <string_view>

#include "render/draw_surface.h"
#include "render/exam_row.h"
#include "render/header_block.h"
#include "render/time_chart.h"

namespace velmaro {

// Running sums of the weighted marks.
struct GradeAverage {
    double GradeSum = 0;
    double WeightSum = 0;

    void Add(const ExamRow& row) {
        GradeSum += row.GradeValue * row.ExamWeight;
        WeightSum += row.ExamWeight;
    }
    // The average on the 30-point scale; 0 when nothing weighs.
    double Average30() const { return WeightSum > 0 ? GradeSum / WeightSum : 0; }
    // The same on the 110-point scale, in one division of the exact sums: scaling the
    // rounded 30-point average would turn an exact half such as 96.525 into 96.52499…,
    // shown one hundredth low.
    double Average110() const { return WeightSum > 0 ? GradeSum * 110 / (WeightSum * 30) : 0; }
};

// Prints exam i's row (ExamRowItems) with its first line centred on its place beside the
// chart; the grade goes to the next line when the name reaches past its column.
void PrintExamRow(DrawSurface& surface, const ChartLayout& chart, std::size_t i,
                  const ExamRow& row);

// Prints the two averages right after their labels in the header.
void PrintAverages(DrawSurface& surface, const HeaderResult& header, const GradeAverage& average,
                   std::string_view decimalSeparator);

}  // namespace velmaro
