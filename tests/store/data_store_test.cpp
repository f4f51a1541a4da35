#include "store/data_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using testdata::Slot;
using testdata::TempDataDir;

// The two tables and a registry of ten students with keys 100, 200, ... 1000, plus extra bytes.
void WriteTablesAndRegistry(const TempDataDir& dir, const std::string& registryExtra = "") {
    dir.Write("titoli.grp", "1 SC Liceo scientifico\r\n");
    dir.Write("esami.grp", "A1 MAT1 Analisi\r\n");
    std::string registry;
    for (int n = 1; n <= 10; ++n)
        registry += Slot(testdata::RegistryText(100 * n), 62);
    dir.Write("elenco.dir", registry + registryExtra);
}

TEST(DataStore, RegistryCountRoundsHalfToEvenAndTheLastRecordGivesTheKey) {
    // The bytes after the tenth slot are the start of a slot whose text begins "05193".
    const std::string partial = Slot(testdata::RegistryText(5193), kRegistrySlotSize);
    const struct {
        std::size_t bytes;
        std::int32_t count, lastKey;
    } cases[] = {{620, 10, 1000}, {651, 10, 1000}, {652, 11, 5193}};
    for (const auto& c : cases) {
        const TempDataDir dir;
        WriteTablesAndRegistry(dir, partial.substr(0, c.bytes - 620));
        const auto store = DataStore::LoadTables(dir.DataDir());
        ASSERT_TRUE(store.ok()) << store.error().Message();
        EXPECT_EQ(store->RegistryCount(), c.count) << c.bytes;
        EXPECT_EQ(store->LastRegistryKey(), c.lastKey) << c.bytes;
    }
}

TEST(DataStore, StartupErrorsNameTheFile) {
    using Spoil = std::function<void(const TempDataDir&, const std::string&)>;
    const Spoil remove = [](const auto& d, const auto& n) { std::filesystem::remove(d.PathOf(n)); };
    const Spoil folder = [](const auto& d, const auto& n) {
        std::filesystem::remove(d.PathOf(n));
        std::filesystem::create_directory(d.PathOf(n));
    };
    const Spoil empty = [](const auto& d, const auto& n) { d.Write(n, ""); };
    const Spoil halfRecord = [](const auto& d, const auto& n) { d.Write(n, std::string(31, '0')); };
    const std::pair<const char*, Spoil> cases[] = {
        {"titoli.grp", remove}, {"esami.grp", remove},      {"elenco.dir", remove},
        {"elenco.dir", empty},  {"elenco.dir", halfRecord}, {"titoli.grp", folder},
        {"esami.grp", folder},  {"elenco.dir", folder},     {"esami.dir", folder},
        {"velmara.dir", folder}};
    for (const auto& [name, spoil] : cases) {
        const TempDataDir dir;
        WriteTablesAndRegistry(dir);
        spoil(dir, name);
        const auto store = DataStore::LoadTables(dir.DataDir());
        ASSERT_FALSE(store.ok()) << name;
        EXPECT_EQ(store.error().file, dir.PathOf(name));
        EXPECT_THAT(store.error().Message(), ::testing::StartsWith(dir.PathOf(name) + ": "));
    }
}

TEST(DataStore, MissingExamAndYearFilesReadAsEmptyAndAreNotCreated) {
    const TempDataDir dir;
    WriteTablesAndRegistry(dir);
    const auto store = DataStore::LoadTables(dir.DataDir());
    ASSERT_TRUE(store.ok()) << store.error().Message();
    EXPECT_EQ(*store->ExamFile().Length(), 0);
    EXPECT_EQ(*store->YearFile().ReadRecord(1), "");
    EXPECT_FALSE(std::filesystem::exists(dir.PathOf("esami.dir")));
    EXPECT_FALSE(std::filesystem::exists(dir.PathOf("velmara.dir")));
}

TEST(DataStore, RecordKeyIsTheNumberInTheFirstFiveCharacters) {
    EXPECT_EQ(RecordKey("05193178052"), 5193);
    EXPECT_EQ(RecordKey("  12x99999"), 12);
    EXPECT_EQ(RecordKey("ABCDE5"), 0);
    EXPECT_EQ(RecordKey("9E999"), 0);  // not representable: compares as a non-number
}

}  // namespace
}  // namespace velmaro
