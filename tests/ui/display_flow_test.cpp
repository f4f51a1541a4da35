#include "lookup/display_flow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmaro {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The worked example's data: students 268 and 460 are on file, 889 is not.
const std::string kExampleData = std::string(VELMARO_EXAMPLES_DIR) + "/data/";
constexpr std::chrono::year_month_day kToday{std::chrono::year(2025), std::chrono::October,
                                             std::chrono::day(20)};

// Records every call of the flow, in order, as one short line each.
class RecordingView final : public DisplayView {
  public:
    void SetPrintEnabled(bool enabled) override {
        calls.push_back(enabled ? "print on" : "print off");
    }
    void ShowNotFound() override { calls.push_back("not found"); }
    void ShowError(const Error& error) override {
        calls.push_back("error");
        errors.push_back(error);
    }
    void DrawCard(const CardInput& card) override {
        calls.push_back("draw " + card.student.MatrText);
        EXPECT_EQ(card.today, kToday);
        EXPECT_EQ(card.decimalSeparator, ",");
    }
    void FocusNumber() override { calls.push_back("focus"); }

    std::vector<std::string> calls;
    std::vector<Error> errors;
};

// Keeps the number of every card it is asked to print; fails when told to.
class RecordingPrinter final : public CardPrinter {
  public:
    Status PrintCard(const CardInput& card) override {
        printed.push_back(card.student.MatrText);
        if (failWith) return *failWith;
        return Ok();
    }

    std::vector<std::string> printed;
    std::optional<Error> failWith;
};

class DisplayFlowTest : public ::testing::Test {
  protected:
    static DisplayFlow Load() {
        Result<DisplayFlow> flow =
            DisplayFlow::LoadTables(kExampleData, {[] { return kToday; }, ","});
        if (!flow) throw std::runtime_error(flow.error().Message());
        return std::move(*flow);
    }

    // The calls of one display request after the view's record is cleared.
    std::vector<std::string> DisplayCalls(DisplayFlow& flow, std::string_view typed) {
        view_.calls.clear();
        flow.Display(typed, view_);
        return view_.calls;
    }

    RecordingView view_;
    RecordingPrinter printer_;
};

TEST_F(DisplayFlowTest, FoundStudentIsDrawnAndEnablesPrinting) {
    DisplayFlow flow = Load();
    EXPECT_FALSE(flow.StudentFound());

    EXPECT_THAT(DisplayCalls(flow, "268"),
                ElementsAre("print off", "draw 268", "focus", "print on"));
    EXPECT_TRUE(flow.StudentFound());
    ASSERT_TRUE(flow.KeptStudent());
    EXPECT_EQ(flow.KeptStudent()->MatrText, "268");
    EXPECT_GT(flow.KeptStudent()->NumExams, 0);
}

TEST_F(DisplayFlowTest, NumberNotOnFileShowsTheMessageAndKeepsThePreviousStudent) {
    DisplayFlow flow = Load();
    flow.Display("460", view_);
    const Student before = *flow.KeptStudent();

    for (const char* typed : {"889", "", "abc", "99999999999", "-460"}) {
        SCOPED_TRACE(typed);
        EXPECT_THAT(DisplayCalls(flow, typed), ElementsAre("print off", "not found", "focus"));
        EXPECT_FALSE(flow.StudentFound());
        ASSERT_TRUE(flow.KeptStudent());
        EXPECT_EQ(flow.KeptStudent()->MatrText, before.MatrText);
        EXPECT_EQ(flow.KeptStudent()->fields.StudentRecord, before.fields.StudentRecord);
        EXPECT_EQ(flow.KeptStudent()->ExamRecs, before.ExamRecs);
        EXPECT_EQ(flow.KeptStudent()->YearRecs, before.YearRecs);
    }
}

TEST_F(DisplayFlowTest, UnreadableFileIsReportedByNameAndNothingIsDrawn) {
    DisplayFlow flow = Load();
    flow.Display("268", view_);
    flow.CloseFiles();

    EXPECT_THAT(DisplayCalls(flow, "460"), ElementsAre("print off", "error", "focus"));
    ASSERT_EQ(view_.errors.size(), 1u);
    EXPECT_THAT(view_.errors[0].file, HasSubstr("elenco.dir"));
    EXPECT_FALSE(view_.errors[0].reason.empty());
    EXPECT_FALSE(flow.StudentFound());
    EXPECT_EQ(flow.KeptStudent()->MatrText, "268");
}

TEST_F(DisplayFlowTest, PrintingNeedsAFoundStudent) {
    DisplayFlow flow = Load();
    flow.Print(view_, printer_);
    EXPECT_THAT(view_.calls, ElementsAre("not found"));
    EXPECT_TRUE(printer_.printed.empty());

    flow.Display("268", view_);
    flow.Display("889", view_);
    view_.calls.clear();
    flow.Print(view_, printer_);
    EXPECT_THAT(view_.calls, ElementsAre("not found"));
    EXPECT_TRUE(printer_.printed.empty());
}

TEST_F(DisplayFlowTest, EachPrintIsOneJobOfTheLastFoundStudent) {
    DisplayFlow flow = Load();
    flow.Display("460", view_);
    flow.Display("268", view_);
    view_.calls.clear();

    flow.Print(view_, printer_);
    flow.Print(view_, printer_);
    EXPECT_THAT(printer_.printed, ElementsAre("268", "268"));
    EXPECT_TRUE(view_.calls.empty());
    EXPECT_TRUE(flow.StudentFound());
}

TEST_F(DisplayFlowTest, PrintJobThatCannotStartIsReported) {
    DisplayFlow flow = Load();
    flow.Display("268", view_);
    view_.calls.clear();
    printer_.failWith = Error{"Printer", "the print job could not be started"};

    flow.Print(view_, printer_);
    EXPECT_THAT(view_.calls, ElementsAre("error"));
    ASSERT_EQ(view_.errors.size(), 1u);
    EXPECT_EQ(view_.errors[0].file, "Printer");
    EXPECT_TRUE(flow.StudentFound());
}

TEST(DisplayFlowLoad, MissingTableStopsTheLoadingAndNamesTheFile) {
    Result<DisplayFlow> flow =
        DisplayFlow::LoadTables("/nonexistent-velmaro-folder/", {SystemToday, "."});
    ASSERT_FALSE(flow);
    EXPECT_THAT(flow.error().file, HasSubstr("titoli.grp"));
}

}  // namespace
}  // namespace velmaro
