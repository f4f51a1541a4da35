// Print, Tab and number items on the recording surface with the fixed metrics: characters
// 100 wide, lines 200 high, print column n starting at x = (n - 1) * 100.

#include <gtest/gtest.h>

#include <sstream>

#include "render/header_block.h"
#include "render/recording_surface.h"

namespace velmaro {
namespace {

class PrintItems : public ::testing::Test {
  protected:
    std::ostringstream out_;
    FixedMetrics metrics_;
    RecordingSurface surface_{out_, metrics_};
};

TEST_F(PrintItems, NumbersTextsAndLineEnds) {
    // " 2 " is three characters: the text follows at 300 on the same line and ends at 600.
    surface_.Print({PrintItem::Number(2), PrintItem::Text("Abc")});
    EXPECT_EQ(surface_.CurrentX(), 600);
    // A negative number has no leading blank; no separator after the last item ends the line.
    surface_.Print({PrintItem::Number(-5), PrintItem::Text("x", false)});
    EXPECT_EQ(out_.str(),
              "text 0.0 0.0 \" 2 \"\ntext 300.0 0.0 \"Abc\"\n"
              "text 600.0 0.0 \"-5 \"\ntext 900.0 0.0 \"x\"\n");
    EXPECT_EQ(surface_.CurrentX(), 0);
    EXPECT_EQ(surface_.CurrentY(), 200);

    // An empty Print draws nothing and only ends the line.
    out_.str("");
    surface_.SetCurrentX(1234);
    surface_.Print({});
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(surface_.CurrentX(), 0);
    EXPECT_EQ(surface_.CurrentY(), 400);
}

struct TabCase {
    double startX;
    bool nextLine;
};

void PrintTo(const TabCase& c, std::ostream* out) { *out << "from x = " << c.startX; }

class TabToColumn80 : public PrintItems, public ::testing::WithParamInterface<TabCase> {};

// Column 80 spans x = 7900 up to 8000. From its start or left of it the tab stays on the line;
// from anywhere past its start it goes to the next line rather than draw over the text there.
INSTANTIATE_TEST_SUITE_P(Positions, TabToColumn80,
                         ::testing::Values(TabCase{0, false}, TabCase{7899, false},
                                           TabCase{7900, false}, TabCase{7901, true},
                                           TabCase{7999, true}, TabCase{8000, true},
                                           TabCase{8050, true}, TabCase{15000, true}));

TEST_P(TabToColumn80, PlacesTheNextItem) {
    surface_.SetCurrentX(GetParam().startX);
    surface_.Print({PrintItem::Tab(80), PrintItem::Text("28", false)});
    EXPECT_EQ(out_.str(),
              GetParam().nextLine ? "text 7900.0 200.0 \"28\"\n" : "text 7900.0 0.0 \"28\"\n");
}

// "Matr.: " at column 5 (x = 400) ends at 1100, so the number ends at 1100 + 100 * its
// length. Thirteen characters end at 2400, the start of column 25: "N.: " stays on the line.
// Fourteen end at 2500, in column 26: "N.: " and every later header line move down a line.
TEST(HeaderBlock, LongMatrTextPushesTheHeaderOntoAnExtraLine) {
    const CodeTable titles = BuildCodeTable({"0 01 Maturita Classica"}, kTitleTableLayout);
    for (const auto& [matr, y] : std::vector<std::pair<std::string, double>>{
             {"1234567890123", 0}, {"12345678901234", 200}}) {
        Student student;
        student.MatrText = matr;
        student.fields.DegreeDate = "000000";
        std::ostringstream out;
        const FixedMetrics metrics;
        RecordingSurface surface(out, metrics);
        const HeaderResult header = PrintHeaderBlock(surface, student, titles);
        const std::string ops = out.str();
        EXPECT_NE(ops.find("text 2400.0 " + FormatCoordinate(y) + " \"N.: \""), std::string::npos)
            << ops;
        EXPECT_NE(ops.find("text 400.0 " + FormatCoordinate(y + 200) + " \"A.S. Dip.: \""),
                  std::string::npos);
        // Line 3: "<V_30>: " at column 55 (5400) ends at 6200, "<V_110>: " at column 72 (7100)
        // at 8000; the empty Print then ends it.
        EXPECT_EQ(header.V30X, 6200);
        EXPECT_EQ(header.V110X, 8000);
        EXPECT_EQ(header.V30Y, y + 400);
        EXPECT_EQ(header.V110Y, y + 400);
        EXPECT_EQ(surface.CurrentY(), y + 600);
    }
}

}  // namespace
}  // namespace velmaro
