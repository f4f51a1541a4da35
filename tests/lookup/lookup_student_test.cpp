// Looking a student up by the typed text, and the flow of a lookup through the view: what is
// drawn, shown and printed.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lookup/display_flow.h"
#include "lookup/lookup_student.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

// The exam and year records read so far.
std::uint64_t RecordReads(DataStore& store) {
    return store.ExamFile().ReadRequests() + store.YearFile().ReadRequests();
}

// Three students: 00001 in record 1 (exams 1-3, years 1-2), 05193 (exams 4-5, year 3) and
// 05194 without records. Every lookup reads the data files and leaves them byte for byte as
// they were.
TEST(Lookup, TypedTextFindsTheRoundedKeyOrNothingAndReadsOnlyWhatItNeeds) {
    const testdata::TempDataDir dir;
    testdata::WriteThreeStudents(dir);
    DataStore store = std::move(DataStore::LoadTables(dir.DataDir())).value();
    const auto contents = [&] {
        std::string all;
        for (const char* name :
             {"titoli.grp", "esami.grp", "elenco.dir", "esami.dir", "velmara.dir"})
            all += testdata::FileBytes(dir.PathOf(name)) + "|";
        return all;
    };
    const std::string before = contents();
    // The found record's first five characters; "" when the search finds nothing, nullptr when
    // the text is no key within 1 ... 5194 and the registry is not read at all.
    const std::pair<const char*, const char*> cases[] = {
        {"abc", nullptr},    {"-5", nullptr}, {"99999999999", nullptr}, {"1E400", nullptr},
        {"5195", nullptr},   {"5192.5", ""},  {"5193.5", "05194"},      {" 5 1 9 3", "05193"},
        {"&H1449", "05193"}, {"1", "00001"},  {"5194", "05194"}};
    for (const auto& [typed, foundKey] : cases) {
        const auto outcome = LookupStudent(store, typed);
        EXPECT_EQ(outcome->registryRecordsRead > 0, foundKey != nullptr) << typed;
        const Student found = outcome->student.value_or(Student{});
        const std::string expected = foundKey ? foundKey : "";
        EXPECT_EQ(found.fields.StudentRecord.substr(0, 5), expected) << typed;
        EXPECT_EQ(found.MatrText, expected.empty() ? "" : typed) << typed;
    }
    EXPECT_TRUE(contents() == before);

    // A student whose counts are zero reads no exam or year record. (That the runs of the
    // others are gathered whole is checked card by card by WorkedExample, and for exams by
    // FaultsMidRun.) Nor does a run whose start is no 32-bit number ("3E+09", "-3E09"): it
    // names no record, and each of its records reads as empty, as one outside the file does
    // (taken as record 0, the run 0-1 showed record 1, another student's exam).
    std::string beyond = testdata::RegistryText(5194, 2, 1);
    const auto reads = RecordReads(store);
    const Student none = *LookupStudent(store, "5194")->student;
    EXPECT_EQ(none.NumExams() + none.NumYears(), 0);
    EXPECT_EQ(RecordReads(store), reads);
    beyond.replace(48, 10, "3E+09-3E09");
    dir.Write("elenco.dir",
              testdata::Slots({testdata::RegistryText(1, 3, 2, 1, 1), beyond}, kRegistrySlotSize));
    DataStore changed = std::move(DataStore::LoadTables(dir.DataDir())).value();
    const auto changedReads = RecordReads(changed);
    const Student student = *LookupStudent(changed, "5194")->student;
    EXPECT_EQ(student.ExamRecs, (std::vector<ExamRecord>(2)));
    EXPECT_EQ(student.YearRecs, (std::vector<YearRecord>(1)));
    EXPECT_EQ(RecordReads(changed), changedReads);
}

using ::testing::ElementsAre;

// Records every call of the flow, in order, as one short line each; prints record the number.
class RecordingView final : public DisplayView, public CardPrinter {
  public:
    void SetPrintEnabled(bool enabled) override { calls.push_back(enabled ? "print on" : "off"); }
    void ShowNotFound() override { calls.push_back("not found"); }
    void ShowError(const Error& error) override { calls.push_back("error " + error.Message()); }
    void DrawCard(const CardInput& card) override {
        calls.push_back("draw " + card.student.MatrText);
    }
    void FocusNumber() override { calls.push_back("focus"); }
    bool ConfirmCutOffCard(const CardInput& card, PageFit) override {
        calls.push_back("confirm " + card.student.MatrText);
        return confirms;
    }
    // As a printer whose page is too short for every card: it asks, then prints or not.
    Status PrintCard(const CardInput& card, const CutOffQuestion& goOnCutOff) override {
        if (!goOnCutOff(PageFit{.pastBottom = true})) return Ok();
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
    bool confirms = true;  // the answer to ConfirmCutOffCard
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
// found last, and the printer's question about a card too long for its page is the view's. A number
// not on file shows the message, keeps the previous student and prints nothing, not even the kept
// student. (A file that cannot be read is reported by the window's test,
// dataFilesAreNeverWrittenAndMissingOnesAreErrors.)
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
                ElementsAre("confirm 460", "print 460", "confirm 460", "print 460"));
    // A card the view does not take cut off is not printed.
    view_.confirms = false;
    EXPECT_THAT(view_.CallsOf([&] { flow_.Print(view_, view_); }), ElementsAre("confirm 460"));
    view_.confirms = true;
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

// A record file cut short (or left empty) while the window is open is warned of at the next
// display, once, before its card: its rows past the end show empty, as at start-up, where the
// same warnings are the flow's DataWarnings. Put right and cut again, it is warned of again.
TEST(DisplayFlow, DataCutShortWhileOpenIsWarnedOfOnceAtTheNextDisplay) {
    const testdata::TempDataDir data;
    for (const char* name : {"elenco.dir", "esami.dir", "velmara.dir", "esami.grp", "titoli.grp"})
        data.Write(name, testdata::FileBytes(std::string(VELMARO_EXAMPLES_DIR) + "/data/" + name));
    const std::string exams = testdata::FileBytes(data.PathOf("esami.dir"));
    data.Write("velmara.dir", "");
    DisplayFlow flow = DisplayFlow::LoadTables(data.DataDir(), {}).value();
    const std::string empty = "error " + data.PathOf("velmara.dir") +
                              " is empty: the cards' career-year records read as empty";
    EXPECT_THAT(flow.DataWarnings(), ElementsAre(empty.substr(6)));
    RecordingView view;
    EXPECT_THAT(view.CallsOf([&] { flow.Display("268", view); }),
                ElementsAre("off", "draw 268", "focus", "print on"));

    const std::string cut = "error " + data.PathOf("esami.dir") +
                            " ends within a record (5 of 17 bytes), as a copy cut short does: "
                            "exams past its end show empty";
    for (int round = 0; round < 2; ++round) {
        data.Write("esami.dir", exams.substr(0, exams.size() / 17 / 2 * 17 + 5));
        EXPECT_THAT(view.CallsOf([&] { flow.Display("268", view); }),
                    ElementsAre("off", cut, "draw 268", "focus", "print on"));
        EXPECT_THAT(view.CallsOf([&] { flow.Display("460", view); }),
                    ElementsAre("off", "draw 460", "focus", "print on"));
        data.Write("esami.dir", exams);
        EXPECT_THAT(view.CallsOf([&] { flow.Display("268", view); }),
                    ElementsAre("off", "draw 268", "focus", "print on"));
    }
    EXPECT_THAT(flow.DataWarnings(), ElementsAre(empty.substr(6)));
}

}  // namespace
}  // namespace velmaro
