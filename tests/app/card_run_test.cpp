// Drawing the cards of several numbers when the output or a record file fails part-way: the
// failures that cannot be staged from outside the program, and the exit status they combine
// into.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QString>

#include <sstream>

#include "app/card_run.h"
#include "render/text_metrics.h"
#include "tests/store/data_files.h"
#include "ui/output_file.h"

namespace velmaro {
namespace {

// Fails every drawing, as a full disk would; with failsAtOnce, the first line it is given.
struct FailingSink final : CardSink {
    Status BeginCard(std::string_view) override {
        ++begun;
        return failsAtOnce ? Status(Error{"out.ops", "disk full"}) : Ok();
    }
    Result<PageFit> DrawCard(const CardInput&) override { return Error{"out.pdf", "disk full"}; }
    Status Finish() override { return Ok(); }
    bool failsAtOnce = false;
    int begun = 0;
};

const auto kToday = std::chrono::year{2025} / 10 / 20;

DataStore SampleStore() {
    auto store = DataStore::LoadTables(DataDirOf(VELMARO_SAMPLE_DIR));
    if (!store) throw std::runtime_error(store.error().Message());
    return std::move(store).value();
}

TEST(DrawCards, OutputThatCannotBeWrittenStopsAtTheFirstCard) {
    DataStore store = SampleStore();
    // A recording fails on the line before any lookup: numbers not found do not go on.
    for (const auto& [atOnce, numbers, file] :
         {std::tuple{false, std::vector<std::string>{"5193", "847"}, "out.pdf"},
          {true, {"99999", "99998"}, "out.ops"}}) {
        FailingSink failing;
        failing.failsAtOnce = atOnce;
        std::ostringstream errors;
        EXPECT_EQ(DrawCards(numbers, store, failing, kToday, ".", errors), kCardsFailed);
        EXPECT_EQ(failing.begun, 1);
        EXPECT_EQ(errors.str(), std::string("velmaro: ") + file + ": disk full\n");
    }
}

TEST(DrawCards, ReadErrorsAndNotFoundCombineIntoOneStatus) {
    // Closed record files fail every read, as files that vanished during the run would; a
    // number above the highest on file is not found without any read.
    for (const auto& [typed, status, readErrors, notFound] :
         {std::tuple{std::vector<std::string>{"5193", "99999"}, kCardsFailed, 1, 1},
          {std::vector<std::string>{"99999", "5193"}, kCardsFailed, 1, 1},
          {std::vector<std::string>{"99999"}, kCardsSomeNotFound, 0, 1},
          {std::vector<std::string>{"5193", "847"}, kCardsFailed, 2, 0}}) {
        SCOPED_TRACE(::testing::PrintToString(typed));
        DataStore store = SampleStore();
        store.CloseFiles();
        testdata::TempDataDir folder;
        OutputFile out(QString::fromStdString(folder.PathOf("cards.ops")));
        ASSERT_TRUE(out.Open().ok());
        const FixedMetrics metrics;
        const auto ops = MakeOpsSink(out, metrics);
        std::ostringstream errors;
        EXPECT_EQ(DrawCards(typed, store, *ops, kToday, ".", errors), status);
        const std::string lines = errors.str();
        EXPECT_EQ(static_cast<int>(std::count(lines.begin(), lines.end(), '\n')),
                  readErrors + notFound)
            << lines;
        EXPECT_EQ(lines.find("Matricola NON Trovata: 99999\n") != std::string::npos, notFound == 1);
        // A read error names the file and the number left without its card.
        for (const std::string& number : typed) {
            if (number == "99999") continue;
            EXPECT_THAT(lines,
                        ::testing::ContainsRegex("velmaro: [^\n]*\\.dir: [^\n]* \\(no card for " +
                                                 number + "\\)\n"));
        }
        // No card is drawn; each number is still announced in the recording.
        const std::string recording = testdata::FileBytes(folder.PathOf("cards.ops"));
        EXPECT_EQ(std::count(recording.begin(), recording.end(), '\n'),
                  static_cast<long>(typed.size()) + notFound)
            << recording;
    }
}

}  // namespace
}  // namespace velmaro
