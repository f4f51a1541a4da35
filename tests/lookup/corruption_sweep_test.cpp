// Corrupted data sets, swept: each of the five files of a small data set cut at every length,
// and its bytes set one at a time to 0x00, 0xFF, '9' and ' '. Every attempt (loading, five
// lookups, every card found drawn) must end in cards, "not found" or errors naming the file,
// and the data check of the same files must report in its form and find no data set clean
// whose first or last student cannot be found; the sanitizer build of this test catches any
// memory fault or undefined behaviour on the way.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/data_set_probe.h"

namespace velmaro {
namespace {

// Positions tried per file: every one in small files, evenly spread in larger ones, so that the
// whole sweep stays well under a minute with the sanitizers.
constexpr std::size_t kMostPositionsPerFile = 500;

// The fuzzers' three-student data set that the check finds clean, so that a change the check
// misses shows.
MemorySource ThreeStudents() {
    std::ifstream in(VELMARO_FUZZ_DIR "/corpus/data_set/three-students-clean", std::ios::binary);
    return SplitDataSet(
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

// Probes source and checks that every outcome is one of the three accepted kinds; counts the
// cards drawn and the data sets not loaded, so that the sweep is seen to reach both.
void ProbeAndCheck(const MemorySource& source, const std::string& what, int& cards,
                   int& notLoaded) {
    const ProbeOutcome outcome = ProbeDataSet(source);
    cards += outcome.cards;
    notLoaded += !outcome.loaded;
    ASSERT_TRUE(outcome.ErrorsNameAFile()) << what << ": " << outcome.errors.front().Message();
    // A loaded data set answers each lookup in exactly one way.
    if (outcome.loaded) {
        ASSERT_GE(outcome.lookups, 2) << what;
        ASSERT_EQ(outcome.cards + outcome.notFound + static_cast<int>(outcome.errors.size()),
                  outcome.lookups)
            << what;
    } else {
        ASSERT_EQ(outcome.errors.size(), 1u) << what;
    }
    const CheckOutcome check = CheckDataSet(source);
    ASSERT_TRUE(check.wellFormed) << what;
    ASSERT_TRUE(LookupsAgreeWithCheck(outcome, check)) << what;
}

TEST(CorruptionSweep, EveryTruncationAndByteChangeOfEveryFile) {
    const MemorySource intact = ThreeStudents();
    // Intact, the data set draws its first and last students, and the next number is not found.
    const ProbeOutcome whole = ProbeDataSet(intact);
    EXPECT_TRUE(whole.loaded && whole.errors.empty());
    EXPECT_EQ(whole.cards, 2);
    EXPECT_EQ(whole.notFound, 1);
    EXPECT_TRUE(CheckDataSet(intact).clean);
    int cards = 0, notLoaded = 0;
    for (const std::string& name : kDataFileNames) {
        const std::string& content = intact.files.at(name);
        const std::size_t stride = std::max<std::size_t>(
            1, (content.size() + kMostPositionsPerFile - 1) / kMostPositionsPerFile);
        // A file missing altogether, cut at each length, each byte set to each hostile value.
        MemorySource changed = intact;
        changed.files.erase(name);
        ProbeAndCheck(changed, name + " missing", cards, notLoaded);
        for (std::size_t at = 0; at < content.size() && !HasFatalFailure(); at += stride) {
            changed = intact;
            changed.files[name].resize(at);
            ProbeAndCheck(changed, name + " cut to " + std::to_string(at), cards, notLoaded);
            for (const char value : {'\x00', '\xff', '9', ' '}) {
                if (content[at] == value || HasFatalFailure()) continue;
                changed = intact;
                changed.files[name][at] = value;
                ProbeAndCheck(changed, name + " byte " + std::to_string(at), cards, notLoaded);
            }
        }
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(cards, 0);
    EXPECT_GT(notLoaded, 0);
}

}  // namespace
}  // namespace velmaro
