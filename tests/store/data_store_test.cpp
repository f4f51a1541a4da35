// Loading the data at start-up: the two code tables, the registry and the record files.

#include "store/data_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <tuple>

#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using testdata::TempDataDir;
using ::testing::ElementsAre;

TEST(CodeTable, EveryLineEndingLoadsTrimmedDecodedNamesAndAnEmptyFileNone) {
    const TempDataDir dir;
    for (const std::string end : {"\r\n", "\r", "\n"}) {
        dir.Write("esami.grp", "A1 MAT1 Analisi I  " + end + "MR FIS1   Fisica" + end +
                                   "00 CHI1 Maturit\xE0");  // the last line without an ending
        dir.Write("titoli.grp", "1 SC Liceo " + end + "3 IT Maturit\xE0" + end);
        const auto exams = LoadExamTable(FolderSource(dir.DataDir()));
        const auto titles = LoadTitleGroups(FolderSource(dir.DataDir()));
        ASSERT_TRUE(exams.ok() && titles.ok()) << end.size() << int(end[0]);
        EXPECT_EQ(exams->codes, "*MAT1*FIS1*CHI1");
        EXPECT_THAT(exams->names, ElementsAre("", "Analisi I", "Fisica", "Maturit\xC3\xA0"));
        EXPECT_THAT(exams->groups, ElementsAre("", "A1", "MR", "00"));
        EXPECT_THAT(titles->names, ElementsAre("", "Liceo", "Maturit\xC3\xA0"));
    }
    dir.Write("esami.grp", "");
    const auto empty = LoadExamTable(FolderSource(dir.DataDir()));
    EXPECT_EQ(empty->count, 0);
    EXPECT_EQ(empty->NameAt(empty->EntryOf("MAT1")), "");
}

TEST(CodeTable, ShortLastLineMakesTheCountFractionalAndTheTopEntryEmpty) {
    const CodeTable titles = BuildCodeTable(
        {"1 AA Uno", "2 BB Due", "3 CC Tre", "4 DD Quattro", "5 E"}, kTitleTableLayout);
    EXPECT_DOUBLE_EQ(titles.count, 14.0 / 3.0);  // "*E" adds 2 characters
    EXPECT_THAT(titles.names, ElementsAre("", "Uno", "Due", "Tre", "Quattro", ""));
}

TEST(CodeTable, LookupFindsExactCodesAndFallsBackToEntryOne) {
    const CodeTable exams =
        BuildCodeTable({"A1 MAT1 Analisi", "MR FIS1 Fisica", "00 CHI1 Chimica"}, kExamTableLayout);
    const std::pair<const char*, double> cases[] = {
        {"MAT1", 1}, {"FIS1", 2}, {"CHI1", 3}, {"XXXX", 0.8}, {"fis1", 0.8}};
    for (const auto& [code, entry] : cases)
        EXPECT_DOUBLE_EQ(exams.EntryOf(code), entry) << code;
    EXPECT_EQ(exams.NameAt(0.8), "Analisi");
    // Lines short of a whole code shift the entries after them; every code of two letters
    // then finds what a search of the index finds, within an entry or across two.
    const CodeTable shifted =
        BuildCodeTable({"1 AA Uno", "2 B", "3 BC Tre", "4 C", "5 AB", "6 CA"}, kTitleTableLayout);
    for (const char first : std::string("ABC*"))
        for (const char second : std::string("ABC*")) {
            const std::string code{first, second};
            const std::size_t found = shifted.codes.find("*" + code);
            const double searched = found == std::string::npos ? 0.0 : found + 1.0;
            EXPECT_DOUBLE_EQ(shifted.EntryOf(code), (searched - 1) / 3 + 1) << code;
        }
    for (const double outside : {0.4, -1.0, 3.6, std::nan("")})
        EXPECT_EQ(exams.NameAt(outside).size() + exams.GroupAt(outside).size(), 0u) << outside;
}

// The two tables and a registry of ten students with keys 100, 200, ... 1000, plus extra bytes.
void WriteTablesAndRegistry(const TempDataDir& dir, const std::string& registryExtra = "") {
    dir.Write("titoli.grp", "1 SC Liceo scientifico\r\n");
    dir.Write("esami.grp", "A1 MAT1 Analisi\r\n");
    std::string registry;
    for (int n = 1; n <= 10; ++n)
        registry += testdata::Slot(testdata::RegistryText(100 * n), kRegistrySlotSize);
    dir.Write("elenco.dir", registry + registryExtra);
}

// The exam and year files are never written here: they read as empty and are not created.
TEST(DataStore, RegistryCountRoundsHalfToEvenAndMissingRecordFilesReadAsEmpty) {
    // The bytes after the tenth slot are the start of a slot whose text begins "05193".
    const std::string partial = testdata::Slot(testdata::RegistryText(5193), kRegistrySlotSize);
    const std::tuple<std::size_t, std::int32_t, std::int32_t> cases[] = {
        {620, 10, 1000}, {651, 10, 1000}, {652, 11, 5193}};  // bytes, count, last key
    for (const auto& [bytes, count, lastKey] : cases) {
        const TempDataDir dir;
        WriteTablesAndRegistry(dir, partial.substr(0, bytes - 620));
        const auto store = DataStore::LoadTables(dir.DataDir());
        ASSERT_TRUE(store.ok()) << store.error().Message();
        EXPECT_EQ(store->RegistryCount(), count) << bytes;
        EXPECT_EQ(store->LastRegistryKey(), lastKey) << bytes;
        EXPECT_EQ(*store->ExamFile().Length(), 0);
        EXPECT_EQ(*store->YearFile().ReadRecord(1), "");
        EXPECT_FALSE(std::filesystem::exists(dir.PathOf("esami.dir")) ||
                     std::filesystem::exists(dir.PathOf("velmara.dir")));
    }
}

TEST(DataStore, StartupErrorsNameTheFile) {
    const std::pair<std::string, std::string> cases[] = {
        // a file, and what replaces it
        {"titoli.grp", "nothing"},
        {"esami.grp", "nothing"},
        {"elenco.dir", "nothing"},
        {"elenco.dir", "empty"},
        {"esami.dir", "a folder"},
        {"velmara.dir", "a folder"},
        // A pipe would make start-up wait for a writer for ever.
        {"esami.grp", "a pipe"},
        {"elenco.dir", "a pipe"},
        {"esami.dir", "a pipe"}};
    for (const auto& [name, replacement] : cases) {
        const TempDataDir dir;
        WriteTablesAndRegistry(dir);
        std::filesystem::remove(dir.PathOf(name));
        if (replacement == "empty") dir.Write(name, "");
        if (replacement == "a folder") std::filesystem::create_directory(dir.PathOf(name));
        if (replacement == "a pipe") {
            ASSERT_EQ(::mkfifo(dir.PathOf(name).c_str(), 0600), 0);
        }
        const auto store = DataStore::LoadTables(dir.DataDir());
        ASSERT_FALSE(store.ok()) << name;
        EXPECT_THAT(store.error().Message(), ::testing::StartsWith(dir.PathOf(name) + ": "));
        if (replacement == "a pipe") {
            EXPECT_THAT(store.error().reason, ::testing::HasSubstr("not a data file"));
        }
    }
}

}  // namespace
}  // namespace velmaro
