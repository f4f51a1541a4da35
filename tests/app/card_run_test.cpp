// Drawing the cards of several numbers when the output or a record file fails part-way: the
// failures that cannot be staged from outside the program.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "app/card_run.h"
#include "render/text_metrics.h"

namespace velmaro {
namespace {

// Fails every drawing, as a full disk would.
struct FailingSink final : CardSink {
    void BeginCard(std::string_view) override { ++begun; }
    void NotFound() override {}
    Status DrawCard(const CardInput&) override { return Error{"out.pdf", "disk full"}; }
    Status Finish() override { return Ok(); }
    int begun = 0;
};

TEST(DrawCards, ReadOrWriteErrorsFailTheRun) {
    auto store = DataStore::LoadTables(DataDirOf(VELMARO_EXAMPLES_DIR "/data"));
    ASSERT_TRUE(store.ok()) << store.error().Message();
    const auto today = std::chrono::year{2025} / 10 / 20;
    // Output that cannot be written stops the run at its first card.
    FailingSink failing;
    std::ostringstream writeErrors;
    EXPECT_EQ(DrawCards({"268", "460"}, *store, failing, today, ".", writeErrors), kCardsFailed);
    EXPECT_EQ(failing.begun, 1);
    EXPECT_EQ(writeErrors.str(), "velmaro: out.pdf: disk full\n");
    // Closed record files fail every read, as files that vanished during the run would: no card
    // for either number, one line each naming a record file.
    store->CloseFiles();
    std::ostringstream recording, readErrors;
    const FixedMetrics metrics;
    const auto ops = MakeOpsSink(recording, "standard output", metrics);
    EXPECT_EQ(DrawCards({"268", "460"}, *store, *ops, today, ".", readErrors), kCardsFailed);
    EXPECT_EQ(recording.str(), "card \"268\"\ncard \"460\"\n");
    EXPECT_THAT(readErrors.str(), ::testing::MatchesRegex("(velmaro: [^\n]*\\.dir[^\n]*\n){2}"));
}

}  // namespace
}  // namespace velmaro
