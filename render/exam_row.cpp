#include "render/exam_row.h"

#include "render/classify_exam.h"
#include "store/numeric_value.h"
#include "store/text_fields.h"
#include "store/windows1252.h"

namespace velmaro {
namespace {

constexpr int kGradeColumn = 80;
constexpr std::string_view kModuleMarker = "(MOD";
constexpr std::string_view kHonoursGrade = "31";

}  // namespace

ExamRow ReadExamRow(std::string_view element, const CodeTable& exams) {
    ExamRow row;
    std::string date(Mid(element, 15, 2));
    date += '/';
    date += Mid(element, 13, 2);
    date += '/';
    date += Mid(element, 11, 2);
    row.dateText = DecodeWindows1252(date);

    const std::string_view code = Mid(element, 5, 4);
    const double entry = exams.EntryOf(code);
    row.examClass = ClassifyExam(exams, entry);
    row.title = row.examClass == 0 ? DecodeWindows1252("*" + std::string(code))
                                   : std::string(TrimLeadingBlanks(exams.NameAt(entry)));

    const std::string_view grade = Mid(element, 9, 2);
    row.gradeValue = NumericValue(grade);
    row.weight = row.gradeValue >= 18 && row.gradeValue <= 31 ? 1 : 0;
    if (row.gradeValue == 31) row.gradeValue = 30;
    if (row.title.find(kModuleMarker) != std::string::npos) row.weight = 0.5;

    if (grade > kHonoursGrade) {
        row.gradeText = "idoneo";
    } else if (grade == kHonoursGrade) {
        row.gradeText = "30 e lode";
    } else {
        row.gradeText = DecodeWindows1252(grade);
    }
    return row;
}

std::vector<PrintItem> ExamRowItems(const ExamRow& row) {
    return {PrintItem::Text(row.dateText), PrintItem::Number(row.examClass),
            PrintItem::Text(" "),          PrintItem::Text(row.title),
            PrintItem::Tab(kGradeColumn),  PrintItem::Text(row.gradeText, false)};
}

}  // namespace velmaro
