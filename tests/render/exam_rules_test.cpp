// The exam rows' rules: class of a group code, how a grade is shown and weighed, and how the
// two averages are formatted.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/average_format.h"
#include "render/classify_exam.h"
#include "render/exam_list.h"

namespace velmaro {
namespace {

// Group code, blank, exam code, blank, name (blanks at both ends of the name are dropped).
const CodeTable& ExamTable() {
    static const CodeTable table = BuildCodeTable(
        {"A1 AB01 Analisi Matematica", "00 NC00 Non Codificato", "E3 MD01   Statistica (MOD. 1) ",
         "LX LM01 Economia (mod)", "EB EB01 Economia Bancaria"},
        kExamTableLayout);
    return table;
}

// An exam record element: "0000", the code, the grade and the date yymmdd.
ExamRow Row(const std::string& code, const std::string& grade) {
    return ReadExamRow("0000" + code + grade + "980625", ExamTable());
}

TEST(ClassOfGroup, EveryNamedCodeAndTheOthers) {
    const std::vector<std::pair<int, std::vector<std::string>>> classes = {
        {0, {"00"}},
        {1, {"A1", "F1", "E1", "G1", "LL", "LX", "L1", "L", "L "}},
        {2, {"A2", "F2", "E2", "MR", "CH", "EB", "MS"}},
        {3, {"IT", "MM", "E3", "SM"}},
        // Small letters, blanks, one-character codes other than "L", anything unlisted.
        {4, {"CF", "", "a1", "ll", "eb", "0", "A", " 0", "0 ", "000", "E4", "EBX", " L"}},
    };
    for (const auto& [examClass, groups] : classes) {
        for (const std::string& group : groups)
            EXPECT_EQ(ClassOfGroup(group), examClass) << '"' << group << '"';
    }
}

TEST(ClassifyExam, RoundsTheEntryHalfToEvenAndGivesFourOutsideTheTable) {
    // 0.8 is what an absent code gives: (0 - 1) / 5 + 1; it selects entry 1. 2.5 is entry 2.
    const std::vector<std::pair<double, int>> cases = {{1, 1},   {2, 0},   {3, 3}, {4, 1},  {5, 2},
                                                       {0.8, 1}, {2.5, 0}, {6, 4}, {0.4, 4}};
    for (const auto& [entry, examClass] : cases)
        EXPECT_EQ(ClassifyExam(ExamTable(), entry), examClass) << "entry " << entry;
}

TEST(ReadExamRow, DateClassAndTitle) {
    const ExamRow known = Row("AB01", "28");
    EXPECT_EQ(known.dateText, "25/06/98");
    EXPECT_EQ(known.examClass, 1);
    EXPECT_EQ(known.title, "Analisi Matematica");
    // Not in the table: entry 1's class and name. Class 0 shows the key instead of a name.
    EXPECT_EQ(Row("ZZ99", "28").title, "Analisi Matematica");
    EXPECT_EQ(Row("NC00", "28").title, "*NC00");
    EXPECT_EQ(Row("MD01", "28").title, "Statistica (MOD. 1)");
    // A record cut after the first grade character: the date keeps its two "/".
    const ExamRow cut = ReadExamRow("0000AB013", ExamTable());
    EXPECT_EQ(cut.dateText, "//");
    EXPECT_EQ(cut.gradeText, "3");
}

TEST(ReadExamRow, GradeShownValueAndWeight) {
    struct Case {
        std::string code, grade, shown;
        double value, weight;
    };
    for (const Case& c : std::vector<Case>{
             {"AB01", "28", "28", 28, 1},
             {"AB01", "18", "18", 18, 1},
             {"AB01", "31", "30 e lode", 30, 1},
             {"AB01", "17", "17", 17, 0},
             {"AB01", "00", "00", 0, 0},
             // Above "31" as text: a pass without a grade.
             {"AB01", "32", "idoneo", 32, 0},
             {"AB01", "ID", "idoneo", 0, 0},
             {"AB01", "4 ", "idoneo", 4, 0},
             {"AB01", "3 ", "3 ", 3, 0},  // a blank sorts before "1"
             // A module weighs 0.5 whatever its grade; the marker in small letters is none.
             {"MD01", "00", "00", 0, 0.5},
             {"MD01", "ID", "idoneo", 0, 0.5},
             {"MD01", "31", "30 e lode", 30, 0.5},
             {"LM01", "28", "28", 28, 1},
             {"LM01", "00", "00", 0, 0}}) {
        const ExamRow row = Row(c.code, c.grade);
        EXPECT_EQ(row.gradeText, c.shown) << c.code << ' ' << c.grade;
        EXPECT_EQ(row.gradeValue, c.value) << c.code << ' ' << c.grade;
        EXPECT_EQ(row.weight, c.weight) << c.code << ' ' << c.grade;
    }
}

TEST(GradeAverage, ModulesWithoutAGradeCountAsZero) {
    GradeAverage onlyModules;
    onlyModules.Add(Row("MD01", "00"));
    onlyModules.Add(Row("MD01", "ID"));
    EXPECT_EQ(onlyModules.Average30(), 0);
    EXPECT_EQ(onlyModules.Average110(), 0);
    // 28 / (1 + 0.5) = 18.666...; / 30 * 110 = 68.444...
    GradeAverage lowered;
    lowered.Add(Row("AB01", "28"));
    lowered.Add(Row("MD01", "00"));
    EXPECT_EQ(FormatTwoOptionalDecimals(lowered.Average30(), "."), "18.67");
    EXPECT_EQ(FormatTwoDecimals(lowered.Average110(), "."), "68.44");
}

TEST(AverageFormats, RoundHalvesAwayFromZeroAndAlwaysShowTheSeparator) {
    struct Case {
        double value;
        const char *separator, *optionalDecimals, *twoDecimals;  // "##.##", "###.00"
    };
    for (const Case& c : std::vector<Case>{{29.2, ".", "29.2", "29.20"},
                                           {27, ".", "27.", "27.00"},
                                           {0.5, ".", ".5", ".50"},
                                           {0, ".", ".", ".00"},
                                           {29.2 / 30 * 110, ".", "107.07", "107.07"},
                                           {99, ".", "99.", "99.00"},
                                           {0.125, ".", ".13", ".13"},
                                           {9.995, ".", "10.", "10.00"},
                                           {29.2, ",", "29,2", "29,20"},
                                           {0, ",", ",", ",00"}}) {
        EXPECT_EQ(FormatTwoOptionalDecimals(c.value, c.separator), c.optionalDecimals) << c.value;
        EXPECT_EQ(FormatTwoDecimals(c.value, c.separator), c.twoDecimals) << c.value;
    }
}

}  // namespace
}  // namespace velmaro
