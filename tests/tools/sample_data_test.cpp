#include "tools/sample_data.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "lookup/lookup_student.h"
#include "tests/store/data_files.h"

namespace velmaro::sample {
namespace {

TEST(SampleData, CommittedSetIsTheGeneratorsOutputAndEveryStudentIsFound) {
    const testdata::TempDataDir dir;
    ASSERT_TRUE(WriteSampleDataSet(dir.DataDir(), SampleDataOptions{}).ok());
    for (const std::string name :
         {"elenco.dir", "esami.dir", "velmara.dir", "esami.grp", "titoli.grp"})
        EXPECT_TRUE(testdata::FileBytes(dir.PathOf(name)) ==
                    testdata::FileBytes(VELMARO_SAMPLE_DIR "/" + name))
            << name << ": data/sample is stale, regenerate it with velmaro_make_sample";

    const auto store = DataStore::LoadTables(dir.DataDir());
    const auto set = GenerateSampleDataSet(SampleDataOptions{});
    ASSERT_TRUE(store.ok() && set.ok());
    EXPECT_EQ(store->RegistryCount(), SampleDataOptions{}.studentCount);
    for (const std::int32_t key : set->matricole) {
        const auto found = LookupStudent(*store, std::to_string(key));
        ASSERT_TRUE(found.ok() && found->student) << key;
        EXPECT_EQ(RecordKey(found->student->fields.StudentRecord), key);
        // A run reaching past its file would give elements that are the bare prefix.
        EXPECT_THAT(found->student->ExamRecs, ::testing::Not(::testing::Contains("0000"))) << key;
        EXPECT_THAT(found->student->YearRecs, ::testing::Not(::testing::Contains("0000"))) << key;
    }
}

}  // namespace
}  // namespace velmaro::sample
