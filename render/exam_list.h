#pragma once

#include <string>
#include <string_view>

#include "render/draw_surface.h"
#include "render/header_block.h"
#include "render/time_chart.h"
#include "store/code_table.h"

namespace velmaro {

// One exam as its row shows it and as the averages count it.
struct ExamRow {
    std::string dateText;  // dd/mm/yy (UTF-8)
    int examClass = 4;
    std::string title;      // the exam's name, or its key ("*" and the code) in class 0
    std::string gradeText;  // as printed: the mark, "30 e lode" or "idoneo"
    double gradeValue = 0;  // the mark as counted: 31 counts as 30
    double weight = 0;      // 1 for a mark from 18 to 31, 0.5 for a module, else 0
};

// Reads one exam record element ("0000" + code, mark, yymmdd) against the exam table.
// A mark above "31" as text is a pass without a mark ("idoneo"); "31" is "30 e lode",
// counted as 30; a name containing "(MOD" is a module and weighs 0.5 whatever its mark.
ExamRow ReadExamRow(std::string_view element, const CodeTable& exams);

// Running sums of the weighted marks.
struct GradeAverage {
    double GradeSum = 0;
    double WeightSum = 0;

    void Add(const ExamRow& row) {
        GradeSum += row.gradeValue * row.weight;
        WeightSum += row.weight;
    }
    // The average on the 30-point scale; 0 when nothing weighs.
    double Average30() const { return WeightSum > 0 ? GradeSum / WeightSum : 0; }
    // The same on the 110-point scale.
    double Average110() const { return Average30() / 30 * 110; }
};

// Prints exam i's row centred on its place beside the chart: date, class, name, and the
// grade at print column 80 (on the next line when the name reaches past it).
void PrintExamRow(DrawSurface& surface, const ChartLayout& chart, std::size_t i,
                  const ExamRow& row);

// Prints the two averages right after their labels in the header.
void PrintAverages(DrawSurface& surface, const HeaderResult& header, const GradeAverage& average,
                   std::string_view decimalSeparator);

}  // namespace velmaro
