// Whole cards on the recording surface with the fixed metrics (characters 100 wide, lines 200
// high, print column n at (n - 1) * 100), every coordinate worked out by hand.
//
// Geometry of every printed card: four empty lines put header line 1 at y = 800; lines 2, 3
// (and 4) follow at 1000, 1200 (1400). The chart's empty Print ends a graduate's line 4 or
// leaves an empty line: ChartTop = 1600, ChartBottom = 1600 + 28 * 200 = 7200. YearColumnWidth
// = width of "  1999 " = 700 = AxisX; ticks 650 ... 750; year labels at x = 100, centred on
// their y; leaders end at 4.8 * 700 = 3360; a row is drawn at its centre - 100 from 5 * 700 =
// 3500: date (8 characters), class at 4300, a blank at 4600, the name at 4700, the grade at
// column 80 = 7900. "<V_30>: " at column 55 (5400) ends at 6200, "<V_110>: " at column 72
// (7100) at 8000: the averages go to (6200, 1200) and (8000, 1200).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "render/chart_date.h"
#include "render/recording_surface.h"
#include "render/render_card.h"
#include "render/time_chart.h"

namespace velmaro {
namespace {

using namespace std::chrono;

// Numbers of a recording rounded to two decimals, so hand-worked coordinates such as 2183.33
// compare with 2183.333...
std::string Num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string Rounded(const std::string& recording) {
    std::istringstream lines(recording);
    std::string result;
    for (std::string line; std::getline(lines, line);) {
        const auto quote = std::min(line.find('"'), line.size());
        std::istringstream words(line.substr(0, quote));
        for (std::string word; words >> word;) {
            char* end = nullptr;
            const double value = std::strtod(word.c_str(), &end);
            result += (*end ? word : Num(value)) + ' ';
        }
        result += line.substr(quote) + '\n';
    }
    return result;
}

std::string Text(double x, double y, const std::string& text) {
    return "text " + Num(x) + ' ' + Num(y) + " \"" + text + "\"\n";
}
std::string Line(double x1, double y1, double x2, double y2) {
    return "line " + Num(x1) + ' ' + Num(y1) + ' ' + Num(x2) + ' ' + Num(y2) + " \n";
}
std::string Axis() { return Line(700, 1600, 700, 7200); }
std::string YearMark(double y, const std::string& year) {
    return Text(100, y - 100, " " + year + " ") + Line(650, y, 750, y);
}
std::string Row(double centre, const std::string& date, int cls, const std::string& name,
                const std::string& grade) {
    const double y = centre - 100;
    return Text(3500, y, date) + Text(4300, y, " " + std::to_string(cls) + " ") +
           Text(4600, y, " ") + Text(4700, y, name) + Text(7900, y, grade);
}
// Leader from the date on the axis to the row, the filled dot, then the row.
std::string Exam(double dateY, double labelY, const std::string& date, int cls,
                 const std::string& name, const std::string& grade) {
    return Line(700, dateY, 3360, labelY) + "circle 700.00 " + Num(dateY) + " 30.00 filled \n" +
           Row(labelY, date, cls, name, grade);
}
std::string Averages(const std::string& v30, const std::string& v110) {
    return Text(6200, 1200, v30) + Text(8000, 1200, v110);
}

const CodeTable& Titles() {
    static const CodeTable titles = BuildCodeTable(
        {"0 01 Maturita Classica", "T 02 Maturit\xE0 Scientifica"}, kTitleTableLayout);
    return titles;
}

const CodeTable& Exams() {
    static const CodeTable exams =
        BuildCodeTable({"A1 AB01 Analisi Matematica", "00 NC00 Non Codificato",
                        "E3 MD01 Statistica (MOD. 1)", "EB EB01 Economia Bancaria"},
                       kExamTableLayout);
    return exams;
}

// Still enrolled since 1996/97, last academic year 97. Exams: "0000", code, grade, yymmdd.
Student Enrolled(const std::vector<std::string>& exams) {
    Student s;
    s.MatrText = "5193";
    StudentFields& f = s.fields;
    f.SexCode = "2";
    f.BirthYearMonth = "7403";
    f.PostalCode = "20100";
    f.Province = "MI";
    f.EnrolYear = "9697";
    f.DiplomaCode = "02";
    f.DiplomaYear = "9394";
    f.DiplomaGrade = "60";
    f.DegreeDate = "000000";
    s.NumYears = 1;
    s.YearRecs = {"", "0000AA97"};
    s.NumExams = static_cast<int>(exams.size());
    s.ExamRecs.insert(s.ExamRecs.end(), exams.begin(), exams.end());
    return s;
}

std::string Render(const Student& student, year_month_day today = 2025y / October / 20) {
    std::ostringstream out;
    const FixedMetrics metrics;
    RecordingSurface surface(out, metrics);
    RenderCard(surface, {student, Titles(), Exams(), today, "."});
    return Rounded(out.str());
}

// What the chart and the list draw, then the averages: from the first op that is not a header
// text (all above y = 1600) on.
std::string AfterHeader(const std::string& ops) {
    std::istringstream lines(ops);
    std::size_t at = 0;
    for (std::string line; std::getline(lines, line); at += line.size() + 1) {
        double x = 0, y = 0;
        if (std::sscanf(line.c_str(), "text %lf %lf", &x, &y) != 2 || y >= 1600) break;
    }
    return ops.substr(std::min(at, ops.size()));
}

TEST(RenderCard, GraduateWithHonoursOpByOp) {
    Student s = Enrolled({"0000AB0128960210", "0000MD0130960620", "0000EB0131970201"});
    s.fields.EnrolYear = "9596";
    s.fields.DegreeDate = "970514";
    s.fields.DegreeGrade = "110";
    s.fields.HonoursMark = "*";
    s.NumYears = 2;
    s.YearRecs = {"", "0000AA96", "0000AA99"};  // a graduate's chart ignores these and today

    // Days from 1 Nov 95: 1 Jan 96 61, 1 Feb 92, 1 Mar 121 (leap), 1 Jun 213, 1 Jan 97 427,
    // 1 Feb 458, 1 May 547; ChartEnd 14 May 97 = 560 days, so 5600 / 560 = 10 twips a day.
    // 31 Dec 95 = 60 -> 2200; 31 Dec 96 = 426 -> 5860. Exams 10 Feb 96 = 101 -> 2610, 20 Jun
    // 96 = 232 -> 3920, 1 Feb 97 = 458 -> 6180: far apart, rows stay at their dates.
    const std::string header =
        // Line 1: columns 5, 25, 40, 55, 70 at 400, 2400, 3900, 5400, 6900.
        Text(400, 800, "Matr.: ") + Text(1100, 800, "5193") + Text(2400, 800, "N.: ") +
        Text(2800, 800, "xx/03/74") + Text(3900, 800, "CAP: ") + Text(4400, 800, "20100") +
        Text(5400, 800, "Prov.: ") + Text(6100, 800, "MI") + Text(6900, 800, "Sesso: ") +
        Text(7600, 800, "F") +
        // Line 2: the title of code "02", decoded from Windows-1252.
        Text(400, 1000, "A.S. Dip.: ") + Text(1500, 1000, "93/94") + Text(2400, 1000, "V.Mat.: ") +
        Text(3200, 1000, "60") + Text(3900, 1000, "Dip.: ") +
        Text(4500, 1000, "Maturit\xC3\xA0 Scientifica") +
        // Line 3.
        Text(400, 1200, "A.A. Imm.: ") + Text(1500, 1200, "95/96") + Text(2400, 1200, "N.Anni: ") +
        Text(3200, 1200, " 2 ") + Text(3900, 1200, "N.Esa.: ") + Text(4700, 1200, " 3 ") +
        Text(5400, 1200, "<V_30>: ") + Text(7100, 1200, "<V_110>: ") +
        // Line 4: " e Lode" right after the grade.
        Text(400, 1400, "D.Lau.: ") + Text(1200, 1400, "14/05/97") + Text(2400, 1400, "V.Lau.: ") +
        Text(3200, 1400, "110") + Text(3500, 1400, " e Lode");
    EXPECT_EQ(Render(s, 1990y / January / 1),
              header + Axis() + YearMark(2200, "1996") + YearMark(5860, "1997") +
                  Exam(2610, 2610, "10/02/96", 1, "Analisi Matematica", "28") +
                  Exam(3920, 3920, "20/06/96", 3, "Statistica (MOD. 1)", "30") +
                  Exam(6180, 6180, "01/02/97", 2, "Economia Bancaria", "30 e lode") +
                  // (28 + 0.5 * 30 + 30) / 2.5 = 29.2; 29.2 / 30 * 110 = 107.0666...
                  Averages("29.2", "107.07"));
}

TEST(RenderCard, EnrolledChartEndsAtTheExpectedEnd) {
    // Last year 97, 2 exams: expected end 31 May 98, before today. From 1 Nov 96: 1 Jan 97 61,
    // 1 Jan 98 426, 1 May 98 546, 31 May 98 576 = ChartDays; y = 1600 + 5600 * days / 576.
    // 31 Dec 96 = 60 -> 2183.33; 31 Dec 97 = 425 -> 5731.94. Both exams on 15 Jan 98 = 440 ->
    // 5877.78: one dot place, rows one line apart at 5777.78 and 5977.78. No line 4.
    EXPECT_EQ(AfterHeader(Render(Enrolled({"0000AB0128980115", "0000NC0020980115"}))),
              Axis() + YearMark(2183.33, "1997") + YearMark(5731.94, "1998") +
                  Exam(5877.78, 5777.78, "15/01/98", 1, "Analisi Matematica", "28") +
                  Exam(5877.78, 5977.78, "15/01/98", 0, "*NC00", "20") +
                  Averages("24.", "88.00"));  // 48 / 2 = 24; 24 / 30 * 110 = 88
}

TEST(RenderCard, EnrolledChartEndsTodayAndExamsOutsideItAreNotClamped) {
    Student s = Enrolled({"0000AB0126981021", "0000AB0130000524"});
    s.fields.EnrolYear = "9899";
    s.YearRecs = {"", "0000AA99"};
    // Expected end 31 May 00 (99 + 1); today, 14 May 00, is earlier and ends the chart. From
    // 1 Nov 98: 1 Jan 99 61, 1 Jan 00 426, 1 Mar 486 (leap), 1 May 547, 14 May 560 days: 10
    // twips a day. 31 Dec 98 = 60 -> 2200; 31 Dec 99 = 425 -> 5850. Exam 1 on 21 Oct 98 = -11
    // days -> 1490, above the axis; exam 2 on 24 May 00 = 570 -> 7300, below it.
    EXPECT_EQ(AfterHeader(Render(s, 2000y / May / 14)),
              Axis() + YearMark(2200, "1999") + YearMark(5850, "2000") +
                  Exam(1490, 1490, "21/10/98", 1, "Analisi Matematica", "26") +
                  Exam(7300, 7300, "24/05/00", 1, "Analisi Matematica", "30") +
                  Averages("28.", "102.67"));  // 56 / 2 = 28; 28 / 30 * 110 = 102.666...
}

TEST(RenderCard, InvalidExamDateSitsAtChartTopAndChartOfNoDaysPutsEveryDateThere) {
    // Day 00 is no date: day count 0, at ChartTop.
    EXPECT_EQ(AfterHeader(Render(Enrolled({"0000AB0128980100"}))),
              Axis() + YearMark(2183.33, "1997") + YearMark(5731.94, "1998") +
                  Exam(1600, 1600, "00/01/98", 1, "Analisi Matematica", "28") +
                  Averages("28.", "102.67"));
    // Graduated on 1 Nov 95, the day the chart starts: no days, no year marks; both exams at
    // 1600, their rows spread to 1500 and 1700.
    Student s = Enrolled({"0000AB0128960210", "0000AB0127970101"});
    s.fields.EnrolYear = "9596";
    s.fields.DegreeDate = "951101";
    EXPECT_EQ(AfterHeader(Render(s)),
              Axis() + Exam(1600, 1500, "10/02/96", 1, "Analisi Matematica", "28") +
                  Exam(1600, 1700, "01/01/97", 1, "Analisi Matematica", "27") +
                  Averages("27.5", "100.83"));  // 27.5 / 30 * 110 = 100.8333...
}

TEST(RenderCard, NoExamsStillDrawsTheAxisAndYearMarks) {
    const std::string ops = Render(Enrolled({}));
    EXPECT_EQ(AfterHeader(ops), Axis() + YearMark(2183.33, "1997") + YearMark(5731.94, "1998") +
                                    Averages(".", ".00"));
    EXPECT_NE(ops.find(Text(4700, 1200, " 0 ")), std::string::npos);  // after "N.Esa.: "
}

TEST(RenderCard, ChartDatesThatAreNotDatesListTheRowsFromChartTop) {
    Student badEnrolment = Enrolled({"0000AB0128980115", "0000AB0127980115"});
    badEnrolment.fields.EnrolYear = "XX97";
    Student badGraduation = badEnrolment;
    badGraduation.fields.EnrolYear = "9697";
    badGraduation.fields.DegreeDate = "971340";  // month 13
    for (const Student& s : {badEnrolment, badGraduation}) {
        SCOPED_TRACE(s.fields.EnrolYear + " " + s.fields.DegreeDate);
        // No lines or dots; row i centred at 1600 + (i - 0.5) * 200: 1700 and 1900.
        EXPECT_EQ(AfterHeader(Render(s)), Row(1700, "15/01/98", 1, "Analisi Matematica", "28") +
                                              Row(1900, "15/01/98", 1, "Analisi Matematica", "27") +
                                              Averages("27.5", "100.83"));
    }
}

TEST(ChartEndDate, ExpectedEndOrToday) {
    struct Case {
        const char* lastYearRecord;  // nullptr: no year records
        int numExams;
        year_month_day today, end;
    };
    const year_month_day later = 2025y / 10 / 20;
    for (const Case& c : std::vector<Case>{
             {"0000AA97", 15, later, 1998y / 5 / 31},
             {"0000AA97", 16, later, 1999y / 5 / 31},
             {"0000AA99", 15, later, 2000y / 5 / 31},
             {nullptr, 3, later, 2001y / 5 / 31},  // the empty element 0 reads as year 0
             {nullptr, 16, later, 2002y / 5 / 31},
             {"0000AA  ", 3, later, 2001y / 5 / 31},
             // Today up to the expected end of 31 May 98, then the expected end.
             {"0000AA97", 3, 1998y / 5 / 30, 1998y / 5 / 30},
             {"0000AA97", 3, 1998y / 5 / 31, 1998y / 5 / 31},
             {"0000AA97", 3, 1998y / 6 / 1, 1998y / 5 / 31}}) {
        Student s = Enrolled({});
        s.NumExams = c.numExams;
        s.NumYears = c.lastYearRecord ? 1 : 0;
        s.YearRecs.resize(1);
        if (c.lastYearRecord) s.YearRecs.push_back(c.lastYearRecord);
        EXPECT_EQ(ChartEndDate(s, HeaderResult{}, c.today), sys_days{c.end})
            << (c.lastYearRecord ? c.lastYearRecord : "none") << ", " << c.numExams << " exams";
    }
}

TEST(ParseChartDate, CenturyRuleAndInvalidDates) {
    const std::vector<std::pair<const char*, year_month_day>> valid = {
        {"11/01/96", 1996y / 11 / 1},    {"05/31/00", 2000y / 5 / 31},
        {"12/31/29", 2029y / 12 / 31},   {"01/01/30", 1930y / 1 / 1},
        {"12/31/1999", 1999y / 12 / 31}, {"02/29/00", 2000y / 2 / 29}};
    for (const auto& [text, date] : valid)
        EXPECT_EQ(ParseChartDate(text), sys_days{date}) << text;
    for (const char* text : {"02/29/99", "02/30/96", "00/10/96", "06/00/96", "13/01/96", "11/01/",
                             "//", "ab/01/96", "11/01/996", "11-01-96"})
        EXPECT_FALSE(ParseChartDate(text).has_value()) << text;
}

// A window-like surface: LargeVel notes its call and leaves the position below a rule.
class WindowSurface final : public DrawSurface {
  public:
    explicit WindowSurface(SurfaceKind kind) : kind_(kind) {}
    SurfaceKind Kind() const override { return kind_; }
    double TextWidth(std::string_view text) const override { return metrics_.Width(text); }
    double TextHeight(std::string_view) const override { return metrics_.Height(); }
    double ColumnWidth() const override { return metrics_.ColumnWidth(); }
    void LargeVel() override {
        ++largeVelCalls;
        SetCurrentY(3000);
    }
    int largeVelCalls = 0;
    std::vector<double> firstTextAt;  // x, y

  protected:
    void DrawText(double x, double y, std::string_view) override {
        if (firstTextAt.empty()) firstTextAt = {x, y};
    }
    void DrawLine(double, double, double, double) override {}
    void DrawCircle(double, double, double, bool) override {}

  private:
    SurfaceKind kind_;
    FixedMetrics metrics_;
};

TEST(RenderCard, WindowCallsLargeVelAndOtherSurfacesStartWhereTheyAre) {
    // "Matr.: " at column 5 of the first line: no four empty lines on either surface.
    for (const auto& [kind, calls, top] : std::vector<std::tuple<SurfaceKind, int, double>>{
             {SurfaceKind::kWindow, 1, 3000}, {SurfaceKind::kOther, 0, 0}}) {
        WindowSurface surface(kind);
        RenderCard(surface, {Enrolled({}), Titles(), Exams(), 2025y / October / 20, "."});
        EXPECT_EQ(surface.largeVelCalls, calls);
        EXPECT_EQ(surface.firstTextAt, (std::vector<double>{400, top}));
    }
}

}  // namespace
}  // namespace velmaro
