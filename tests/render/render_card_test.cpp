// Print items and whole cards on the recording surface with the fixed metrics (characters 100
// wide, lines 200 high, print column n at (n - 1) * 100), coordinates worked out by hand.
//
// Every printed card: four empty lines put header line 1 at y = 800; lines 2, 3 (and a
// graduate's 4) follow. The chart starts on the next line: ChartTop = 1600, ChartBottom = 1600
// + 28 * 200 = 7200. AxisX = width of "  1999 " = 700, ticks 650 ... 750, year labels at x =
// 100 centred on their y, leaders end at 4.8 * 700 = 3360. A row is drawn at its centre - 100
// from 5 * 700 = 3500: date, class at 4300, a blank at 4600, the name at 4700, the grade at
// column 80 = 7900. The averages follow "<V_30>: " (6200, 1200) and "<V_110>: " (8000, 1200).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "render/card_text.h"
#include "render/recording_surface.h"
#include "render/render_card.h"
#include "render/time_chart.h"
#include "tests/support/ops_compare.h"

namespace velmaro {
namespace {

using namespace std::chrono;

// The form of the ops recording: how texts are quoted, and how strictly the suite compares a
// recording with an expected one.
TEST(JsonString, EscapesWhatJsonRequiresAndPassesUtf8Through) {
    const std::pair<std::string, std::string> cases[] = {
        {"", R"("")"},
        {"a\"b", R"("a\"b")"},
        {"a\\b", R"("a\\b")"},
        {"a/b", R"("a/b")"},
        {"\n\r\t\b\f", R"("\n\r\t\b\f")"},
        {"\x7f", "\"\x7f\""},
        {std::string("\x00\x01\x1b\x1f", 4), R"("\u0000\u0001\u001b\u001f")"},
        {"Citt\xC3\xA0 \xE2\x82\xAC", "\"Citt\xC3\xA0 \xE2\x82\xAC\""},
        {"Citt\xE0 \xC3", R"("Citt\\xe0 \\xc3")"}  // Latin-1, and UTF-8 cut short
    };
    for (const auto& [text, quoted] : cases)
        EXPECT_EQ(JsonString(text), quoted) << quoted;
}

TEST(CompareOps, KindsTextsAndNumberFormsExactValuesWithinAHundredth) {
    const std::string expected =
        "card \"5193\"\ntext 100.0 200.5 \"a\\\"b\"\n"
        "line 0.0 1.25 700.0 2.0\ncircle 700.0 2443.75 30 filled\n";
    // expected with its line number line (from 0) replaced.
    const auto withLine = [&](int line, const std::string& replacement) {
        std::size_t start = 0;
        for (int i = 0; i < line; ++i)
            start = expected.find('\n', start) + 1;
        return expected.substr(0, start) + replacement +
               expected.substr(expected.find('\n', start));
    };
    // Values may differ in their last digits when each is written in its shortest form.
    for (const auto& [line, same] :
         std::vector<std::pair<int, std::string>>{{0, "card \"5193\""},
                                                  {1, "text 100.00000000000001 200.5 \"a\\\"b\""},
                                                  {2, "line 0.0 1.2549999999 700.0 2.0"}})
        EXPECT_THAT(testing::CompareOps(withLine(line, same), expected), ::testing::IsEmpty());
    for (const auto& [line, wrong] : std::vector<std::pair<int, std::string>>{
             {0, "card 5193"},                           // not a JSON string
             {0, "card \"5193\" "},                      // a trailing blank
             {1, "text 100.0 200.5 \"a\"b\""},           // an unescaped quote
             {1, "text 100.0 200.5 \"a\\\"B\""},         // another text
             {1, "text 100 200.5 \"a\\\"b\""},           // a whole coordinate without .0
             {1, "text 100.0 200.50 \"a\\\"b\""},        // a digit too many
             {1, "text 100.0 2.005e2 \"a\\\"b\""},       // scientific notation
             {1, "text 100.0 200.52 \"a\\\"b\""},        // a value 0.02 away
             {2, "line 0.0 1.25 700.0"},                 // a field missing
             {2, "circle 0.0 1.25 700.0 2.0"},           // another kind
             {3, "circle 700.0 2443.75 30.0 filled"},    // a radius with .0
             {3, "circle 700.0 2443.75 30 outline"}}) {  // another fill
        EXPECT_THAT(testing::CompareOps(withLine(line, wrong), expected), ::testing::SizeIs(1))
            << wrong;
    }
    // The expected recording is held to the same form.
    EXPECT_THAT(testing::CompareOps(expected, withLine(3, "circle 700.0 2443.75 30.0 filled")),
                ::testing::SizeIs(1));
}

TEST(Print, TabPastTheStartOfItsColumnGoesToTheNextLine) {
    // Column 80 spans x = 7900 up to 8000: from its start or left of it the tab stays on the
    // line; from inside it past its start, or from column 81 on, it never draws over text.
    for (const auto& [startX, y] : std::vector<std::pair<double, const char*>>{
             {0, "0.0"}, {7900, "0.0"}, {7901, "200.0"}, {7999, "200.0"}, {8050, "200.0"}}) {
        std::ostringstream out;
        const FixedMetrics metrics;
        RecordingSurface surface(out, metrics);
        surface.SetCurrentX(startX);
        surface.Print({PrintItem::Tab(80), PrintItem::Text("28", false)});
        EXPECT_EQ(out.str(), "text 7900.0 " + std::string(y) + " \"28\"\n") << "from " << startX;
    }
}

// A text of megabytes (one line of a table) is drawn as its first 8 KB, never cutting a
// character: measuring and drawing it whole took seconds and gigabytes for nothing the page
// shows; what follows it on the line is placed by the part drawn.
TEST(Print, AnAbsurdlyLongTextIsDrawnAsItsFirstEightKilobytes) {
    std::ostringstream out;
    const FixedMetrics metrics;
    RecordingSurface surface(out, metrics);
    std::string huge = "x";
    for (int i = 0; i < 1 << 20; ++i)
        huge += "\u00e8";  // two bytes each: byte 8192 is the second of one
    surface.Print({PrintItem::Text(huge), PrintItem::Text("28", false)});
    const std::string drawn = "x" + std::string(huge, 1, 8190);
    EXPECT_EQ(out.str(), "text 0.0 0.0 " + JsonString(drawn) + "\ntext " +
                             FormatCoordinate(4096 * 100) + " 0.0 \"28\"\n");
}

// What reaches a page's right edge is ink: the blanks that end a text (a typed number's, a
// name's no-break padding) put none there, and a text or dot that begins at or below the page's
// bottom, which cuts it off whole, is not on the page at all.
TEST(Print, TheRightmostInkLeavesOutEndBlanksAndWhatLiesBelowThePage) {
    std::ostringstream out;
    const FixedMetrics metrics;
    RecordingSurface surface(out, metrics);
    surface.SetPageBottom(400);
    surface.Print({PrintItem::Text("ab   ", false)});
    EXPECT_EQ(surface.Rightmost(), 200);
    surface.Print({PrintItem::Text("abc\u00a0 \u00a0", false)});
    EXPECT_EQ(surface.Rightmost(), 300);
    surface.Print({PrintItem::Text(std::string(50, 'x'), false)});  // top on the bottom edge
    surface.Circle(5000, 460, 50);
    EXPECT_EQ(surface.Rightmost(), 300);
    surface.Circle(5000, 420, 50);  // begins above the edge
    EXPECT_EQ(surface.Rightmost(), 5050);
    EXPECT_EQ(surface.Lowest(), 600);
}

std::string Op(const std::string& kind, std::initializer_list<double> numbers,
               const std::string& tail = "") {
    std::string op = kind;
    for (const double number : numbers)
        op += ' ' + FormatCoordinate(number);
    return op + tail + '\n';
}
std::string Text(double x, double y, const std::string& text) {
    return Op("text", {x, y}, ' ' + JsonString(text));
}
std::string Axis() { return Op("line", {700, 1600, 700, 7200}); }
std::string YearMark(double y, const std::string& year) {
    return Text(100, y - 100, " " + year + " ") + Op("line", {650, y, 750, y});
}
std::string Row(double centre, const std::string& date, int cls, const std::string& name,
                const std::string& grade) {
    const double y = centre - 100;
    return Text(3500, y, date) + Text(4300, y, " " + std::to_string(cls) + " ") +
           Text(4600, y, " ") + Text(4700, y, name) + Text(7900, y, grade);
}
// The leader from the date on the axis to the row, the filled dot, then the row.
std::string Exam(double dateY, double rowY, const std::string& date, int cls,
                 const std::string& name, const std::string& grade) {
    return Op("line", {700, dateY, 3360, rowY}) + Op("circle", {700, dateY}, " 30 filled") +
           Row(rowY, date, cls, name, grade);
}
std::string Averages(const std::string& v30, const std::string& v110) {
    return Text(6200, 1200, v30) + Text(8000, 1200, v110);
}
const std::string kAnalisi = "Analisi Matematica";

// Enrolled since 1996/97, still enrolled, last academic year 97. Exam records: code, grade,
// yymmdd.
Student Enrolled(const std::vector<std::string>& exams) {
    return Student{
        .MatrText = "5193",
        .fields = {"", "2", "7403", "20100", "MI", "9697", "02", "9394", "60", "000000", "", ""},
        .ExamRecs = std::vector<ExamRecord>(exams.begin(), exams.end()),
        .YearRecs = {ParseYearRecord("AA97")}};
}

CardInput Input(const Student& student, year_month_day today = 2025y / October / 20) {
    static const CodeTable titles = BuildCodeTable(
        {"T 01 Istituto Tecnico", "T 02 Maturit\xE0 Scientifica"}, kTitleTableLayout);
    static const CodeTable exams = BuildCodeTable(
        {"A1 AB01 Analisi Matematica", "00 NC00 Non Codificato", "E3 MD01 Statistica (MOD. 1)",
         "A1 LG01 Laboratorio di Programmazione e Calcolo Numerico"},
        kExamTableLayout);
    return {student, titles, exams, today, "."};
}

std::string Render(const Student& student, year_month_day today = 2025y / October / 20) {
    std::ostringstream out;
    const FixedMetrics metrics;
    RecordingSurface surface(out, metrics);
    RenderCard(surface, Input(student, today));
    return out.str();
}

// Expects the chart, the rows and the averages: everything from the first op that is not a
// header text (all above y = 1600) on, numbers within 0.01.
void ExpectAfterHeader(const std::string& ops, const std::string& expected) {
    std::size_t at = 0;
    for (double y = 0;
         at < ops.size() && std::sscanf(&ops[at], "text %*f %lf", &y) == 1 && y < 1600;)
        at = ops.find('\n', at) + 1;
    EXPECT_THAT(testing::CompareOps(ops.substr(at), expected), ::testing::IsEmpty());
}

TEST(RenderCard, EnrolledChartEndsAtTheExpectedEnd) {
    // Last year 97, fewer than 16 exams: ChartEnd 31 May 98, before today. From 1 Nov 96: 31
    // Dec 96 60 days -> 2183.33, 31 Dec 97 425 -> 5731.94, 15 Jan 98 440 -> 5877.78, 31 May 98
    // 576 = ChartDays: y = 1600 + 5600 * days / 576.
    const std::string chart = Axis() + YearMark(2183.33, "1997") + YearMark(5731.94, "1998");
    // Two exams on one day share a dot; their rows go one line apart.
    ExpectAfterHeader(Render(Enrolled({"AB0128980115", "NC0020980115"})),
                      chart + Exam(5877.78, 5777.78, "15/01/98", 1, kAnalisi, "28") +
                          Exam(5877.78, 5977.78, "15/01/98", 0, "*NC00", "20") +
                          Averages("24.", "88.00"));
    // Day 00 is no date: day count 0, at ChartTop. A module of grade 00 alone: nothing weighs.
    ExpectAfterHeader(Render(Enrolled({"MD0100980100"})),
                      chart + Exam(1600, 1600, "00/01/98", 3, "Statistica (MOD. 1)", "00") +
                          Averages(".", ".00"));
    // (A card without exams, its axis and year marks and no rows, is in the worked example.)
}

TEST(RenderCard, EnrolledChartEndsTodayAndExamsOutsideItAreNotClamped) {
    Student s = Enrolled({"AB0126981021", "AB0130000524"});
    s.fields.EnrolYear = "9899";
    s.YearRecs = {ParseYearRecord("AA99")};
    // Expected end 31 May 00; today, 14 May 00, is earlier. From 1 Nov 98: 31 Dec 98 60 days,
    // 31 Dec 99 425, 14 May 00 560 (leap): 10 twips a day. The exam of 21 Oct 98, before the
    // enrolment, is -11 days, above the axis; the one of 24 May 00 (570) is below it. The
    // first row's top may not rise above the header's last line (1400): centred at 1500.
    ExpectAfterHeader(Render(s, 2000y / May / 14),
                      Axis() + YearMark(2200, "1999") + YearMark(5850, "2000") +
                          Exam(1490, 1500, "21/10/98", 1, kAnalisi, "26") +
                          Exam(7300, 7300, "24/05/00", 1, kAnalisi, "30") +
                          Averages("28.", "102.67"));
}

TEST(RenderCard, ChartOfNoDaysWithoutRealEndsOrEndingBeforeItsStartStillListsTheRows) {
    const std::vector<std::string> exams = {"AB0128960210", "AB0127970101"};
    // Graduated on 1 Nov 95, the day the chart starts: no days, no year marks; both dates at
    // ChartTop. Spread to 1500 and 1700 the first row would cover the degree line, which ends
    // at ChartTop: the pair moves down to 1700 and 1900.
    Student noDays = Enrolled(exams);
    noDays.fields.EnrolYear = "9596";
    noDays.fields.DegreeDate = "951101";
    ExpectAfterHeader(Render(noDays), Axis() + Exam(1600, 1700, "10/02/96", 1, kAnalisi, "28") +
                                          Exam(1600, 1900, "01/01/97", 1, kAnalisi, "27") +
                                          Averages("27.5", "100.83"));
    // An enrolment or graduation date that is no date: no axis, marks, leaders or dots; row i
    // centred at 1600 + (i - 0.5) * 200.
    Student badEnrolment = Enrolled(exams);
    badEnrolment.fields.EnrolYear = "XX97";
    Student badGraduation = Enrolled(exams);
    badGraduation.fields.DegreeDate = "971340";
    // Without a chart nothing is drawn between the header and the rows: a graduate's first row
    // lies one line below the degree line and further right, yet its text is a line of its own.
    for (const Student& s : {badEnrolment, badGraduation}) {
        ExpectAfterHeader(Render(s), Row(1700, "10/02/96", 1, kAnalisi, "28") +
                                         Row(1900, "01/01/97", 1, kAnalisi, "27") +
                                         Averages("27.5", "100.83"));
        const std::string text = CardText(Input(s), FixedMetrics());
        EXPECT_THAT(text, ::testing::EndsWith("\n10/02/96 1 " + kAnalisi + "\t28\n01/01/97 1 " +
                                              kAnalisi + "\t27\n"));
        // The averages, drawn last, follow their labels.
        EXPECT_THAT(text, ::testing::HasSubstr("\tN.Esa.: 2\t<V_30>: 27.5\t<V_110>: 100.83\n"));
    }
    // A name too long for its column takes two lines, its grade on the second: the next row
    // is listed below both.
    Student longName = Enrolled({"LG0128960210", "AB0127970101"});
    longName.fields.EnrolYear = "XX97";
    EXPECT_NE(Render(longName).find("text 3500.0 2000.0 \"01/01/97\""), std::string::npos);
    EXPECT_THAT(CardText(Input(longName), FixedMetrics()),
                ::testing::HasSubstr("\n10/02/96 1 Laboratorio di Programmazione e Calcolo "
                                     "Numerico\t28\n01/01/97 1 "));
    // Enrolled 2005/06 with no year records: the expected end is 31 May 01, before the start.
    // Every date maps to ChartTop; the rows spread about it (1300 ... 1900) and move down to
    // the header's last line, 1400. No year marks: the end's year lies before the start's.
    Student early = Enrolled({"AB0128060210", "AB0127060601", "AB0126070101"});
    early.fields.EnrolYear = "0506";
    early.YearRecs = {};
    ExpectAfterHeader(Render(early), Axis() + Exam(1600, 1500, "10/02/06", 1, kAnalisi, "28") +
                                         Exam(1600, 1700, "01/06/06", 1, kAnalisi, "27") +
                                         Exam(1600, 1900, "01/01/07", 1, kAnalisi, "26") +
                                         Averages("27.", "99.00"));
}

// A tab or a line end held in a field shows as a blank in the card's text, whose own tabs and
// line ends separate its fields and lines.
TEST(CardText, ControlCharactersOfTheDataAreBlanks) {
    Student s = Enrolled({});
    s.fields.Province = "M\n";
    s.fields.DiplomaGrade = "6\t0";
    EXPECT_THAT(CardText(Input(s), FixedMetrics()),
                ::testing::StartsWith("Matr.: 5193\tN.: xx/03/74\tCAP: 20100\tProv.: M\tSesso: "
                                      "F\nA.S. Dip.: 93/94\tV.Mat.: 6 0\tDip.: "));
}

TEST(ChartEndDate, ExpectedEndOrToday) {
    // Year records, how many exams, the day the card is drawn, the end.
    for (const auto& [yearRecs, numExams, today, end] : std::vector<
             std::tuple<std::vector<std::string>, std::size_t, year_month_day, year_month_day>>{
             {{"AA95", "AA97"}, 15, 2025y / 10 / 20, 1998y / 5 / 31},
             {{"AA97"}, 16, 2025y / 10 / 20, 1999y / 5 / 31},
             {{"AA99"}, 15, 2025y / 10 / 20, 2000y / 5 / 31},
             {{}, 3, 2025y / 10 / 20, 2001y / 5 / 31},  // no year records: year 0
             {{}, 16, 2025y / 10 / 20, 2002y / 5 / 31},
             // A year read as -9: its end, -8, is taken within the century.
             {{"AA-9"}, 3, 2025y / 10 / 20, 1992y / 5 / 31},
             // Today, when the expected end is not yet past.
             {{"AA25"}, 3, 2025y / 10 / 20, 2025y / 10 / 20},
             {{"AA25"}, 3, 2026y / 5 / 31, 2026y / 5 / 31},
             // A career that runs into 2030 ends there, not in 1930.
             {{"AA28"}, 16, 2028y / 12 / 1, 2028y / 12 / 1},
             {{"AA29"}, 3, 2030y / 6 / 1, 2030y / 5 / 31},
             {{"AA29"}, 16, 2032y / 1 / 1, 2031y / 5 / 31},
             // Only those: 30 is 1930 as every two-digit year 30-99.
             {{"AA30"}, 3, 2032y / 1 / 1, 1931y / 5 / 31}}) {
        Student s = Enrolled({});
        s.ExamRecs.resize(numExams);
        s.YearRecs = std::vector<YearRecord>(yearRecs.begin(), yearRecs.end());
        EXPECT_EQ(ChartEndDate(s, HeaderResult{}, today), sys_days{end})
            << yearRecs.size() << " years, " << numExams << " exams";
    }
}

// "Matr.: " at column 5 (x = 400) ends at 1100. A 13-character number ends at 2400, the start
// of column 25: "N.: " stays on the line. Fourteen end in column 26: "N.: " and every later
// line (the averages' line, the chart) move down one line.
TEST(RenderCard, LongMatrTextPushesTheHeaderOntoAnExtraLine) {
    for (const auto& [matr, y] : std::vector<std::pair<std::string, double>>{
             {"1234567890123", 800}, {"12345678901234", 1000}}) {
        Student s = Enrolled({});
        s.MatrText = matr;
        const std::string ops = Render(s);
        for (const std::string& op :
             {Text(2400, y, "N.: "), Text(400, y + 200, "A.S. Dip.: "), Text(6200, y + 400, "."),
              Text(8000, y + 400, ".00"), Op("line", {700, y + 800, 700, y + 6400})})
            EXPECT_NE(ops.find(op), std::string::npos) << matr << ": " << op;
    }
}

}  // namespace
}  // namespace velmaro
