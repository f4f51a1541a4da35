// Spreading exam rows apart: each expected centre below was worked out from the cluster
// rule (rows touching or overlapping merge; a cluster is stacked one row apart around the
// midpoint of its first and last desired centres).

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "render/spread_labels.h"

namespace velmaro {
namespace {

struct SpreadCase {
    const char* name;
    double h;
    std::vector<double> desired;   // rows 1 ... N
    std::vector<double> expected;  // rows 1 ... N
};

void PrintTo(const SpreadCase& c, std::ostream* out) { *out << c.name; }

class SpreadLabelsCases : public ::testing::TestWithParam<SpreadCase> {};

INSTANTIATE_TEST_SUITE_P(
    Rows, SpreadLabelsCases,
    ::testing::Values(
        // Rows 1-2 merge (height 40 about 0), that cluster then reaches row 3 (20 > 8): height
        // 60 about (0 + 18) / 2 = 9 spans -21 ... 39, centres -11, 9, 29; row 4 stays apart.
        SpreadCase{"WorkedExample", 20, {0, 0, 18, 100}, {-11, 9, 29, 100}},
        SpreadCase{"OneRow", 200, {1234.5}, {1234.5}},
        // Exactly h apart they touch (d = 0) and merge, but the midpoint of 0 and 200 with
        // height 400 gives back 0 and 200.
        SpreadCase{"TouchingRowsStayPut", 200, {0, 200}, {0, 200}},
        // Rows 1-2 form -20 ... 20, row 3 spans 20 ... 40: touching, so they merge into
        // height 60 about (0 + 30) / 2 = 15, not stacked as -10, 10, 30.
        SpreadCase{"TouchingClusterMerges", 20, {0, 0, 30}, {-5, 15, 35}},
        SpreadCase{"JustApart", 200, {0, 200.5}, {0, 200.5}},
        SpreadCase{"TwoEqualCentres", 200, {1000, 1000}, {900, 1100}},
        SpreadCase{"ThreeEqualCentres", 200, {1000, 1000, 1000}, {800, 1000, 1200}},
        // Height 40 about 5: -15 ... 25, centres -5 and 15.
        SpreadCase{"Overlap", 20, {0, 10}, {-5, 15}},
        // Row 2 above row 1 always collides; the centre is (100 + 50) / 2 = 75 in index order.
        SpreadCase{"OutOfOrder", 20, {100, 50}, {65, 85}},
        // Five rows at 0: height 1000 about 0; the first row sits at -400, far above the
        // desired 0: nothing bounds the spread.
        SpreadCase{"UnboundedAboveFirstRow", 200, {0, 0, 0, 0, 0}, {-400, -200, 0, 200, 400}},
        // Rows 1-2 merge (height 40 about 0: -20 ... 20), then rows 3-4 (height 40 about 45:
        // 25 ... 65), still apart from 1-2. Row 5 (50 ... 70) hits 3-4: rows 3-5 height 60
        // about (40 + 60) / 2 = 50 span 20 ... 80, which now touches 1-2 (d = 0): rows 1-5
        // height 100 about (0 + 60) / 2 = 30 span -20 ... 80.
        SpreadCase{
            "GrownClusterReachesTheOneAbove", 20, {0, 0, 40, 50, 60}, {-10, 10, 30, 50, 70}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(SpreadLabelsCases, PlacesEveryRow) {
    std::vector<double> desired = {0};
    desired.insert(desired.end(), GetParam().desired.begin(), GetParam().desired.end());
    const std::vector<double> before = desired;

    const std::vector<double> centres = SpreadLabels(desired, GetParam().h);

    ASSERT_EQ(centres.size(), desired.size());
    for (std::size_t i = 1; i < centres.size(); ++i) {
        EXPECT_DOUBLE_EQ(centres[i], GetParam().expected[i - 1]) << "row " << i;
    }
    EXPECT_EQ(desired, before);
}

}  // namespace
}  // namespace velmaro
