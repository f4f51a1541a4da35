#include "render/exam_list.h"

#include "render/average_format.h"

namespace velmaro {
void PrintExamRow(DrawSurface& surface, const ChartLayout& chart, std::size_t i,
                  const ExamRow& row) {
    surface.SetCurrentY(chart.ExamLabelY[i] - chart.LineHeight / 2);
    surface.SetCurrentX(chart.ListLeft());
    surface.Print(ExamRowItems(row));
}

void PrintAverages(DrawSurface& surface, const HeaderResult& header, const GradeAverage& average,
                   std::string_view decimalSeparator) {
    surface.SetCurrentX(header.V30X);
    surface.SetCurrentY(header.V30Y);
    surface.Print(
        {PrintItem::Text(FormatTwoOptionalDecimals(average.Average30(), decimalSeparator), false)});
    surface.SetCurrentX(header.V110X);
    surface.SetCurrentY(header.V110Y);
    surface.Print(
        {PrintItem::Text(FormatTwoDecimals(average.Average110(), decimalSeparator), false)});
}

}  // namespace velmaro
