// Speed of one student lookup (registry search and gathering of the exam and year records)
// on a full registry of 99,999 students with about 30 exams and 5 academic years each,
// against the same lookups answered by SQLite from a database built from the same files.
//
//   velmaro_bench_lookup --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true
//                        --benchmark_report_aggregates_only=true
//
// Random interleaving runs the repetitions of all the benchmarks in a shuffled order, so a
// slower spell of the machine falls on both sides of a ratio rather than on one.
//
// Set-up (about 10 s): the data set is generated into a temporary folder, opened with
// DataStore::LoadTables, copied into an SQLite file in the same folder, and every number of
// the lookup sequence (4096 pseudo-random numbers on file) is looked up once through each
// path; the gathered students must be equal. Benchmarks:
//   lookup/velmaro                 LookupStudent: search and gathering
//   lookup/velmaro_search_only     SearchRegistry alone (with the store's key index, as a lookup)
//   lookup/velmaro_gather_only     GatherStudent alone, on the found record
//   lookup/velmaro_open_and_first/lookups:N  LoadTables and the first N lookups: a session's
//                                  start (the first copies the registry, the second reads its keys)
//   lookup/sqlite                  the same lookup through SQLite, its default 2 MB page cache
//   lookup/sqlite_whole_db_cached  the same with a page cache that holds the whole database
//   lookup/sqlite_one_statement_mmap  one statement per lookup, the database mapped (mmap_size)
//                                  and wholly cached, no lock held between lookups
//   lookup/velmaro_asking_each_file  LookupStudent on a store that asks after each file at each
//                                  lookup (FolderSource::Changes::kAskEachTime), as it must on a
//                                  network share, which reports no changes; a lookup of a
//                                  student not looked up before makes as many requests
//   lookup/system_calls_alone      the one system call of each lookup and nothing else: the poll
//                                  of the change events of the three files (a read of the
//                                  events' descriptor that finds none). No lookup that sees the
//                                  files' current content without a lock, and without mapping a
//                                  file that may be cut, is faster; its ratio is the floor of the
//                                  lookup's on this machine
//   lookup/system_calls_asking_each_file  the three system calls of a lookup that asks after each
//                                  file: the status of the registry (is its copy still the
//                                  file?) and the reads of the student's exam run and year run
// Counters: reads/lookup (RecordFile::ReadRequests of the three files), registry_recs/lookup
// (registry keys the search compared), held_KiB (the data the store holds in memory: the
// registry's copy and keys, the runs kept, the tables),
// syscalls/lookup (every system call of the thread, where the kernel allows counting them, in
// an untimed walk of the sequence after the timed one),
// page_misses/lookup (pages SQLite fetched from the file). After the runs it prints the ratios of
// the median (or only) times, ours / SQLite, and the floor's.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/perf_event.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/text_fields.h"
#include "bench/ratio_reporter.h"
#include "bench/temp_folder.h"
#include "lookup/lookup_student.h"
#include "store/change_events.h"
#include "store/data_file_names.h"
#include "store/data_store.h"
#include "store/registry_search.h"
#include "store/student.h"
#include "store/text_file.h"
#include "tools/sample_data.h"
#include "tools/split_mix.h"

namespace velmaro {
namespace {

constexpr std::size_t kSequenceLength = 4096;  // a power of two: the index wraps with a mask

// The data set measured: every number from 1 to 99999, about 30 exams and 5 years each.
sample::SampleDataOptions MeasuredDataOptions() {
    sample::SampleDataOptions options;
    options.studentCount = 99999;
    options.maxMatricola = 99999;
    options.examsPerStudent = 30;
    options.yearsPerStudent = 5;
    options.lastEnrolYear = 2018;   // every career has ended ...
    options.graduatePercent = 100;  // ... in a degree, so every student has about 30 exams
    options.includeSpecialCases = false;
    // 99,999 x 30 exam records cannot all be addressed by five-digit record numbers.
    options.shareRunsBeyondRecordLimit = true;
    return options;
}

// An open SQLite connection.
class Database {
  public:
    static Result<Database> Open(const std::string& path, int flags) {
        sqlite3* handle = nullptr;
        const int status = sqlite3_open_v2(path.c_str(), &handle, flags, nullptr);
        Database db(handle);
        if (status != SQLITE_OK) return Error{path, sqlite3_errstr(status)};
        return db;
    }
    Database(Database&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Database& operator=(Database&&) = delete;
    ~Database() { sqlite3_close(handle_); }

    sqlite3* Handle() const { return handle_; }

    Status Execute(const std::string& sql) const {
        if (sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return Error{"SQLite", sqlite3_errmsg(handle_) + std::string(" in ") + sql};
        return Ok();
    }

  private:
    explicit Database(sqlite3* handle) : handle_(handle) {}
    sqlite3* handle_;
};

// A prepared statement, reset before every use.
class Statement {
  public:
    static Result<Statement> Prepare(const Database& db, const char* sql) {
        sqlite3_stmt* handle = nullptr;
        if (sqlite3_prepare_v3(db.Handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &handle, nullptr) !=
            SQLITE_OK)
            return Error{"SQLite", sqlite3_errmsg(db.Handle())};
        return Statement(handle);
    }
    Statement(Statement&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Statement& operator=(Statement&&) = delete;
    ~Statement() { sqlite3_finalize(handle_); }

    sqlite3_stmt* Handle() const { return handle_; }

    // Resets the statement and binds key to its parameter 1.
    sqlite3_stmt* WithKey(std::int64_t key) const {
        sqlite3_reset(handle_);
        sqlite3_bind_int64(handle_, 1, key);
        return handle_;
    }

  private:
    explicit Statement(sqlite3_stmt* handle) : handle_(handle) {}
    sqlite3_stmt* handle_;
};

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

// Copies the store's records into a new database at path: the registry record of each student
// and its exam and year runs, numbered from 1 in run order.
Status BuildDatabase(DataStore& store, const std::string& path) {
    auto db = Database::Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!db) return db.error();
    for (const char* sql :
         {"PRAGMA journal_mode = OFF", "PRAGMA synchronous = OFF", "BEGIN",
          "CREATE TABLE students(matricola INTEGER PRIMARY KEY, record TEXT NOT NULL)",
          "CREATE TABLE exams(matricola INTEGER NOT NULL, seq INTEGER NOT NULL, record TEXT NOT "
          "NULL, PRIMARY KEY (matricola, seq)) WITHOUT ROWID",
          "CREATE TABLE years(matricola INTEGER NOT NULL, seq INTEGER NOT NULL, record TEXT NOT "
          "NULL, PRIMARY KEY (matricola, seq)) WITHOUT ROWID"}) {
        if (const Status done = db->Execute(sql); !done) return done;
    }
    auto insertStudent = Statement::Prepare(*db, "INSERT INTO students VALUES (?1, ?2)");
    auto insertExam = Statement::Prepare(*db, "INSERT INTO exams VALUES (?1, ?2, ?3)");
    auto insertYear = Statement::Prepare(*db, "INSERT INTO years VALUES (?1, ?2, ?3)");
    if (!insertStudent) return insertStudent.error();
    if (!insertExam) return insertExam.error();
    if (!insertYear) return insertYear.error();

    const auto step = [&db](sqlite3_stmt* statement) -> Status {
        if (sqlite3_step(statement) != SQLITE_DONE)
            return Error{"SQLite", sqlite3_errmsg(db->Handle())};
        return Ok();
    };
    const auto insertRun = [&step](const Statement& insert, std::int32_t key,
                                   const std::vector<std::string>& texts) -> Status {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            sqlite3_stmt* s = insert.WithKey(key);
            sqlite3_bind_int64(s, 2, static_cast<std::int64_t>(i + 1));
            const std::string& record = texts[i];
            sqlite3_bind_text(s, 3, record.data(), static_cast<int>(record.size()),
                              SQLITE_TRANSIENT);
            if (const Status done = step(s); !done) return done;
        }
        return Ok();
    };

    const auto registry = store.Registry().ReadRun(1, store.RegistryCount());
    if (!registry) return registry.error();
    for (const std::string& record : *registry) {
        const std::int32_t key = RecordKey(record);
        const SplitRecord split = SplitStudentRecord(record);
        const auto exams = GatherRecords(store.ExamFile(), split.FirstExamRec, split.ExamRecCount);
        const auto years = GatherRecords(store.YearFile(), split.FirstYearRec, split.YearRecCount);
        if (!exams) return exams.error();
        if (!years) return years.error();

        sqlite3_stmt* s = insertStudent->WithKey(key);
        sqlite3_bind_text(s, 2, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
        if (const Status done = step(s); !done) return done;
        if (const Status done = insertRun(*insertExam, key, *exams); !done) return done;
        if (const Status done = insertRun(*insertYear, key, *years); !done) return done;
    }
    return db->Execute("COMMIT");
}

// The student of a registry record answered from the database, before its runs are added.
Student StudentWithoutRuns(std::string_view typedText, const std::string& record) {
    const SplitRecord split = SplitStudentRecord(record);
    Student student;
    student.MatrText = std::string(typedText);
    student.fields = split.fields;
    return student;
}

// The lookup of LookupStudent answered from the database: the registry record by key, the
// exam and year records by key in run order, put together into the same Student.
class SqliteLookup {
  public:
    static Result<SqliteLookup> Open(const std::string& path, int cacheKibibytes) {
        auto db = Database::Open(path, SQLITE_OPEN_READONLY);
        if (!db) return db.error();
        if (const Status done =
                db->Execute("PRAGMA cache_size = -" + std::to_string(cacheKibibytes));
            !done)
            return done.error();
        auto student = Statement::Prepare(*db, "SELECT record FROM students WHERE matricola = ?1");
        auto exams =
            Statement::Prepare(*db, "SELECT record FROM exams WHERE matricola = ?1 ORDER BY seq");
        auto years =
            Statement::Prepare(*db, "SELECT record FROM years WHERE matricola = ?1 ORDER BY seq");
        if (!student) return student.error();
        if (!exams) return exams.error();
        if (!years) return years.error();
        return SqliteLookup(std::move(*db), std::move(*student), std::move(*exams),
                            std::move(*years));
    }

    std::optional<Student> Find(std::string_view typedText) const {
        const auto key = KeyOf(typedText);
        if (!key) return std::nullopt;
        sqlite3_stmt* found = student_.WithKey(*key);
        if (sqlite3_step(found) != SQLITE_ROW) return std::nullopt;
        Student student = StudentWithoutRuns(typedText, ColumnText(found, 0));
        for (const std::string& text : Rows(exams_, *key))
            student.ExamRecs.push_back(ParseExamRecord(text));
        for (const std::string& text : Rows(years_, *key))
            student.YearRecs.push_back(ParseYearRecord(text));
        return student;
    }

    // Pages SQLite had to fetch from the file since the last call.
    int TakeCacheMisses() const {
        int current = 0;
        int highest = 0;
        sqlite3_db_status(db_.Handle(), SQLITE_DBSTATUS_CACHE_MISS, &current, &highest, 1);
        return current;
    }

  private:
    SqliteLookup(Database db, Statement student, Statement exams, Statement years)
        : db_(std::move(db)),
          student_(std::move(student)),
          exams_(std::move(exams)),
          years_(std::move(years)) {}

    static std::vector<std::string> Rows(const Statement& query, std::int32_t key) {
        std::vector<std::string> rows;
        sqlite3_stmt* s = query.WithKey(key);
        while (sqlite3_step(s) == SQLITE_ROW)
            rows.push_back(ColumnText(s, 0));
        return rows;
    }

    Database db_;
    Statement student_;
    Statement exams_;
    Statement years_;
};

// The best SQLite set-up that keeps Velmaro's behaviour (no lock held between lookups, so every
// lookup sees the file's current content): one statement per lookup for the registry record
// and both runs, the database mapped into memory (mmap_size) and a page cache that holds it all.
// Each part comes in its primary key's order, so the rows need no sorting (the set-up checks
// that every student comes out equal to the store's).
class SqliteOneStatement {
  public:
    static Result<SqliteOneStatement> Open(const std::string& path, int cacheKibibytes) {
        auto db = Database::Open(path, SQLITE_OPEN_READONLY);
        if (!db) return db.error();
        for (const std::string& pragma : {"PRAGMA cache_size = -" + std::to_string(cacheKibibytes),
                                          std::string("PRAGMA mmap_size = 1073741824")}) {
            if (const Status done = db->Execute(pragma); !done) return done.error();
        }
        auto all =
            Statement::Prepare(*db,
                               "SELECT 0, 0, record FROM students WHERE matricola = ?1 UNION ALL "
                               "SELECT 1, seq, record FROM exams WHERE matricola = ?1 UNION ALL "
                               "SELECT 2, seq, record FROM years WHERE matricola = ?1");
        if (!all) return all.error();
        return SqliteOneStatement(std::move(*db), std::move(*all));
    }

    std::optional<Student> Find(std::string_view typedText) const {
        const auto key = KeyOf(typedText);
        if (!key) return std::nullopt;
        sqlite3_stmt* s = all_.WithKey(*key);
        if (sqlite3_step(s) != SQLITE_ROW || sqlite3_column_int(s, 0) != 0) return std::nullopt;
        Student student = StudentWithoutRuns(typedText, ColumnText(s, 2));
        while (sqlite3_step(s) == SQLITE_ROW) {
            if (sqlite3_column_int(s, 0) == 1) {
                student.ExamRecs.push_back(ParseExamRecord(ColumnText(s, 2)));
            } else {
                student.YearRecs.push_back(ParseYearRecord(ColumnText(s, 2)));
            }
        }
        return student;
    }

  private:
    SqliteOneStatement(Database db, Statement all) : db_(std::move(db)), all_(std::move(all)) {}

    Database db_;
    Statement all_;
};

// Counts the system calls the calling thread makes, through the kernel's raw_syscalls
// tracepoint; Available() is false where the kernel does not allow it.
class SyscallCounter {
  public:
    SyscallCounter() {
        std::ifstream idFile("/sys/kernel/tracing/events/raw_syscalls/sys_enter/id");
        std::uint64_t id = 0;
        if (!(idFile >> id)) return;
        perf_event_attr attr{};
        attr.type = PERF_TYPE_TRACEPOINT;
        attr.size = sizeof(attr);
        attr.config = id;
        attr.exclude_hv = 1;
        descriptor_ = static_cast<int>(syscall(SYS_perf_event_open, &attr, 0, -1, -1, 0));
    }
    SyscallCounter(const SyscallCounter&) = delete;
    SyscallCounter& operator=(const SyscallCounter&) = delete;
    ~SyscallCounter() {
        if (descriptor_ >= 0) close(descriptor_);
    }

    bool Available() const { return descriptor_ >= 0; }

    // System calls so far (the read of the counter itself included).
    std::uint64_t Count() const {
        std::uint64_t count = 0;
        if (descriptor_ < 0 || read(descriptor_, &count, sizeof(count)) != sizeof(count)) return 0;
        return count;
    }

  private:
    int descriptor_ = -1;
};

// Everything the benchmarks share, made once: the generated files, the store open on them,
// the database built from them, and the sequence of typed numbers to look up.
struct Environment {
    TempFolder folder;
    std::optional<DataStore> store;
    std::optional<DataStore> storeAskingEachFile;
    std::optional<SqliteLookup> sqliteDefaultCache;
    std::optional<SqliteLookup> sqliteWholeCache;
    std::optional<SqliteOneStatement> sqliteOneStatement;
    std::vector<std::string> typed;        // kSequenceLength typed numbers, all on file
    std::vector<std::string> foundRecord;  // the registry record of each
};

// The reads a lookup of one student makes in a record file: where its run starts and how long.
struct RunRead {
    off_t offset = 0;
    std::size_t size = 0;
};

// The run of count records from first (numbered from 1) in a file of slotSize-byte slots, as
// RecordFile reads it: no read when the run is empty or lies before record 1.
RunRead RunReadOf(std::optional<std::int32_t> first, int count, std::size_t slotSize) {
    if (!first || count <= 0) return {};
    const std::int64_t start = std::max<std::int64_t>(*first, 1);
    const std::int64_t last = std::int64_t{*first} + count - 1;
    if (last < start) return {};
    return {static_cast<off_t>((start - 1) * static_cast<std::int64_t>(slotSize)),
            static_cast<std::size_t>((last - start + 1) * static_cast<std::int64_t>(slotSize))};
}

// A data file open for reading as the store opens it, closed when it goes.
class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::string& path) : descriptor_(OpenForReading(path)) {}
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile() {
        if (descriptor_ >= 0) close(descriptor_);
    }
    int Descriptor() const { return descriptor_; }

  private:
    int descriptor_;
};

// The three record files of the measured data set, open as the store opens them.
struct RecordFilesOpen {
    explicit RecordFilesOpen(const Environment& env)
        : registry(env.folder.Path() + "/" + std::string(kRegistryName)),
          exams(env.folder.Path() + "/" + std::string(kExamsName)),
          years(env.folder.Path() + "/" + std::string(kYearsName)) {}
    bool Open() const {
        return registry.Descriptor() >= 0 && exams.Descriptor() >= 0 && years.Descriptor() >= 0;
    }
    const ReadOnlyFile registry, exams, years;
};

Status Prepare(Environment& env) {
    const std::string dataDir = env.folder.Path() + "/";
    if (const Status written = sample::WriteSampleDataSet(env.folder.Path(), MeasuredDataOptions());
        !written)
        return written;
    auto store = DataStore::LoadTables(dataDir);
    if (!store) return store.error();
    env.store.emplace(std::move(*store));
    if (env.store->RecordChanges() == nullptr)
        std::cout << "the system reports no changes of the data files: every lookup asks\n";
    auto asking =
        DataStore::LoadTables(FolderSource(dataDir, {}, FolderSource::Changes::kAskEachTime));
    if (!asking) return asking.error();
    env.storeAskingEachFile.emplace(std::move(*asking));

    const std::string dbPath = dataDir + "lookup.sqlite";
    if (const Status built = BuildDatabase(*env.store, dbPath); !built) return built;
    constexpr int kDefaultCacheKibibytes = 2000;  // SQLite's own default
    const auto dbBytes = static_cast<int>(std::filesystem::file_size(dbPath) / 1024);
    auto defaultCache = SqliteLookup::Open(dbPath, kDefaultCacheKibibytes);
    auto wholeCache = SqliteLookup::Open(dbPath, 2 * dbBytes);
    if (!defaultCache) return defaultCache.error();
    if (!wholeCache) return wholeCache.error();
    env.sqliteDefaultCache.emplace(std::move(*defaultCache));
    env.sqliteWholeCache.emplace(std::move(*wholeCache));
    auto oneStatement = SqliteOneStatement::Open(dbPath, 2 * dbBytes);
    if (!oneStatement) return oneStatement.error();
    env.sqliteOneStatement.emplace(std::move(*oneStatement));
    std::cout << "data: " << env.folder.Path() << ", database " << dbBytes / 1024 << " MiB\n";

    sample::SplitMix64 random(20251206);
    for (std::size_t i = 0; i < kSequenceLength; ++i) {
        const auto key = static_cast<std::int32_t>(
            1 + random.Below(static_cast<std::uint64_t>(env.store->LastRegistryKey())));
        env.typed.push_back(std::to_string(key));
    }

    // Every number of the sequence through each: the answers must agree, and the caches get
    // warm.
    for (const std::string& text : env.typed) {
        const auto ours = LookupStudent(*env.store, text);
        if (!ours) return ours.error();
        if (!ours->student) return Error{"", "student missing: " + text};
        const auto asked = LookupStudent(*env.storeAskingEachFile, text);
        if (!asked || asked->student != ours->student)
            return Error{"", "the stores disagree on student " + text};
        for (const SqliteLookup* sqlite : {&*env.sqliteDefaultCache, &*env.sqliteWholeCache}) {
            const auto theirs = sqlite->Find(text);
            if (!theirs || *ours->student != *theirs)
                return Error{"", "SQLite and the store disagree on student " + text};
        }
        const auto one = env.sqliteOneStatement->Find(text);
        if (!one || *ours->student != *one)
            return Error{"", "SQLite's one statement and the store disagree on student " + text};
        const auto search = SearchRegistry(env.store->Registry(), env.store->RegistryCount(),
                                           env.store->LastRegistryKey(), *KeyOf(text));
        if (!search) return search.error();
        env.foundRecord.push_back(search->record);
    }
    return Ok();
}

std::uint64_t ReadRequests(DataStore& store) {
    return store.Registry().ReadRequests() + store.ExamFile().ReadRequests() +
           store.YearFile().ReadRequests();
}

// Calls measure(n) once per iteration with n walking the sequence of typed numbers, then adds
// the counter syscalls/lookup where the kernel lets the thread count its system calls. The
// count is taken over one more, untimed walk of the sequence: a counting tracepoint adds its own
// cost to every system call, which would weigh on the timed side that makes the fewest calls.
// Returns how many times measure was called in all, for counters kept across both walks.
template <typename Measure>
std::size_t OverSequence(benchmark::State& state, Measure&& measure) {
    std::size_t i = 0;
    for (auto _ : state)
        measure(i++ & (kSequenceLength - 1));
    const SyscallCounter syscalls;
    const std::uint64_t before = syscalls.Count();
    for (std::size_t n = 0; n < kSequenceLength; ++n)
        measure(n);
    const std::uint64_t after = syscalls.Count();
    if (syscalls.Available()) {
        state.counters["syscalls/lookup"] =
            static_cast<double>(after - before - 1) / static_cast<double>(kSequenceLength);
    }
    return i + kSequenceLength;
}

void LookupOurs(benchmark::State& state, DataStore& store, const Environment& env) {
    const std::uint64_t readsBefore = ReadRequests(store);
    std::int64_t registryRecords = 0;
    const auto lookups = static_cast<double>(OverSequence(state, [&](std::size_t n) {
        auto outcome = LookupStudent(store, env.typed[n]);
        registryRecords += outcome->registryRecordsRead;
        benchmark::DoNotOptimize(outcome);
    }));
    state.counters["reads/lookup"] =
        static_cast<double>(ReadRequests(store) - readsBefore) / lookups;
    state.counters["registry_recs/lookup"] = static_cast<double>(registryRecords) / lookups;
    // What the store holds in memory: the registry's copy and its keys, the runs the record
    // files keep, and the two tables.
    std::size_t held =
        store.Registry().HeldBytes() + store.ExamFile().HeldBytes() + store.YearFile().HeldBytes();
    if (const auto keys = store.RegistryIndex().KeysOf(store.Registry(), store.RegistryCount());
        keys.ok() && *keys != nullptr)
        held += (*keys)->size() * sizeof(std::int32_t);
    for (const CodeTable* table : {&store.Exams(), &store.Titles()}) {
        held += table->codes.size();
        for (const auto* texts : {&table->names, &table->groups})
            for (const std::string& text : *texts)
                held += sizeof text + (text.size() > 15 ? text.size() : 0);
    }
    state.counters["held_KiB"] = static_cast<double>(held) / 1024;
}

void SearchOnly(benchmark::State& state, Environment& env) {
    DataStore& store = *env.store;
    OverSequence(state, [&](std::size_t n) {
        auto outcome =
            SearchRegistry(store.Registry(), store.RegistryCount(), store.LastRegistryKey(),
                           *KeyOf(env.typed[n]), &store.RegistryIndex());
        benchmark::DoNotOptimize(outcome);
    });
}

// The first lookups of a session (or the first after the registry changed): opening the data
// (LoadTables), then state.range(0) lookups. The first copies the registry; the second also
// reads its keys.
void FirstLookups(benchmark::State& state, Environment& env) {
    const std::string dataDir = env.folder.Path() + "/";
    std::size_t i = 0;
    for (auto _ : state) {
        auto store = DataStore::LoadTables(dataDir);
        for (std::int64_t n = 0; n < state.range(0); ++n) {
            auto outcome = LookupStudent(*store, env.typed[i++ & (kSequenceLength - 1)]);
            if (!outcome || !outcome->student) state.SkipWithError("a first lookup failed");
            benchmark::DoNotOptimize(outcome);
        }
    }
}

void GatherOnly(benchmark::State& state, Environment& env) {
    OverSequence(state, [&](std::size_t n) {
        Student student;
        auto gathered = GatherStudent(*env.store, env.typed[n], env.foundRecord[n], student);
        benchmark::DoNotOptimize(gathered);
        benchmark::DoNotOptimize(student);
    });
}

void SystemCallsAlone(benchmark::State& state, Environment& env) {
    const RecordFilesOpen files(env);
    auto events = ChangeEvents::Start();
    if (events == nullptr || !events->Watch(files.registry.Descriptor()) ||
        !events->Watch(files.exams.Descriptor()) || !events->Watch(files.years.Descriptor())) {
        state.SkipWithError("the system reports no changes of the data files");
        return;
    }
    OverSequence(state, [&](std::size_t) { events->Poll(); });
}

void SystemCallsAskingEachFile(benchmark::State& state, Environment& env) {
    const RecordFilesOpen files(env);
    if (!files.Open()) {
        state.SkipWithError("cannot open the data files");
        return;
    }
    std::vector<std::pair<RunRead, RunRead>> runs;
    std::size_t largest = 0;
    for (const std::string& record : env.foundRecord) {
        const SplitRecordView split = SplitStudentRecordView(record);
        runs.emplace_back(RunReadOf(split.FirstExamRec, split.ExamRecCount, kExamSlotSize),
                          RunReadOf(split.FirstYearRec, split.YearRecCount, kYearSlotSize));
        largest = std::max({largest, runs.back().first.size, runs.back().second.size});
    }
    std::vector<char> buffer(largest);
    bool failed = false;
    OverSequence(state, [&](std::size_t n) {
        struct stat info {};
        failed |= fstat(files.registry.Descriptor(), &info) != 0;
        for (const auto& [file, run] : {std::pair{files.exams.Descriptor(), runs[n].first},
                                        std::pair{files.years.Descriptor(), runs[n].second}}) {
            if (run.size != 0)
                failed |= pread(file, buffer.data(), run.size, run.offset) !=
                          static_cast<ssize_t>(run.size);
        }
        benchmark::DoNotOptimize(buffer.data());
    });
    if (failed) state.SkipWithError("a system call failed");
}

void LookupSqliteOneStatement(benchmark::State& state, const SqliteOneStatement& sqlite,
                              const std::vector<std::string>& typed) {
    OverSequence(state, [&](std::size_t n) {
        auto student = sqlite.Find(typed[n]);
        benchmark::DoNotOptimize(student);
    });
}

void LookupSqlite(benchmark::State& state, const SqliteLookup& sqlite,
                  const std::vector<std::string>& typed) {
    sqlite.TakeCacheMisses();
    const auto lookups = static_cast<double>(OverSequence(state, [&](std::size_t n) {
        auto student = sqlite.Find(typed[n]);
        benchmark::DoNotOptimize(student);
    }));
    state.counters["page_misses/lookup"] = static_cast<double>(sqlite.TakeCacheMisses()) / lookups;
}

}  // namespace
}  // namespace velmaro

int main(int argc, char** argv) {
    using namespace velmaro;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    Environment env;
    if (env.folder.Path().empty()) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }
    if (const Status prepared = Prepare(env); !prepared) {
        std::cerr << prepared.error().Message() << "\n";
        return 1;
    }

    benchmark::RegisterBenchmark("lookup/velmaro", LookupOurs, std::ref(*env.store),
                                 std::cref(env));
    benchmark::RegisterBenchmark("lookup/velmaro_asking_each_file", LookupOurs,
                                 std::ref(*env.storeAskingEachFile), std::cref(env));
    benchmark::RegisterBenchmark("lookup/velmaro_search_only", SearchOnly, std::ref(env));
    benchmark::RegisterBenchmark("lookup/velmaro_gather_only", GatherOnly, std::ref(env));
    benchmark::RegisterBenchmark("lookup/velmaro_open_and_first", FirstLookups, std::ref(env))
        ->ArgName("lookups")
        ->Arg(1)
        ->Arg(2)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("lookup/system_calls_alone", SystemCallsAlone, std::ref(env));
    benchmark::RegisterBenchmark("lookup/system_calls_asking_each_file", SystemCallsAskingEachFile,
                                 std::ref(env));
    benchmark::RegisterBenchmark("lookup/sqlite", LookupSqlite, std::cref(*env.sqliteDefaultCache),
                                 std::cref(env.typed));
    benchmark::RegisterBenchmark("lookup/sqlite_whole_db_cached", LookupSqlite,
                                 std::cref(*env.sqliteWholeCache), std::cref(env.typed));
    benchmark::RegisterBenchmark("lookup/sqlite_one_statement_mmap", LookupSqliteOneStatement,
                                 std::cref(*env.sqliteOneStatement), std::cref(env.typed));

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("lookup/velmaro", "lookup/sqlite", 0.4);
    reporter.PrintRatio("lookup/velmaro", "lookup/sqlite_whole_db_cached", 0.4);
    reporter.PrintRatio("lookup/velmaro", "lookup/sqlite_one_statement_mmap", 0.25);
    reporter.PrintRatio("lookup/system_calls_alone", "lookup/sqlite_one_statement_mmap", 0.25);
    reporter.PrintRatio("lookup/velmaro_asking_each_file", "lookup/sqlite_one_statement_mmap",
                        0.25);
    reporter.PrintRatio("lookup/system_calls_asking_each_file", "lookup/sqlite_one_statement_mmap",
                        0.25);
    benchmark::Shutdown();
    return 0;
}
