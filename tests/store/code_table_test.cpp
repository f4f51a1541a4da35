#include "store/code_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using ::testing::ElementsAre;

const std::vector<std::string> kExamLines = {"A1 MAT1 Analisi I  ", "MR FIS1   Fisica",
                                             "00 CHI1 Maturit\xE0"};
const std::vector<std::string> kTitleLines = {"1 SC Liceo ", "2 CL Classico", "3 IT Maturit\xE0"};

TEST(CodeTable, EveryLineEndingAndAMissingLastEndingReadEachLineOnce) {
    for (const std::string ending : {"\r\n", "\r", "\n"}) {
        for (const bool endLast : {true, false}) {
            SCOPED_TRACE(testing::Message() << ending.size() << ending.front() << endLast);
            const testdata::TempDataDir dir;
            dir.Write("esami.grp", testdata::Lines(kExamLines, ending, endLast));
            dir.Write("titoli.grp", testdata::Lines(kTitleLines, ending, endLast));
            const auto exams = LoadExamTable(dir.DataDir());
            const auto titles = LoadTitleGroups(dir.DataDir());
            ASSERT_TRUE(exams.ok() && titles.ok());
            EXPECT_EQ(exams->Codes, "*MAT1*FIS1*CHI1");
            EXPECT_EQ(exams->Count, 3);
            EXPECT_THAT(exams->Names, ElementsAre("", "Analisi I", "Fisica", "Maturit\xC3\xA0"));
            EXPECT_THAT(exams->Groups, ElementsAre("", "A1", "MR", "00"));
            EXPECT_EQ(titles->Codes, "*SC*CL*IT");
            EXPECT_THAT(titles->Names, ElementsAre("", "Liceo", "Classico", "Maturit\xC3\xA0"));
        }
    }
}

TEST(CodeTable, ShortLastLineMakesTheCountFractionalAndTheTopEntryEmpty) {
    std::vector<std::string> lines(9, "A1 E000 Esame");
    lines.push_back("B2 XYZ");  // "*XYZ" adds 4 characters: 49 / 5
    const CodeTable exams = BuildCodeTable(lines, kExamTableLayout);
    EXPECT_DOUBLE_EQ(exams.Count, 9.8);
    ASSERT_EQ(exams.Names.size(), 11u);
    EXPECT_EQ(exams.Names[9], "Esame");
    EXPECT_EQ(exams.Names[10], "");
    EXPECT_EQ(exams.GroupAt(exams.EntryOf("XYZ")), "");

    const CodeTable titles = BuildCodeTable(
        {"1 AA Uno", "2 BB Due", "3 CC Tre", "4 DD Quattro", "5 E"}, kTitleTableLayout);
    EXPECT_DOUBLE_EQ(titles.Count, 14.0 / 3.0);
    EXPECT_THAT(titles.Names, ElementsAre("", "Uno", "Due", "Tre", "Quattro", ""));
}

TEST(CodeTable, EmptyFileGivesAnEmptyTableWhoseLookupsAreEmpty) {
    const testdata::TempDataDir dir;
    dir.Write("esami.grp", "");
    const auto table = LoadExamTable(dir.DataDir());
    ASSERT_TRUE(table.ok());
    EXPECT_EQ(table->Count, 0);
    EXPECT_THAT(table->Names, ElementsAre(""));
    EXPECT_EQ(table->NameAt(table->EntryOf("MAT1")), "");
    EXPECT_EQ(table->GroupAt(table->EntryOf("MAT1")), "");
}

TEST(CodeTable, LookupFindsExactCodesAndFallsBackToTheFirstEntry) {
    const CodeTable exams = BuildCodeTable(kExamLines, kExamTableLayout);
    const struct {
        const char* code;
        double entry;
        const char* name;
    } cases[] = {{"MAT1", 1, "Analisi I"},
                 {"FIS1", 2, "Fisica"},
                 {"CHI1", 3, "Maturit\xC3\xA0"},
                 {"XXXX", 0.8, "Analisi I"},
                 {"fis1", 0.8, "Analisi I"}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(exams.EntryOf(c.code), c.entry) << c.code;
        EXPECT_EQ(exams.NameAt(exams.EntryOf(c.code)), c.name) << c.code;
    }
    const CodeTable titles = BuildCodeTable(kTitleLines, kTitleTableLayout);
    EXPECT_DOUBLE_EQ(titles.EntryOf("ZZ"), 2.0 / 3.0);
    EXPECT_EQ(titles.NameAt(titles.EntryOf("ZZ")), "Liceo");
    EXPECT_EQ(titles.NameAt(titles.EntryOf("cl")), "Liceo");
}

TEST(CodeTable, EntriesOutsideTheTableAreEmpty) {
    const CodeTable table = BuildCodeTable(kExamLines, kExamTableLayout);
    for (const double entry : {0.0, 0.4, -1.0, 3.6, 1e12, std::nan("")}) {
        EXPECT_EQ(table.NameAt(entry), "") << entry;
        EXPECT_EQ(table.GroupAt(entry), "") << entry;
    }
    EXPECT_EQ(table.GroupAt(2.5), "MR");  // half to even
}

}  // namespace
}  // namespace velmaro
