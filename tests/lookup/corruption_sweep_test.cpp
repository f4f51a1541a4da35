// Corrupted data sets, swept: each of the five files of a small data set cut at every length,
// and its bytes set one at a time to 0x00, 0xFF, '9' and ' '. Every attempt (loading, five
// lookups, every card found drawn) must end in cards, "not found" or errors naming the file,
// and the data check of the same files must report in its form and find no data set clean
// whose first or last student cannot be found; the sanitizer build of this test catches any
// memory fault or undefined behaviour on the way.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/data_set_probe.h"

namespace velmaro {
namespace {

// Positions tried per file: every one in small files, evenly spread in larger ones, so that the
// whole sweep stays well under a minute with the sanitizers.
constexpr std::size_t kMostPositionsPerFile = 500;

// The fuzzers' three-student data set, made clean: its three exam table lines whose group
// codes no class rule names get named ones, so that a change the check misses shows.
MemorySource ThreeStudents() {
    std::ifstream in(VELMARO_FUZZ_DIR "/corpus/data_set/three-students", std::ios::binary);
    MemorySource source = SplitDataSet(
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    std::string& examTable = source.files["esami.grp"];
    for (const auto& [unnamed, named] :
         {std::pair{"\nZQ ", "\nA1 "}, {"\nXY ", "\nA2 "}, {"\na1 ", "\nE1 "}}) {
        if (const std::size_t at = examTable.find(unnamed); at != std::string::npos)
            examTable.replace(at, 4, named);
    }
    return source;
}

struct SweepCounts {
    int attempts = 0, cards = 0, notFound = 0, errors = 0, notLoaded = 0, clean = 0;
};

// Probes source and checks that every outcome is one of the three accepted kinds.
void ProbeAndCheck(const MemorySource& source, const std::string& what, SweepCounts& counts) {
    const ProbeOutcome outcome = ProbeDataSet(source);
    ++counts.attempts;
    counts.cards += outcome.cards;
    counts.notFound += outcome.notFound;
    counts.errors += static_cast<int>(outcome.errors.size());
    if (!outcome.loaded) ++counts.notLoaded;
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
    counts.clean += check.clean;
    ASSERT_TRUE(check.wellFormed) << what;
    ASSERT_TRUE(LookupsAgreeWithCheck(outcome, check)) << what;
}

void Print(const char* sweep, const SweepCounts& counts) {
    std::printf("%s: %d attempts, %d cards, %d not found, %d errors, %d not loaded, %d clean\n",
                sweep, counts.attempts, counts.cards, counts.notFound, counts.errors,
                counts.notLoaded, counts.clean);
}

std::size_t StrideFor(std::size_t size) {
    return std::max<std::size_t>(1, (size + kMostPositionsPerFile - 1) / kMostPositionsPerFile);
}

TEST(CorruptionSweep, TheIntactDataSetDrawsItsFirstAndLastStudents) {
    const ProbeOutcome outcome = ProbeDataSet(ThreeStudents());
    EXPECT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.cards, 2);     // the first and the last student
    EXPECT_EQ(outcome.notFound, 1);  // one above the highest number on file
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_TRUE(CheckDataSet(ThreeStudents()).clean);
}

TEST(CorruptionSweep, EveryTruncationOfEveryFile) {
    const MemorySource intact = ThreeStudents();
    SweepCounts counts;
    for (const std::string& name : kDataFileNames) {
        const std::string& content = intact.files.at(name);
        for (std::size_t length = 0; length < content.size(); length += StrideFor(content.size())) {
            MemorySource cut = intact;
            cut.files[name].resize(length);
            ProbeAndCheck(cut, name + " cut to " + std::to_string(length), counts);
            if (HasFatalFailure()) return;
        }
        // A file that is missing altogether.
        MemorySource missing = intact;
        missing.files.erase(name);
        ProbeAndCheck(missing, name + " missing", counts);
        if (HasFatalFailure()) return;
    }
    Print("truncations", counts);
    EXPECT_GT(counts.cards, 0);
    EXPECT_GT(counts.notLoaded, 0);
}

TEST(CorruptionSweep, EveryByteSetToEachHostileValue) {
    const MemorySource intact = ThreeStudents();
    SweepCounts counts;
    for (const std::string& name : kDataFileNames) {
        const std::string& content = intact.files.at(name);
        for (std::size_t at = 0; at < content.size(); at += StrideFor(content.size())) {
            for (const char value : {'\x00', '\xff', '9', ' '}) {
                if (content[at] == value) continue;
                MemorySource changed = intact;
                changed.files[name][at] = value;
                ProbeAndCheck(changed, name + " byte " + std::to_string(at), counts);
                if (HasFatalFailure()) return;
            }
        }
    }
    Print("byte changes", counts);
    EXPECT_GT(counts.cards, 0);
}

}  // namespace
}  // namespace velmaro
