// The worked example: every typed number of the example data set drawn on the recording
// surface with the fixed metrics must give the recording that was worked out by hand.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "lookup/lookup_student.h"
#include "render/recording_surface.h"
#include "render/render_card.h"
#include "store/data_store.h"
#include "tests/support/ops_compare.h"

namespace velmaro {
namespace {

using namespace std::chrono;

TEST(WorkedExample, EveryCardMatchesTheExpectedRecording) {
    const std::string examples = VELMARO_EXAMPLES_DIR;
    auto store = DataStore::LoadTables(DataDirOf(examples + "/data"));
    ASSERT_TRUE(store.ok()) << store.error().Message();

    std::istringstream typed(testing::ReadTextFile(examples + "/typed.txt"));
    const std::string expected = testing::ReadTextFile(examples + "/expected.ops");
    ASSERT_FALSE(expected.empty());

    std::ostringstream recording;
    const FixedMetrics metrics;
    int notFound = 0;
    for (std::string line; std::getline(typed, line);) {
        recording << "card " << JsonString(line) << '\n';
        const auto outcome = LookupStudent(*store, line);
        ASSERT_TRUE(outcome.ok()) << outcome.error().Message();
        if (!outcome->student) {
            recording << "notfound\n";
            ++notFound;
            continue;
        }
        RecordingSurface surface(recording, metrics);
        RenderCard(surface, {*outcome->student, store->Titles(), store->Exams(),
                             year{2025} / October / 20, "."});
    }
    EXPECT_EQ(notFound, 7);
    for (const std::string& difference : testing::CompareOps(recording.str(), expected))
        ADD_FAILURE() << difference;
}

}  // namespace
}  // namespace velmaro
