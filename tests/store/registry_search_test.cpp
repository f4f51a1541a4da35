#include "store/registry_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "store/data_store.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// Registries of count records with keys 3, 7, 11, ... (absent keys on both sides of each);
// every third record carries trailing blanks, which the search hands back untouched.
class RegistrySearch : public ::testing::TestWithParam<int> {};

TEST_P(RegistrySearch, FindsEveryKeyOnFileAndNoOtherWithinTheReadBound) {
    const int count = GetParam();
    const auto keyOf = [](int record) { return 4 * record - 1; };
    std::vector<std::string> texts;
    for (int n = 1; n <= count; ++n) {
        texts.push_back(testdata::RegistryText(keyOf(n), 2, 1, n, n) + (n % 3 ? "" : "  "));
    }
    const testdata::TempDataDir dir;
    dir.Write("elenco.dir", testdata::Slots(texts, kRegistrySlotSize));
    const auto registry =
        RecordFile::Open(dir.PathOf("elenco.dir"), kRegistrySlotSize, RecordFile::IfMissing::kFail);
    ASSERT_TRUE(registry.ok());
    // Each probe halves the open range 1 ... count, rounding up, and the last probe reads the one
    // record left: at most ceil(log2(count)) + 1 reads, never more than floor(log2(count)) + 2.
    const int bound = static_cast<int>(std::ceil(std::log2(count))) + 1;

    const auto search = [&](std::int32_t key) {
        const auto before = registry->ReadRequests();
        const auto outcome = SearchRegistry(*registry, count, keyOf(count), key);
        EXPECT_TRUE(outcome.ok());
        EXPECT_LE(outcome->recordsRead, bound) << "key " << key;
        // One request per record read: nothing else is read.
        EXPECT_EQ(registry->ReadRequests() - before, std::uint64_t(outcome->recordsRead));
        return *outcome;
    };
    for (int n = 1; n <= count; ++n) {
        ASSERT_EQ(search(keyOf(n)).record, texts[n - 1]) << "record " << n;
        for (const int absent : {keyOf(n) - 2, keyOf(n) - 1, keyOf(n) + 1}) {
            ASSERT_EQ(search(absent).record, "") << "key " << absent;
        }
    }
    for (const std::int32_t outside : {0, -5, kMin, keyOf(count) + 1, kMax}) {
        const SearchOutcome outcome = search(outside);
        EXPECT_EQ(outcome.record, "");
        EXPECT_EQ(outcome.recordsRead, 0) << "key " << outside;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RegistrySearch, ::testing::Values(1, 2, 3, 10, 1000));

}  // namespace
}  // namespace velmaro
