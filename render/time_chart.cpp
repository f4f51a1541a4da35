#include "render/time_chart.h"

#include "base/civil_date.h"
#include "base/numeric_value.h"
#include "render/spread_labels.h"

namespace velmaro {
namespace {

constexpr double kAxisLines = 28;
constexpr double kTickHalfWidth = 50;
constexpr double kDotRadius = 30;
constexpr double kLeaderEndColumns = 4.8;

void DrawYearMarks(DrawSurface& surface, const ChartLayout& chart) {
    const int firstYear = static_cast<int>(std::chrono::year_month_day{*chart.EnrolDate}.year());
    const int endYear = static_cast<int>(std::chrono::year_month_day{*chart.ChartEnd}.year());
    for (int k = firstYear; k < endYear; ++k) {
        const std::chrono::sys_days yearEnd{std::chrono::year{k} / std::chrono::December / 31};
        const double y = chart.YOf(yearEnd);
        surface.SetCurrentX(chart.ChartLeft + surface.TextWidth(" "));
        surface.SetCurrentY(y - chart.LineHeight / 2);
        // Each label names the year that starts at this boundary.
        surface.Print({PrintItem::Number(k + 1, false)});
        surface.Line(chart.AxisX - kTickHalfWidth, y, chart.AxisX + kTickHalfWidth, y);
    }
}

}  // namespace

double ChartLayout::YOf(std::chrono::sys_days date) const {
    if (ChartDays <= 0) return ChartTop;
    return ChartTop + (ChartBottom - ChartTop) * DaysBetween(*EnrolDate, date) / ChartDays;
}

std::optional<std::chrono::sys_days> ChartEndDate(const Student& student,
                                                  const HeaderResult& header,
                                                  std::chrono::year_month_day today) {
    if (header.ChartEnd) return ParseMonthDayYear(*header.ChartEnd);
    const std::chrono::sys_days expectedEnd{
        ExpectedEndDate(NumericValue(student.LastYearRec().year), student.NumExams())};
    const std::chrono::sys_days todayDays{today};
    if (todayDays > expectedEnd) return expectedEnd;
    return todayDays;
}

ChartLayout SetUpChart(DrawSurface& surface, const Student& student, const HeaderResult& header,
                       std::span<const ExamRow> rows, std::chrono::year_month_day today) {
    ChartLayout chart;
    chart.EnrolDate = ParseMonthDayYear(header.EnrolDate);
    chart.ChartEnd = ChartEndDate(student, header, today);
    if (chart.HasAxis()) chart.ChartDays = DaysBetween(*chart.EnrolDate, *chart.ChartEnd);

    surface.Print({});

    // Measured even without exams, so a card with no exams still shows its axis.
    chart.ChartLeft = surface.CurrentX();
    chart.ChartTop = surface.CurrentY();
    chart.LineHeight = surface.TextHeight("M");
    chart.YearColumnWidth = surface.TextWidth("  1999 ");
    chart.ChartBottom = chart.ChartTop + kAxisLines * chart.LineHeight;
    chart.AxisX = chart.ChartLeft + chart.YearColumnWidth;

    // A graduate's header ends with the degree line, which the Print above completed; any
    // other header ends one empty line above the chart.
    chart.HeaderBottom = header.ChartEnd ? chart.ChartTop : chart.ChartTop - chart.LineHeight;

    const std::size_t numExams = rows.size();
    std::vector<int> rowLines(numExams + 1, 1);
    for (std::size_t i = 1; i <= numExams; ++i)
        rowLines[i] = surface.LinesOf(ExamRowItems(rows[i - 1]), chart.ListLeft());

    chart.ExamDateY.assign(numExams + 1, 0.0);
    if (numExams > 0) {
        if (chart.HasAxis()) {
            for (std::size_t i = 1; i <= numExams; ++i) {
                // An exam date that is not a date sits at the top of the axis.
                const auto& date = rows[i - 1].date;
                chart.ExamDateY[i] = date ? chart.YOf(*date) : chart.YOf(*chart.EnrolDate);
            }
            chart.ExamLabelY =
                SpreadLabels(chart.ExamDateY, rowLines, chart.LineHeight, chart.HeaderBottom);
        } else {
            // Without an axis the rows are listed from the chart's top, each below the last.
            chart.ExamLabelY.assign(numExams + 1, 0.0);
            int linesAbove = 0;
            for (std::size_t i = 1; i <= numExams; ++i) {
                chart.ExamLabelY[i] = chart.ChartTop + (linesAbove + 0.5) * chart.LineHeight;
                linesAbove += rowLines[i];
            }
        }
    }

    if (chart.HasAxis()) {
        surface.Line(chart.AxisX, chart.ChartTop, chart.AxisX, chart.ChartBottom);
        DrawYearMarks(surface, chart);
    }
    return chart;
}

void DrawExamMark(DrawSurface& surface, const ChartLayout& chart, std::size_t i) {
    if (!chart.HasAxis()) return;
    surface.Line(chart.AxisX, chart.ExamDateY[i],
                 chart.ChartLeft + kLeaderEndColumns * chart.YearColumnWidth, chart.ExamLabelY[i]);
    surface.SetFillStyle(0);
    surface.Circle(chart.AxisX, chart.ExamDateY[i], kDotRadius);
    surface.SetFillStyle(1);
}

}  // namespace velmaro
