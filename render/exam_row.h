#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "render/print_item.h"
#include "store/career_records.h"
#include "store/code_table.h"

namespace velmaro {

// One exam as its row shows it and as the averages count it.
struct ExamRow {
    std::string dateText;                       // dd/mm/yy (UTF-8)
    std::optional<std::chrono::sys_days> date;  // where the chart puts it, when a real date
    int ExamClass = 4;
    std::string ExamTitle;  // the exam's name, or its key ("*" and the code) in class 0
    std::string GradeText;  // as printed: the mark, "30 e lode" or "idoneo"
    double GradeValue = 0;  // the mark as counted: 31 counts as 30
    double ExamWeight = 0;  // 1 for a mark from 18 to 31, 0.5 for a module, else 0
};

// Reads one exam record against the exam table.
// A mark above "31" as text is a pass without a mark ("idoneo"); "31" is "30 e lode",
// counted as 30; a name containing "(MOD" is a module and weighs 0.5 whatever its mark.
ExamRow ReadExamRow(const ExamRecord& record, const CodeTable& exams);

// The items that print a row from its start: date, class, name, then the grade at print
// column 80, ending the line. A name that reaches past column 80 sends the grade to the next
// line, so the same items also tell how many lines the row takes (DrawSurface::LinesOf).
std::vector<PrintItem> ExamRowItems(const ExamRow& row);

}  // namespace velmaro
