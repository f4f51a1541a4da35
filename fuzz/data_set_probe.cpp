#include "fuzz/data_set_probe.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <ostream>
#include <streambuf>

#include "lookup/lookup_student.h"
#include "render/exam_row.h"
#include "render/recording_surface.h"
#include "render/render_card.h"
#include "render/text_metrics.h"
#include "store/check_support.h"
#include "store/data_check.h"
#include "store/data_store.h"

namespace velmaro {

namespace {

// Discards what is written: the card is drawn in full, nothing is kept.
class NullBuffer final : public std::streambuf {
  protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// Whether entry is the number of a line of its table, as a code the table holds gives.
bool IsTableEntry(double entry) { return entry >= 1 && std::floor(entry) == entry; }

// Whether the card of student shows what a sound data set never gives: an exam without a date,
// with a code that is not an entry of the exam table or with a grade that is neither a pass
// without a mark nor a mark the averages count as 18 to 30, a module whose pass without a mark
// the averages count as a number, a diploma code that is not an entry of the title table, or a
// last career year that is not two digits.
bool ShowsUnsoundRecord(const Student& student, const DataStore& store) {
    const bool examsSound =
        std::all_of(student.ExamRecs.begin(), student.ExamRecs.end(), [&](const ExamRecord& exam) {
            const ExamRow row = ReadExamRow(exam, store.Exams());
            const bool graded = row.GradeText == "idoneo"
                                    ? row.ExamWeight == 0 || row.GradeValue == 0
                                    : row.GradeValue >= 18 && row.GradeValue <= 30;
            return exam.date && graded && IsTableEntry(store.Exams().EntryOf(exam.code.view()));
        });
    const YearRecord lastYearRecord = student.LastYearRec();
    const std::string_view lastYear = lastYearRecord.year.view();
    const bool lastYearSound =
        student.YearRecs.empty() || (lastYear.size() == 2 && data_check::AllDigits(lastYear));
    return !examsSound || !lastYearSound ||
           !IsTableEntry(store.Titles().EntryOf(student.fields.DiplomaCode));
}

}  // namespace

MemorySource SplitDataSet(std::string_view input) {
    MemorySource source;
    for (const std::string& name : kDataFileNames) {
        if (input.data() == nullptr) break;
        const std::size_t end = input.find(kDataFileSeparator);
        source.files[name] = std::string(input.substr(0, end));
        if (end == std::string_view::npos) {
            input = std::string_view();
        } else {
            input.remove_prefix(end + kDataFileSeparator.size());
        }
    }
    return source;
}

std::string JoinDataSet(const MemorySource& source) {
    std::string joined;
    for (const std::string& name : kDataFileNames) {
        if (!joined.empty()) joined += kDataFileSeparator;
        if (const auto found = source.files.find(name); found != source.files.end())
            joined += found->second;
    }
    return joined;
}

bool ProbeOutcome::ErrorsNameAFile() const {
    return std::all_of(errors.begin(), errors.end(), [](const Error& error) {
        return !error.reason.empty() && std::find(kDataFileNames.begin(), kDataFileNames.end(),
                                                  error.file) != kDataFileNames.end();
    });
}

ProbeOutcome ProbeDataSet(const DataSource& source, const std::vector<std::string>& typed) {
    ProbeOutcome outcome;
    Result<DataStore> store = DataStore::LoadTables(source);
    if (!store) {
        outcome.errors.push_back(store.error());
        return outcome;
    }
    outcome.loaded = true;

    const std::int32_t count = store->RegistryCount();
    std::vector<std::string> numbers;
    for (const std::int32_t record : {1, count}) {
        const auto text = store->Registry().ReadRecord(record);
        if (text) numbers.push_back(std::to_string(RecordKey(*text)));
    }
    numbers.push_back(std::to_string(static_cast<std::int64_t>(store->LastRegistryKey()) + 1));
    numbers.insert(numbers.end(), typed.begin(), typed.end());
    // A small registry names the same record more than once: each number is tried once.
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    outcome.lookups = static_cast<int>(numbers.size());

    NullBuffer discard;
    std::ostream out(&discard);
    const FixedMetrics metrics;
    const auto today = std::chrono::year{2025} / 10 / 20;
    for (const std::string& number : numbers) {
        const Result<LookupOutcome> found = LookupStudent(*store, number);
        if (!found) {
            outcome.errors.push_back(found.error());
        } else if (!found->student) {
            ++outcome.notFound;
        } else {
            RecordingSurface surface(out, metrics);
            RenderCard(surface, {*found->student, store->Titles(), store->Exams(), today, ","});
            ++outcome.cards;
            outcome.cardsWithUnsoundRecords += ShowsUnsoundRecord(*found->student, *store);
        }
    }
    // The key of every record (of the first kMostKeysLookedUp) looked up, without drawing.
    for (std::int32_t record = 1; record <= std::min(count, kMostKeysLookedUp); ++record) {
        const Result<std::string> text = store->Registry().ReadRecord(record);
        const bool found = text && [&] {
            const Result<LookupOutcome> lookup =
                LookupStudent(*store, std::to_string(RecordKey(*text)));
            return lookup && lookup->student;
        }();
        outcome.registryKeysNotFound += !found;
    }
    return outcome;
}

CheckOutcome CheckDataSet(const MemorySource& source) {
    const auto file = [&source](const std::string& name) -> std::optional<std::string> {
        const auto found = source.files.find(name);
        if (found == source.files.end()) return std::nullopt;
        return found->second;
    };
    const CheckReport report =
        CheckDataFiles({file("elenco.dir").value_or(""), file("esami.grp").value_or(""),
                        file("titoli.grp").value_or(""), file("esami.dir"), file("velmara.dir")},
                       std::chrono::year(2025) / 10 / 20);
    CheckOutcome outcome{.clean = report.Clean()};
    for (const ProblemKind kind : AllProblemKinds()) {
        const ProblemGroup& group = report.Group(kind);
        const bool keptWithinCount =
            group.first.size() <= CheckReport::kFindingsKept && group.first.size() <= group.count;
        const bool findingsNamed =
            std::all_of(group.first.begin(), group.first.end(), [](const Finding& finding) {
                return std::find(kDataFileNames.begin(), kDataFileNames.end(), finding.file) !=
                           kDataFileNames.end() &&
                       finding.record >= 0 && finding.otherRecord >= 0;
            });
        outcome.wellFormed = outcome.wellFormed && keptWithinCount && findingsNamed;
    }
    return outcome;
}

bool LookupsAgreeWithCheck(const ProbeOutcome& probe, const CheckOutcome& check) {
    return !check.clean || !probe.loaded ||
           (probe.registryKeysNotFound == 0 && probe.errors.empty() &&
            probe.cardsWithUnsoundRecords == 0);
}

}  // namespace velmaro
