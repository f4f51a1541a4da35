// Record files that change while Velmaro runs: cut short, grown, removed, replaced or made
// unreadable between two lookups. Each lookup then shows the file's current content (or the
// content of the file still open), never a crash or stale registry data, and the next lookup
// works. The clock is injected, so the registry copy's rule for recent changes is exercised
// on both sides.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "lookup/lookup_student.h"
#include "store/data_store.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using testdata::kThreeStudentsExams;
using testdata::RegistryText;
using testdata::Slots;
using testdata::ThreeStudentsRegistry;

// Long enough for the next read to look at a file's name again (the clock of the look steps in
// milliseconds).
constexpr auto kNameLookedAtAgain = RecordFile::kPathCheckInterval + std::chrono::milliseconds(20);

// When the registry last changed, by its own status.
std::int64_t ChangedSeconds(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_ctim.tv_sec;
}

// A data folder of three students, loaded with a clock that reads now, its changes told by
// the system's events where it can or asked after at each lookup.
struct DataFolder {
    explicit DataFolder(
        FolderSource::Changes changes = FolderSource::Changes::kReportedWhereTheSystemCan,
        const std::filesystem::path& base = std::filesystem::temp_directory_path())
        : changes(changes), dir(base) {
        testdata::WriteThreeStudents(dir);
    }
    DataStore Load() {
        auto store = DataStore::LoadTables(FolderSource(
            dir.DataDir(), [this] { return now; }, changes));
        if (!store) throw std::runtime_error(store.error().Message());
        return std::move(store).value();
    }

    FolderSource::Changes changes;
    testdata::TempDataDir dir;
    std::int64_t now = 0;
};

constexpr FolderSource::Changes kBothWaysOfSeeingChanges[] = {
    FolderSource::Changes::kReportedWhereTheSystemCan, FolderSource::Changes::kAskEachTime};

// The student found for typed (birth and exam records), or why there is none.
std::string Outcome(DataStore& store, const std::string& typed) {
    const auto found = LookupStudent(store, typed);
    if (!found) return "error: " + found.error().Message();
    if (!found->student) return "not found";
    const Student& student = *found->student;
    std::string exams;
    for (const ExamRecord& exam : student.ExamRecs)
        exams += "|" + exam.code.str() + exam.grade.str() + exam.year.str() + exam.month.str() +
                 exam.day.str();
    return student.fields.BirthYearMonth + exams;
}

// Writes bytes under another name, then moves that file into name's place.
void Replace(const testdata::TempDataDir& dir, const std::string& name, const std::string& bytes) {
    dir.Write("other", bytes);
    std::rename(dir.PathOf("other").c_str(), dir.PathOf(name).c_str());
}

// A change made to the data folder while Velmaro runs.
using Fault = std::function<void(const testdata::TempDataDir&)>;
Fault Rewritten(const std::string& name, const std::string& bytes) {
    return [=](const testdata::TempDataDir& dir) { dir.Write(name, bytes); };
}
Fault Replaced(const std::string& name, const std::string& bytes) {
    return [=](const testdata::TempDataDir& dir) { Replace(dir, name, bytes); };
}
Fault Removed(const std::string& name) {
    return [=](const testdata::TempDataDir& dir) { ::unlink(dir.PathOf(name).c_str()); };
}

const std::string k5193 = "7805|INF127250110|ALG131250220";

TEST(FaultsMidRun, EachLookupShowsTheCurrentContentAndTheNextOneWorks) {
    // Student 5193 born in 7906 instead of 7805; the registry with student 6000 added; exam
    // records A ... F.
    const std::string reborn = ThreeStudentsRegistry("1790620100MI9697SC959654030715110  *");
    const std::string grown =
        ThreeStudentsRegistry() + Slots({RegistryText(6000)}, kRegistrySlotSize);
    const std::string otherExams = Slots({"A", "B", "C", "D", "E", "F"}, kExamSlotSize);
    const std::string renumbered =
        Slots({RegistryText(1, 3, 2, 1, 1), RegistryText(5190, 2, 1, 4, 3), RegistryText(5194)},
              kRegistrySlotSize);
    const std::string reborn5193 = "7906|INF127250110|ALG131250220";
    const std::tuple<const char*, Fault, const char*, std::string> cases[] = {
        {"registry rewritten in place, same length", Rewritten("elenco.dir", reborn), "5193",
         reborn5193},
        {"registry rewritten in place with another number", Rewritten("elenco.dir", renumbered),
         "5190", k5193},
        {"registry cut to its first record",
         Rewritten("elenco.dir", ThreeStudentsRegistry().substr(0, kRegistrySlotSize)), "5193",
         "not found"},
        {"registry cut to nothing", Rewritten("elenco.dir", ""), "5193", "not found"},
        // The count of records is fixed at start-up: a student added later is not reached.
        {"registry grown by a student", Rewritten("elenco.dir", grown), "6000", "not found"},
        // A file removed is an error naming it; one replaced under its name is read anew.
        {"registry removed", Removed("elenco.dir"), "5193",
         "error: elenco.dir: No such file or directory"},
        {"registry replaced by another file", Replaced("elenco.dir", reborn), "5193", reborn5193},
        // A registry replaced is a registry of its own: its count and highest key with it.
        {"registry replaced by one with a student more", Replaced("elenco.dir", grown), "6000",
         "7805"},
        {"exam records replaced by another file", Replaced("esami.dir", otherExams), "5193",
         "7805|D|E"},
        // A file open stays readable to Velmaro.
        {"registry made unreadable",
         [](const testdata::TempDataDir& dir) { ::chmod(dir.PathOf("elenco.dir").c_str(), 0); },
         "5193", k5193},
        {"exam records cut short",
         Rewritten("esami.dir", Slots(kThreeStudentsExams, kExamSlotSize).substr(0, 60)), "5193",
         "7805|INF1272|"},
        {"exam records grown", Rewritten("esami.dir", otherExams), "5193", "7805|D|E"},
        {"exam records removed", Removed("esami.dir"), "5193",
         "error: esami.dir: No such file or directory"},
    };
    // Told by events only where a temporary folder's file system reports changes.
    const auto reporting = testdata::FolderReportingChanges();
    for (const FolderSource::Changes changes : kBothWaysOfSeeingChanges) {
        const bool toldByEvents = changes == FolderSource::Changes::kReportedWhereTheSystemCan;
        if (toldByEvents && !reporting) continue;
        for (const bool settled : {false, true}) {
            for (const auto& [fault, apply, typed, expected] : cases) {
                SCOPED_TRACE(std::string(fault) + (settled ? ", settled" : ", just changed") +
                             (toldByEvents ? ", told by events" : ", asked after"));
                DataFolder folder(
                    changes, toldByEvents ? *reporting : std::filesystem::temp_directory_path());
                folder.now = ChangedSeconds(folder.dir.PathOf("elenco.dir")) + (settled ? 60 : 0);
                DataStore store = folder.Load();
                ASSERT_EQ(store.RecordChanges() != nullptr, toldByEvents);
                // A run's first search reads the registry from the disk, the second from its copy,
                // the third from the copy's keys: each way is crossed before the fault.
                for (int search = 0; search < 3; ++search)
                    ASSERT_EQ(Outcome(store, "5193"), k5193);
                apply(folder.dir);
                // A file's name is looked at again once some time has passed.
                std::this_thread::sleep_for(kNameLookedAtAgain);
                // An error names the file within the folder; so does the search again.
                for (int search = 0; search < 2; ++search) {
                    std::string found = Outcome(store, typed);
                    if (const auto at = found.find(folder.dir.DataDir()); at != std::string::npos)
                        found.erase(at, folder.dir.DataDir().size());
                    EXPECT_EQ(found, expected);
                }
                // Once the files are whole again, so is the next lookup.
                testdata::WriteThreeStudents(folder.dir);
                std::this_thread::sleep_for(kNameLookedAtAgain);
                EXPECT_EQ(Outcome(store, "5193"), k5193);
            }
        }
    }
}

// A record file missing at start-up reads as empty until it is there; then it is read.
// A data set switched as a whole, as a keeper publishes a new one: the link that is the data
// folder moved from one folder to another at once. Every lookup reads the three files of one
// set, never the registry of one with the exams of the other, also after lookups that read no
// exam file (a number not found). In the second set the same students' exams lie three
// records later, so that a mix shows other exams.
TEST(FaultsMidRun, ADataSetSwitchedAsAWholeIsNeverReadHalfOldHalfNew) {
    const testdata::TempDataDir one, two, root;
    testdata::WriteThreeStudents(one);
    testdata::WriteThreeStudents(two);
    two.Write("elenco.dir", Slots({RegistryText(1, 3, 2, 4, 1), RegistryText(5193, 2, 1, 7, 3),
                                   RegistryText(5194, 0, 0, 9, 9)},
                                  kRegistrySlotSize));
    std::vector<std::string> shifted(3, "XYZ100000000");
    shifted.insert(shifted.end(), kThreeStudentsExams.begin(), kThreeStudentsExams.end());
    two.Write("esami.dir", Slots(shifted, kExamSlotSize));
    const std::string link = root.PathOf("current");
    const auto switchTo = [&](const testdata::TempDataDir& folder) {
        std::filesystem::create_directory_symlink(folder.DataDir(), link + ".new");
        std::filesystem::rename(link + ".new", link);
    };

    // Switched while the files are opened, one after the other: the first lookup reads them
    // as they are named then.
    struct SwitchingSource final : DataSource {
        SwitchingSource(FolderSource folder, std::function<void()> switchBack)
            : folder(std::move(folder)), switchBack(std::move(switchBack)) {}
        FolderSource folder;
        std::function<void()> switchBack;
        std::string PathOf(const std::string& name) const override { return folder.PathOf(name); }
        Result<std::string> ReadText(const std::string& name,
                                     std::size_t mostBytes) const override {
            return folder.ReadText(name, mostBytes);
        }
        Result<RecordFile> OpenRecords(const std::string& name, std::size_t slotSize,
                                       RecordFile::IfMissing ifMissing,
                                       RecordFile::Reading reading) const override {
            auto opened = folder.OpenRecords(name, slotSize, ifMissing, reading);
            if (name == "elenco.dir") switchBack();
            return opened;
        }
    };
    std::filesystem::create_directory_symlink(two.DataDir(), link);
    {
        const SwitchingSource source(FolderSource(link + "/"), [&] { switchTo(one); });
        auto opened = DataStore::LoadTables(source);
        ASSERT_TRUE(opened.ok()) << opened.error().Message();
        EXPECT_EQ(Outcome(*opened, "5193"), k5193);
    }

    auto store = DataStore::LoadTables(link + "/");
    ASSERT_TRUE(store.ok()) << store.error().Message();
    ASSERT_EQ(Outcome(*store, "5193"), k5193);
    // Switched after a lookup that read no exam file.
    std::this_thread::sleep_for(kNameLookedAtAgain);
    EXPECT_EQ(Outcome(*store, "4"), "not found");
    switchTo(two);
    EXPECT_EQ(Outcome(*store, "5193"), k5193);
    std::this_thread::sleep_for(kNameLookedAtAgain);
    EXPECT_EQ(Outcome(*store, "5193"), k5193);
    // Both files of the second set are read now.
    EXPECT_EQ(store->Registry().FileGeneration(), 1u);
    EXPECT_EQ(store->ExamFile().FileGeneration(), 1u);
}

// On a network share, a file replaced under its name by another client fails every request
// to the one still open ("stale file handle"): the lookup right after reads the files now
// under the names, as it does where the old ones can still be read. Runs in its own ctest
// entry, with stale_handles preloaded to fail requests as such a share does.
TEST(StaleHandles, FilesReplacedOnAShareAreReadAtTheNextLookup) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload == nullptr || std::string_view(preload).find("stale_handles") == std::string::npos)
        GTEST_SKIP() << "runs with stale_handles preloaded";
    DataFolder folder;
    DataStore store = folder.Load();
    EXPECT_EQ(Outcome(store, "5193"), k5193);
    Replace(folder.dir, "esami.dir", Slots({"A", "B", "C", "D", "E", "F"}, kExamSlotSize));
    Replace(folder.dir, "elenco.dir",
            ThreeStudentsRegistry("1790620100MI9697SC959654030715110  *"));
    EXPECT_EQ(Outcome(store, "5193"), "7906|D|E");
}

TEST(FaultsMidRun, ARecordFileMissingAtStartIsReadOnceItIsThere) {
    DataFolder folder;
    ::unlink(folder.dir.PathOf("esami.dir").c_str());
    DataStore store = folder.Load();
    EXPECT_EQ(Outcome(store, "5193"), "7805||");  // two exams without records
    folder.dir.Write("esami.dir", Slots(kThreeStudentsExams, kExamSlotSize));
    std::this_thread::sleep_for(kNameLookedAtAgain);
    EXPECT_EQ(Outcome(store, "5193"), k5193);
}

// Puts under name a file that cannot be read: a pipe, whose reading would wait for a writer, or
// a socket, which nobody can open, not even the superuser.
void ReplaceByUnreadable(const testdata::TempDataDir& dir, const std::string& name, bool pipe) {
    const std::string path = dir.PathOf("unreadable");
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(pipe ? ::mkfifo(path.c_str(), 0600)
                   : ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address),
              0);
    ::close(socket);
    ASSERT_EQ(std::rename(path.c_str(), dir.PathOf(name).c_str()), 0);
}

// The file under a name is the one read: once it is one that cannot be read, the file read
// until then is not read in its place, on any lookup, until a readable file is there again.
TEST(FaultsMidRun, AFileReplacedByOneThatCannotBeReadIsAnErrorOnEveryLookup) {
    for (const std::string name : {"elenco.dir", "esami.dir"}) {
        for (const bool pipe : {false, true}) {
            SCOPED_TRACE(name + (pipe ? " a pipe" : " a socket"));
            DataFolder folder;
            DataStore store = folder.Load();
            ASSERT_EQ(Outcome(store, "5193"), k5193);
            ReplaceByUnreadable(folder.dir, name, pipe);
            std::this_thread::sleep_for(kNameLookedAtAgain);
            for (int lookup = 0; lookup < 3; ++lookup)
                EXPECT_EQ(Outcome(store, "5193"),
                          "error: " + folder.dir.PathOf(name) + ": " +
                              (pipe ? "is a pipe, a socket or a device, not a data file"
                                    : "No such device or address"));
            ::unlink(folder.dir.PathOf(name).c_str());
            testdata::WriteThreeStudents(folder.dir);
            std::this_thread::sleep_for(kNameLookedAtAgain);
            EXPECT_EQ(Outcome(store, "5193"), k5193);
        }
    }
}

TEST(FaultsMidRun, ACopyIsReadAgainUntilItsLastChangeHasSettled) {
    // Asked after at each lookup: within two seconds of the file's last change its times may
    // not show a further change, so each lookup reads the whole file again; afterwards one
    // status request per lookup does.
    for (const auto& [secondsAfterChange, requestsPerLookup] :
         {std::pair{0, 2u}, {1, 2u}, {2, 1u}, {3600, 1u}}) {
        SCOPED_TRACE(secondsAfterChange);
        DataFolder folder(FolderSource::Changes::kAskEachTime);
        folder.now = ChangedSeconds(folder.dir.PathOf("elenco.dir")) + secondsAfterChange;
        DataStore store = folder.Load();
        // The copy is made at the second lookup.
        ASSERT_NE(Outcome(store, "5193"), "not found");
        ASSERT_NE(Outcome(store, "5193"), "not found");
        const std::uint64_t before = store.Registry().ReadRequests();
        ASSERT_NE(Outcome(store, "5194"), "not found");
        EXPECT_EQ(store.Registry().ReadRequests() - before, requestsPerLookup);
    }
}

// Student 5193 as Outcome tells it (birth and exams), with the academic years of the card.
std::string OutcomeWithYears(DataStore& store) {
    std::string found = Outcome(store, "5193");
    if (const auto student = LookupStudent(store, "5193"); student && student->student)
        for (const YearRecord& year : student->student->YearRecs)
            found += "|" + year.year.str();
    return found;
}

// Writes bytes over the file at path, of as many bytes, through a shared memory mapping: a
// write that raises no change event, though it moves the file's times.
void WriteThroughAMapping(const std::string& path, const std::string& bytes) {
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    struct stat info {};
    ASSERT_EQ(::fstat(descriptor, &info), 0);
    ASSERT_EQ(static_cast<std::size_t>(info.st_size), bytes.size());
    void* mapped = ::mmap(nullptr, bytes.size(), PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    ::close(descriptor);
    ASSERT_NE(mapped, MAP_FAILED);
    std::memcpy(mapped, bytes.data(), bytes.size());
    ::munmap(mapped, bytes.size());
}

// A write that raises no event (through a shared memory mapping, by the kernel's asynchronous
// I/O) still moves the file's times: the registry's copy, and the runs kept of the other files,
// show it once the names are looked at again, within the interval of those looks.
TEST(FaultsMidRun, AChangeThatRaisesNoEventShowsOnceTheNamesAreLookedAtAgain) {
    const auto reporting = testdata::FolderReportingChanges();
    if (!reporting) GTEST_SKIP() << "no temporary folder whose file system reports changes";
    DataFolder folder(FolderSource::Changes::kReportedWhereTheSystemCan, *reporting);
    DataStore store = folder.Load();
    ASSERT_NE(store.RecordChanges(), nullptr);
    const auto lookup = [&] { return OutcomeWithYears(store); };
    const std::string unchanged = k5193 + "|98";
    const std::tuple<const char*, std::string, std::string> changes[] = {
        {"velmara.dir", Slots({"009697", "009798", "010001"}, kYearSlotSize), k5193 + "|00"},
        {"esami.dir", Slots({"A", "B", "C", "D", "E"}, kExamSlotSize), "7805|D|E|98"},
        {"elenco.dir", ThreeStudentsRegistry("1790620100MI9697SC959654030715110  *"),
         "7906|INF127250110|ALG131250220|98"},
    };
    for (const auto& [name, bytes, expected] : changes) {
        SCOPED_TRACE(name);
        for (int search = 0; search < 3; ++search)
            ASSERT_EQ(lookup(), unchanged);
        WriteThroughAMapping(folder.dir.PathOf(name), bytes);
        std::this_thread::sleep_for(kNameLookedAtAgain);
        EXPECT_EQ(lookup(), expected);
        testdata::WriteThreeStudents(folder.dir);
        EXPECT_EQ(lookup(), unchanged);
    }
}

// Told by the system's events, as it is where the file system reports changes, a lookup asks
// the system for nothing but its one poll of the events while no file changes. A file changed
// in place, each of the three, is read again at the very next lookup, without waiting for a
// look at its name, and then no more until it changes again. (A network share reports nothing:
// its files are asked after at each lookup, as StaleHandles has them.)
TEST(FaultsMidRun, ChangesToldByEventsShowAtTheNextLookupAndNothingElseIsAsked) {
    const auto reporting = testdata::FolderReportingChanges();
    if (!reporting) GTEST_SKIP() << "no temporary folder whose file system reports changes";
    DataFolder folder(FolderSource::Changes::kReportedWhereTheSystemCan, *reporting);
    // Just changed: asked after, the registry would be read whole at every lookup.
    folder.now = ChangedSeconds(folder.dir.PathOf("elenco.dir"));
    DataStore store = folder.Load();
    ASSERT_NE(store.RecordChanges(), nullptr);
    const auto requests = [&] {
        return store.Registry().ReadRequests() + store.ExamFile().ReadRequests() +
               store.YearFile().ReadRequests() + store.RecordChanges()->Polls();
    };
    const auto lookup = [&] { return OutcomeWithYears(store); };
    const std::string unchanged = k5193 + "|98";
    for (int search = 0; search < 3; ++search)
        ASSERT_EQ(lookup(), unchanged);
    auto before = requests();
    ASSERT_EQ(Outcome(store, "5193"), k5193);
    EXPECT_EQ(requests() - before, 1u);

    const std::tuple<const char*, std::string, std::string> changes[] = {
        {"velmara.dir", Slots({"009697", "009798", "010001"}, kYearSlotSize), k5193 + "|00"},
        {"esami.dir", Slots({"A", "B", "C", "D", "E", "F"}, kExamSlotSize), "7805|D|E|98"},
        {"elenco.dir", ThreeStudentsRegistry("1790620100MI9697SC959654030715110  *"),
         "7906|INF127250110|ALG131250220|98"},
    };
    for (const auto& [name, bytes, expected] : changes) {
        SCOPED_TRACE(name);
        folder.dir.Write(name, bytes);
        EXPECT_EQ(lookup(), expected);
        before = requests();
        EXPECT_EQ(Outcome(store, "5193"), expected.substr(0, expected.rfind('|')));
        EXPECT_EQ(requests() - before, 1u) << "read again though unchanged";
        testdata::WriteThreeStudents(folder.dir);
        EXPECT_EQ(lookup(), unchanged);
    }

    // A batch's store keeps no run, as it draws each student once: it takes no instance of the
    // events, which the system grants each user few of, and each lookup reads the two runs
    // again.
    auto batch = DataStore::LoadTables(FolderSource(folder.dir.DataDir()),
                                       RecordFile::RunKeeping::kKeepNone);
    ASSERT_TRUE(batch);
    EXPECT_EQ(batch->RecordChanges(), nullptr);
    const auto runReads = [&] {
        return batch->ExamFile().ReadRequests() + batch->YearFile().ReadRequests();
    };
    for (int search = 0; search < 3; ++search)
        ASSERT_EQ(Outcome(*batch, "5193"), k5193);
    const auto runsRead = runReads();
    EXPECT_EQ(Outcome(*batch, "5193"), k5193);
    EXPECT_EQ(runReads() - runsRead, 2u);
    EXPECT_EQ(batch->ExamFile().HeldBytes() + batch->YearFile().HeldBytes(), 0u);
    // Changed in place, the batch's next card shows it, asked after as on a share.
    folder.dir.Write("velmara.dir", Slots({"009697", "009798", "010001"}, kYearSlotSize));
    const auto student = LookupStudent(*batch, "5193");
    ASSERT_TRUE(student && student->student);
    EXPECT_EQ(student->student->YearRecs.back().year.str(), "00");
}

}  // namespace
}  // namespace velmaro
