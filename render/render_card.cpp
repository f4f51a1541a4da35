#include "render/render_card.h"

#include <vector>

#include "render/exam_list.h"
#include "render/header_block.h"
#include "render/time_chart.h"

namespace velmaro {
namespace {

// A printed card starts four lines below the top of the page; a window card starts where
// the window's LargeVel puts the print position.
void PrepareCardFrame(DrawSurface& surface) {
    switch (surface.Kind()) {
        case SurfaceKind::kWindow:
            surface.LargeVel();
            break;
        case SurfaceKind::kPrinter:
            for (int line = 0; line < 4; ++line)
                surface.Print({});
            break;
        case SurfaceKind::kOther:
            break;
    }
}

}  // namespace

void RenderCard(DrawSurface& surface, const CardInput& input) {
    const Student& student = input.student;
    PrepareCardFrame(surface);
    const HeaderResult header = PrintHeaderBlock(surface, student, input.titles);

    // The rows are read first: how many lines each takes decides where the chart puts it.
    std::vector<ExamRow> rows;
    rows.reserve(student.ExamRecs.size());
    for (const ExamRecord& record : student.ExamRecs)
        rows.push_back(ReadExamRow(record, input.exams));
    const ChartLayout chart = SetUpChart(surface, student, header, rows, input.today);

    GradeAverage average;
    for (std::size_t i = 1; i <= rows.size(); ++i) {
        DrawExamMark(surface, chart, i);
        PrintExamRow(surface, chart, i, rows[i - 1]);
        average.Add(rows[i - 1]);
    }
    PrintAverages(surface, header, average, input.decimalSeparator);
}

}  // namespace velmaro
