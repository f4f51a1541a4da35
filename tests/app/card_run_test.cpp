// Drawing the cards of several numbers: what reaches the sink and standard error, and the
// exit status, including the failures that cannot be staged from outside the program.

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "app/card_run.h"
#include "render/text_metrics.h"

namespace velmaro {
namespace {

using std::chrono::year;

// Counts what it is asked to do; fails every drawing when told to.
class CountingSink final : public CardSink {
  public:
    explicit CountingSink(bool failDrawing) : failDrawing_(failDrawing) {}
    void BeginCard(std::string_view) override { ++begun; }
    void NotFound() override { ++notFound; }
    Status DrawCard(const CardInput&) override {
        ++drawn;
        if (failDrawing_) return Error{"out.pdf", "disk full"};
        return Ok();
    }
    Status Finish() override {
        ++finished;
        return Ok();
    }

    int begun = 0, notFound = 0, drawn = 0, finished = 0;

  private:
    bool failDrawing_;
};

class CardRun : public ::testing::Test {
  protected:
    void SetUp() override {
        auto store = DataStore::LoadTables(DataDirOf(VELMARO_EXAMPLES_DIR "/data"));
        ASSERT_TRUE(store.ok()) << store.error().Message();
        store_.emplace(std::move(*store));
    }

    int Draw(const std::vector<std::string>& numbers, CardSink& sink) {
        return DrawCards(numbers, *store_, sink, year{2025} / 10 / 20, ".", errors_);
    }

    std::optional<DataStore> store_;
    std::ostringstream errors_;
};

TEST_F(CardRun, StatusIsOneWhenSomeNumberIsNotFound) {
    CountingSink sink(false);
    EXPECT_EQ(Draw({"268", "99999", "460", ""}, sink), kCardsSomeNotFound);
    EXPECT_EQ(sink.begun, 4);
    EXPECT_EQ(sink.drawn, 2);
    EXPECT_EQ(sink.notFound, 2);
    EXPECT_EQ(sink.finished, 1);
    EXPECT_EQ(errors_.str(), "Matricola NON Trovata: 99999\nMatricola NON Trovata: \n");
}

TEST_F(CardRun, StatusIsZeroWhenEveryCardIsDrawn) {
    CountingSink sink(false);
    EXPECT_EQ(Draw({"268", "843 "}, sink), kCardsAllDrawn);
    EXPECT_EQ(sink.drawn, 2);
    EXPECT_TRUE(errors_.str().empty());
}

TEST_F(CardRun, ReadErrorSkipsTheCardReportsTheFileAndFails) {
    // Closed record files fail every read, as a file that vanished during the run would.
    store_->CloseFiles();
    std::ostringstream recording;
    const FixedMetrics metrics;
    const auto sink = MakeOpsSink(recording, "standard output", metrics);
    EXPECT_EQ(Draw({"268", "460"}, *sink), kCardsFailed);
    // No card is drawn for either number; each gets one line naming a file.
    EXPECT_EQ(recording.str(), "card \"268\"\ncard \"460\"\n");
    std::istringstream lines(errors_.str());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_EQ(line.rfind("velmaro: ", 0), 0u) << line;
        EXPECT_NE(line.find(".dir"), std::string::npos) << line;
    }
    EXPECT_EQ(count, 2);
}

TEST_F(CardRun, OutputThatCannotBeWrittenStopsAtOnce) {
    CountingSink sink(true);
    EXPECT_EQ(Draw({"268", "460", "99999"}, sink), kCardsFailed);
    EXPECT_EQ(sink.drawn, 1);
    EXPECT_EQ(sink.begun, 1);
    EXPECT_EQ(errors_.str(), "velmaro: out.pdf: disk full\n");
}

TEST_F(CardRun, OpsSinkWritesTheCardLineThenTheCardOrNotFound) {
    std::ostringstream recording;
    const FixedMetrics metrics;
    const auto sink = MakeOpsSink(recording, "standard output", metrics);
    EXPECT_EQ(Draw({"ab\"c", "268"}, *sink), kCardsSomeNotFound);
    const std::string text = recording.str();
    EXPECT_EQ(
        text.rfind("card \"ab\\\"c\"\nnotfound\ncard \"268\"\ntext 400.0 800.0 \"Matr.: \"\n", 0),
        0u)
        << text.substr(0, 200);
}

}  // namespace
}  // namespace velmaro
