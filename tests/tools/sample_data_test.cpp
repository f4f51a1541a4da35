#include "tools/sample_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <set>

#include "lookup/lookup_student.h"
#include "store/data_store.h"
#include "store/numeric_value.h"
#include "store/student.h"
#include "store/text_fields.h"
#include "tests/tools/temp_folder.h"

namespace velmaro::sample {
namespace {

using namespace std::chrono;

constexpr const char* kFileNames[] = {"elenco.dir", "esami.dir", "velmara.dir", "esami.grp",
                                      "titoli.grp"};

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Empty when a and b are equal, else where they first differ; keeps a failure's report short.
std::string Difference(const std::string& a, const std::string& b) {
    if (a == b) return {};
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
           ", first difference at byte " + std::to_string(mismatch.first - a.begin());
}

DataStore WriteAndLoad(const TempFolder& folder, const SampleDataOptions& options) {
    const Status written = WriteSampleDataSet(folder.Path(), options);
    EXPECT_TRUE(written.ok()) << (written.ok() ? "" : written.error().Message());
    auto store = DataStore::LoadTables(folder.DataDir());
    EXPECT_TRUE(store.ok()) << (store.ok() ? "" : store.error().Message());
    return std::move(store).value();
}

std::int64_t RecordsIn(const RecordFile& file) { return *file.Length() / file.SlotSize(); }

// Checks the registry's order and that every run lies inside its file; returns the number of
// records checked.
std::int32_t ExpectRegistryConsistent(const DataStore& store) {
    std::int32_t previousKey = 0;
    for (std::int32_t n = 1; n <= store.RegistryCount(); ++n) {
        const std::string text = *store.Registry().ReadRecord(n);
        EXPECT_EQ(TrimBlanks(text).size(), 58U) << "record " << n;
        const std::int32_t key = RecordKey(text);
        EXPECT_GT(key, previousKey) << "record " << n << " is out of order";
        previousKey = key;

        const SplitRecord split = SplitStudentRecord(text);
        if (split.ExamRecCount > 0) {
            EXPECT_GE(split.FirstExamRec, 1) << key;
            EXPECT_LE(split.FirstExamRec + split.ExamRecCount - 1, RecordsIn(store.ExamFile()))
                << key;
        }
        if (split.YearRecCount > 0) {
            EXPECT_GE(split.FirstYearRec, 1) << key;
            EXPECT_LE(split.FirstYearRec + split.YearRecCount - 1, RecordsIn(store.YearFile()))
                << key;
        }
    }
    EXPECT_EQ(previousKey, store.LastRegistryKey());
    return store.RegistryCount();
}

// A yymmdd text as a day, the century from the two-digit year (00-29: 20xx).
std::optional<sys_days> DayOf(std::string_view yymmdd) {
    if (yymmdd.size() != 6) return std::nullopt;
    const int yy = static_cast<int>(NumericValue(yymmdd.substr(0, 2)));
    const year_month_day date{year(yy < 30 ? 2000 + yy : 1900 + yy),
                              month(static_cast<unsigned>(NumericValue(yymmdd.substr(2, 2)))),
                              day(static_cast<unsigned>(NumericValue(yymmdd.substr(4, 2))))};
    if (!date.ok()) return std::nullopt;
    return sys_days(date);
}

TEST(SampleData, CommittedSetLoadsAndEveryStudentIsFound) {
    TempFolder folder;
    const SampleDataOptions options;
    const DataStore store = WriteAndLoad(folder, options);
    EXPECT_EQ(ExpectRegistryConsistent(store), options.studentCount);

    const auto set = GenerateSampleDataSet(options);
    ASSERT_TRUE(set.ok());
    for (const std::int32_t key : set->matricole) {
        const auto found = LookupStudent(store, std::to_string(key));
        ASSERT_TRUE(found.ok());
        ASSERT_TRUE(found->student.has_value()) << "not found: " << key;
        const Student& student = *found->student;
        ASSERT_EQ(student.ExamRecs.size(), static_cast<std::size_t>(student.NumExams) + 1);
        for (int i = 1; i <= student.NumExams; ++i) {
            const std::string code = student.ExamRecs[i].substr(4, 4);
            if (code != "ZZ99") {
                EXPECT_GT(store.Exams().EntryOf(code), 0.9) << key << " uses unknown " << code;
            }
        }
    }
}

TEST(SampleData, ExamDatesFollowEnrolmentAndPrecedeGraduation) {
    TempFolder folder;
    const DataStore store = WriteAndLoad(folder, SampleDataOptions{});
    const sys_days asOf{year(kDataAsOfYear) / kDataAsOfMonth / kDataAsOfDay};
    for (std::int32_t n = 1; n <= store.RegistryCount(); ++n) {
        const std::string record = *store.Registry().ReadRecord(n);
        const auto found = LookupStudent(store, record.substr(0, 5));
        ASSERT_TRUE(found.ok() && found->student);
        const Student& s = *found->student;
        const auto enrolDate = DayOf(s.fields.EnrolYear.substr(0, 2) + "1101");
        ASSERT_TRUE(enrolDate) << record;

        std::optional<sys_days> previous;
        for (int i = 1; i <= s.NumExams; ++i) {
            const auto date = DayOf(s.ExamRecs[i].substr(10, 6));
            ASSERT_TRUE(date) << record << " exam " << i;
            EXPECT_GT(*date, *enrolDate) << record << " exam " << i;
            EXPECT_LE(*date, asOf) << record << " exam " << i;
            if (previous) {
                EXPECT_GE(*date, *previous) << record << " exam " << i;
            }
            previous = date;
        }
        if (s.fields.DegreeDate != "000000") {
            const auto degree = DayOf(s.fields.DegreeDate);
            ASSERT_TRUE(degree) << record;
            EXPECT_LE(*degree, asOf) << record;
            if (previous) {
                EXPECT_GT(*degree, *previous) << record;
            }
        }
    }
}

TEST(SampleData, SameOptionsGiveByteIdenticalFilesAndTheSeedMatters) {
    TempFolder first;
    TempFolder second;
    TempFolder reseeded;
    SampleDataOptions options;
    ASSERT_TRUE(WriteSampleDataSet(first.Path(), options).ok());
    ASSERT_TRUE(WriteSampleDataSet(second.Path(), options).ok());
    options.seed += 1;
    ASSERT_TRUE(WriteSampleDataSet(reseeded.Path(), options).ok());
    for (const char* name : kFileNames) {
        const std::string bytes = FileBytes(first.DataDir() + name);
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(Difference(bytes, FileBytes(second.DataDir() + name)), "") << name;
    }
    EXPECT_NE(Difference(FileBytes(first.DataDir() + "elenco.dir"),
                         FileBytes(reseeded.DataDir() + "elenco.dir")),
              "");
}

TEST(SampleData, CommittedFilesAreTheGeneratorsOutput) {
    const auto set = GenerateSampleDataSet(SampleDataOptions{});
    ASSERT_TRUE(set.ok());
    const std::string dir = std::string(VELMARO_SAMPLE_DIR) + "/";
    const std::pair<const char*, const std::string*> files[] = {
        {"elenco.dir", &set->registry},   {"esami.dir", &set->exams},
        {"velmara.dir", &set->years},     {"esami.grp", &set->examTable},
        {"titoli.grp", &set->titleTable},
    };
    for (const auto& [name, bytes] : files) {
        EXPECT_EQ(Difference(FileBytes(dir + name), *bytes), "")
            << name << ": data/sample is stale, regenerate it with velmaro_make_sample";
    }
}

TEST(SampleData, TextTablesAreWindows1252WithCrLfAndCoverEveryClass) {
    TempFolder folder;
    const DataStore store = WriteAndLoad(folder, SampleDataOptions{});
    const std::string exams = FileBytes(folder.DataDir() + "esami.grp");
    EXPECT_NE(exams.find("Contabilit\xE0 Pubblica\r\n"), std::string::npos);
    EXPECT_NE(FileBytes(folder.DataDir() + "titoli.grp").find("Maturit\xE0 Classica\r\n"),
              std::string::npos);
    for (const std::string& text : {exams, FileBytes(folder.DataDir() + "titoli.grp")}) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
            }
        }
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    }

    const CodeTable& table = store.Exams();
    EXPECT_EQ(table.NameAt(table.EntryOf("1045")), "Contabilità Pubblica");
    EXPECT_EQ(table.NameAt(table.EntryOf("1011")), "Geografia Economica");  // blanks trimmed
    EXPECT_EQ(table.GroupAt(1), "00");  // a missing code falls back to entry 1
    const std::set<std::string> groups(table.Groups.begin() + 1, table.Groups.end());
    for (const char* group : {"00", "A1", "F1", "E1", "G1", "LL", "LX", "L1", "A2", "F2", "E2",
                              "MR", "CH", "EB", "MS", "IT", "MM", "E3", "SM", "CF", "ZQ"}) {
        EXPECT_EQ(groups.count(group), 1U) << group;
    }
}

TEST(SampleData, RunsPastRecord99999FailOrAreShared) {
    SampleDataOptions options;
    options.studentCount = 5000;
    options.maxMatricola = 99999;
    options.examsPerStudent = 30;
    options.includeSpecialCases = false;
    const auto refused = GenerateSampleDataSet(options);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().file, "esami.dir");

    options.shareRunsBeyondRecordLimit = true;
    TempFolder folder;
    const DataStore store = WriteAndLoad(folder, options);
    EXPECT_EQ(ExpectRegistryConsistent(store), 5000);
    EXPECT_LE(RecordsIn(store.ExamFile()), 99999);
}

TEST(SampleData, RejectsOptionsItCannotHonour) {
    const auto with = [](auto change) {
        SampleDataOptions options;
        change(options);
        return GenerateSampleDataSet(options).ok();
    };
    EXPECT_FALSE(with([](SampleDataOptions& o) { o.studentCount = 0; }));
    EXPECT_FALSE(with([](SampleDataOptions& o) { o.studentCount = 10000; }));
    EXPECT_FALSE(with([](SampleDataOptions& o) { o.studentCount = 10; }));  // < special cases
    EXPECT_FALSE(with([](SampleDataOptions& o) { o.maxMatricola = 100000; }));
    EXPECT_FALSE(with([](SampleDataOptions& o) { o.maxMatricola = 5000; }));  // cases up to 9000
    EXPECT_FALSE(with([](SampleDataOptions& o) { o.examsPerStudent = 100; }));
    EXPECT_FALSE(with([](SampleDataOptions& o) { o.lastEnrolYear = 2025; }));
    EXPECT_FALSE(with([](SampleDataOptions& o) { o.firstEnrolYear = 1929; }));
    EXPECT_TRUE(with([](SampleDataOptions& o) {
        o.studentCount = 9999;  // every number but the three below record 1's
        o.maxMatricola = 10002;
        o.examsPerStudent = 5;  // so that the exam records stay within record 99999
    }));
}

}  // namespace
}  // namespace velmaro::sample
