#include "render/exam_row.h"

#include "base/numeric_value.h"
#include "base/text_fields.h"
#include "base/windows1252.h"
#include "render/classify_exam.h"

namespace velmaro {
namespace {

constexpr int kGradeColumn = 80;

}  // namespace

ExamRow ReadExamRow(const ExamRecord& record, const CodeTable& exams) {
    ExamRow row;
    std::string date;
    for (const std::string_view part : {record.day.view(), record.month.view()})
        date.append(part).push_back('/');
    row.dateText = DecodeWindows1252(date.append(record.year));
    row.date = record.date;

    const double entry = exams.EntryOf(record.code);
    row.ExamClass = ClassifyExam(exams, entry);
    row.ExamTitle = row.ExamClass == 0 ? DecodeWindows1252('*' + record.code.str())
                                       : std::string(TrimLeadingBlanks(exams.NameAt(entry)));

    const std::string_view grade = record.grade.view();
    row.GradeValue = NumericValue(grade);
    row.ExamWeight = row.GradeValue >= 18 && row.GradeValue <= 31 ? 1 : 0;
    if (row.GradeValue == 31) row.GradeValue = 30;
    if (row.ExamTitle.find(kModuleMarker) != std::string::npos) row.ExamWeight = 0.5;

    if (IsPassWithoutMark(grade)) {
        row.GradeText = "idoneo";
    } else if (grade == kHonoursGrade) {
        row.GradeText = "30 e lode";
    } else {
        row.GradeText = DecodeWindows1252(grade);
    }
    return row;
}

std::vector<PrintItem> ExamRowItems(const ExamRow& row) {
    return {PrintItem::Text(row.dateText), PrintItem::Number(row.ExamClass),
            PrintItem::Text(" "),          PrintItem::Text(row.ExamTitle),
            PrintItem::Tab(kGradeColumn),  PrintItem::Text(row.GradeText, false)};
}

}  // namespace velmaro
