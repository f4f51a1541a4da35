#include "tools/sample_data.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "base/system_reason.h"
#include "store/data_store.h"
#include "tools/edge_case_students.h"
#include "tools/sample_catalogue.h"
#include "tools/sample_student.h"
#include "tools/split_mix.h"

namespace velmaro::sample {
namespace {

// The highest record number that a five-digit start field can name.
constexpr std::int32_t kLastAddressableRecord = 99999;

// One slot of a record file: the 2-byte little-endian length, the text, zeros to the end.
std::string Slot(std::string_view text, std::size_t slotSize) {
    std::string slot(slotSize, '\0');
    slot[0] = static_cast<char>(text.size() & 0xFF);
    slot[1] = static_cast<char>(text.size() >> 8);
    std::copy(text.begin(), text.end(), slot.begin() + 2);
    return slot;
}

Status CheckOptions(const SampleDataOptions& options) {
    const auto fail = [](std::string reason) { return Status(Error{"", std::move(reason)}); };
    if (options.maxMatricola < 1 || options.maxMatricola > 99999)
        return fail("the highest identification number must lie in 1 ... 99999");
    if (options.studentCount < 1 || options.studentCount > options.maxMatricola)
        return fail("the number of students must lie in 1 ... the highest identification number");
    if (options.examsPerStudent < 0 || options.examsPerStudent > 99)
        return fail("the exams per student must lie in 0 ... 99");
    if (options.yearsPerStudent < 1 || options.yearsPerStudent > 99)
        return fail("the years per student must lie in 1 ... 99");
    if (options.firstEnrolYear < 1930 || options.lastEnrolYear > kDataAsOfYear - 1 ||
        options.firstEnrolYear > options.lastEnrolYear)
        return fail("the enrolment years must lie in 1930 ... 2024, the first not after the last");
    if (options.graduatePercent < 0 || options.graduatePercent > 100)
        return fail("the share of graduates must lie in 0 ... 100");
    return Ok();
}

// The registry's keys: the special cases, then as many more numbers as wanted, drawn evenly
// from what is left of 1 ... maxMatricola (selection sampling, so every key is drawn once).
Result<std::vector<std::int32_t>> ChooseMatricole(const SampleDataOptions& options) {
    std::vector<std::int32_t> forced;
    for (const SpecialCase& special : SpecialCases()) {
        if (!options.includeSpecialCases && !special.alwaysPresent) continue;
        if (special.matricola > options.maxMatricola) {
            if (!options.includeSpecialCases) continue;
            return Error{"", "the special cases need identification numbers up to " +
                                 std::to_string(SpecialCases().back().matricola)};
        }
        forced.push_back(special.matricola);
    }
    // With the special cases, kFirstRecordStudent must stay the lowest key.
    const std::int32_t low = options.includeSpecialCases ? kFirstRecordStudent + 1 : 1;
    const auto forcedInRange =
        std::count_if(forced.begin(), forced.end(), [low](std::int32_t m) { return m >= low; });
    std::int64_t pool = options.maxMatricola - low + 1 - forcedInRange;
    std::int64_t needed = options.studentCount - static_cast<std::int64_t>(forced.size());
    if (needed < 0 || needed > pool) {
        return Error{"", "cannot place " + std::to_string(options.studentCount) +
                             " students with the special cases among the numbers up to " +
                             std::to_string(options.maxMatricola)};
    }

    SplitMix64 random = StreamFor(options.seed, 0);
    std::vector<std::int32_t> chosen = forced;
    for (std::int32_t m = low; m <= options.maxMatricola && needed > 0; ++m) {
        if (std::find(forced.begin(), forced.end(), m) != forced.end()) continue;
        if (static_cast<std::int64_t>(random.Below(static_cast<std::uint64_t>(pool))) < needed) {
            chosen.push_back(m);
            --needed;
        }
        --pool;
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

// Appends the students' runs to one record file and hands out where each run starts.
class RunWriter {
  public:
    RunWriter(std::string fileName, std::size_t slotSize, bool share)
        : fileName_(std::move(fileName)), slotSize_(slotSize), share_(share) {}

    struct Run {
        std::int32_t first = 0;
        int count = 0;
    };

    // Places the texts as one run; an empty run starts at record 0. A run that would pass
    // the last addressable record is an error, or, when sharing, an earlier run.
    Result<Run> Append(const std::vector<std::string>& texts, std::int32_t matricola) {
        if (texts.empty()) return Run{};
        const auto count = static_cast<std::int32_t>(texts.size());
        if (next_ + count - 1 <= kLastAddressableRecord) {
            const Run run{next_, count};
            for (const std::string& text : texts)
                bytes_ += Slot(text, slotSize_);
            next_ += count;
            owned_.push_back(run);
            return run;
        }
        if (!share_ || owned_.empty()) {
            return Error{fileName_, "the records of student " + std::to_string(matricola) +
                                        " would pass record 99999, beyond the reach of the "
                                        "registry's five-digit record numbers"};
        }
        return owned_[shared_++ % owned_.size()];
    }

    std::string TakeBytes() { return std::move(bytes_); }

  private:
    std::string fileName_;
    std::size_t slotSize_;
    bool share_;
    std::string bytes_;
    std::int32_t next_ = 1;
    std::vector<Run> owned_;
    std::size_t shared_ = 0;
};

CareerLimits LimitsOf(const SampleDataOptions& options) {
    CareerLimits limits;
    limits.firstEnrolYear = options.firstEnrolYear;
    limits.lastEnrolYear = options.lastEnrolYear;
    limits.examsPerStudent = options.examsPerStudent;
    limits.yearsPerStudent = options.yearsPerStudent;
    limits.graduatePercent = options.graduatePercent;
    limits.asOf = Day(std::chrono::year(kDataAsOfYear) / std::chrono::month(kDataAsOfMonth) /
                      std::chrono::day(kDataAsOfDay));
    return limits;
}

PlannedStudent PlanOne(std::int32_t matricola, const SampleDataOptions& options,
                       const CareerLimits& limits) {
    SplitMix64 random = StreamFor(options.seed, static_cast<std::uint64_t>(matricola));
    const bool special =
        IsSpecialCase(matricola) && (options.includeSpecialCases || matricola == kTypicalGraduate);
    if (special) return PlanSpecialStudent(matricola, limits, random);
    return PlanStudent(matricola, DrawCareerShape(random, limits), limits, random);
}

// Writes bytes as the file at path through a temporary file beside it, which replaces path only
// once it is whole on the disk: a file that cannot be written leaves an older one as it was.
// An error names path and the system's reason (a full disk).
Status WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::string temporary = path.string() + ".XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) return Error{path.string(), SystemReason(errno)};
    int error = 0;
    for (std::size_t done = 0; error == 0 && done < bytes.size();) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written >= 0) {
            done += static_cast<std::size_t>(written);
        } else if (errno != EINTR) {
            error = errno;
        }
    }
    // Readable as a file made by an open() would be: 0666 less the process's mask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (error == 0 && ::fchmod(descriptor, 0666 & ~mask) != 0) error = errno;
    if (error == 0 && ::fsync(descriptor) != 0) error = errno;
    if (::close(descriptor) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return Error{path.string(), SystemReason(error)};
    }
    return Ok();
}

}  // namespace

Result<SampleDataSet> GenerateSampleDataSet(const SampleDataOptions& options) {
    if (const Status checked = CheckOptions(options); !checked) return checked.error();
    auto matricole = ChooseMatricole(options);
    if (!matricole) return matricole.error();

    const CareerLimits limits = LimitsOf(options);
    RunWriter examRuns("esami.dir", kExamSlotSize, options.shareRunsBeyondRecordLimit);
    RunWriter yearRuns("velmara.dir", kYearSlotSize, options.shareRunsBeyondRecordLimit);
    SampleDataSet set;
    set.registry.reserve(matricole->size() * kRegistrySlotSize);

    for (const std::int32_t matricola : *matricole) {
        const PlannedStudent student = PlanOne(matricola, options, limits);
        std::vector<std::string> examTexts;
        for (const PlannedExam& exam : student.exams)
            examTexts.push_back(ExamText(exam));

        const auto exams = examRuns.Append(examTexts, matricola);
        if (!exams) return exams.error();
        const auto years = yearRuns.Append(student.careerYears, matricola);
        if (!years) return years.error();

        const RunPlacement runs{exams->count, exams->first, years->count, years->first};
        set.registry += Slot(RegistryText(student, runs), kRegistrySlotSize);
    }

    set.exams = examRuns.TakeBytes();
    set.years = yearRuns.TakeBytes();
    set.examTable = ExamTableText();
    set.titleTable = TitleTableText();
    set.matricole = std::move(*matricole);
    return set;
}

Status WriteSampleDataSet(const std::string& folder, const SampleDataOptions& options) {
    const auto set = GenerateSampleDataSet(options);
    if (!set) return set.error();

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return Error{folder, SystemReason(error.value())};
    const std::filesystem::path dir(folder);
    const std::pair<const char*, const std::string*> files[] = {
        {"elenco.dir", &set->registry},   {"esami.dir", &set->exams},
        {"velmara.dir", &set->years},     {"esami.grp", &set->examTable},
        {"titoli.grp", &set->titleTable},
    };
    for (const auto& [name, bytes] : files) {
        if (const Status written = WriteFile(dir / name, *bytes); !written) return written;
    }
    return Ok();
}

}  // namespace velmaro::sample
