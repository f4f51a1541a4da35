#include "lookup/display_flow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmaro {
namespace {

using ::testing::ElementsAre;

// Records every call of the flow, in order, as one short line each; prints record the number.
class RecordingView final : public DisplayView, public CardPrinter {
  public:
    void SetPrintEnabled(bool enabled) override { calls.push_back(enabled ? "print on" : "off"); }
    void ShowNotFound() override { calls.push_back("not found"); }
    void ShowError(const Error& error) override { calls.push_back("error " + error.file); }
    void DrawCard(const CardInput& card) override {
        calls.push_back("draw " + card.student.MatrText);
    }
    void FocusNumber() override { calls.push_back("focus"); }
    Status PrintCard(const CardInput& card) override {
        calls.push_back("print " + card.student.MatrText);
        return Ok();
    }
    // The calls of one request.
    template <typename Request>
    std::vector<std::string> CallsOf(Request request) {
        calls.clear();
        request();
        return calls;
    }

    std::vector<std::string> calls;
};

// The worked example's data: students 268 and 460 are on file, 889 is not.
class DisplayFlowTest : public ::testing::Test {
  protected:
    DisplayFlow flow_ =
        DisplayFlow::LoadTables(std::string(VELMARO_EXAMPLES_DIR) + "/data/",
                                {[] { return std::chrono::year{2025} / 10 / 20; }, "."})
            .value();
    RecordingView view_;
};

// A student found is drawn, then printing is enabled; each print is one job of the student
// found last. A number not on file shows the message, keeps the previous student and prints
// nothing, not even the kept student. (A file that cannot be read is reported by the window's
// test, dataFilesAreNeverWrittenAndMissingOnesAreErrors.)
TEST_F(DisplayFlowTest, FoundStudentsArePrintedAndNumbersNotOnFileAreNot) {
    EXPECT_THAT(view_.CallsOf([&] { flow_.Display("268", view_); }),
                ElementsAre("off", "draw 268", "focus", "print on"));
    flow_.Display("460", view_);
    EXPECT_TRUE(flow_.StudentFound());
    const Student kept = *flow_.KeptStudent();
    EXPECT_THAT(view_.CallsOf([&] {
        flow_.Print(view_, view_);
        flow_.Print(view_, view_);
    }),
                ElementsAre("print 460", "print 460"));
    for (const char* typed : {"889", "", "abc", "99999999999", "-460"}) {
        SCOPED_TRACE(typed);
        EXPECT_THAT(view_.CallsOf([&] { flow_.Display(typed, view_); }),
                    ElementsAre("off", "not found", "focus"));
        EXPECT_FALSE(flow_.StudentFound());
        EXPECT_EQ(flow_.KeptStudent()->fields.StudentRecord, kept.fields.StudentRecord);
        EXPECT_EQ(flow_.KeptStudent()->ExamRecs, kept.ExamRecs);
        EXPECT_THAT(view_.CallsOf([&] { flow_.Print(view_, view_); }), ElementsAre("not found"));
    }
}

}  // namespace
}  // namespace velmaro
