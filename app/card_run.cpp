#include "app/card_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <thread>
#include <tuple>
#include <utility>

#include "app/interruption.h"
#include "base/printable_text.h"
#include "base/windows1252.h"
#include "lookup/lookup_student.h"
#include "render/render_card.h"
#include "store/data_warnings.h"
#include "store/registry_search.h"

namespace velmaro {

void ReportError(std::ostream& errors, const Error& error) {
    errors << "velmaro: " << PrintableText(error.Message()) << '\n';
}

void ReportNoCard(std::ostream& errors, const Error& error, std::string_view typed) {
    ReportError(errors,
                Error{error.file, error.reason + " (no card for " + EchoedText(typed) + ")"});
}

void ReportNotFound(std::ostream& errors, std::string_view typed) {
    errors << "Matricola NON Trovata: " << PrintableText(EchoedText(typed)) << '\n';
}

void ReportCutOff(std::ostream& errors, std::string_view typed, PageFit fit) {
    errors << "velmaro: warning: the card of " << PrintableText(EchoedText(typed)) << " runs past "
           << ByEdges(fit, "the bottom", "the right edge", "the bottom and the right edge")
           << " of its page, where it is cut off (the window shows it whole)\n";
}

namespace {

// Whether no file is at path now (rather than one that could not be read).
bool NoFileAt(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) != 0 && errno == ENOENT;
}

}  // namespace

Result<LookupOutcome> CardLookups::Lookup(DataStore& store, std::string_view typed) {
    Result<LookupOutcome> outcome = LookupStudent(store, typed);
    if (outcome) {
        // Written only when it changes: the threads of a run share it.
        if (waitedInVain_.load(std::memory_order_relaxed))
            waitedInVain_.store(false, std::memory_order_relaxed);
        return outcome;
    }
    if (waitedInVain_.load(std::memory_order_relaxed) || !NoFileAt(outcome.error().file))
        return outcome;
    const auto until = std::chrono::steady_clock::now() + kMissingFileWait;
    while (std::chrono::steady_clock::now() < until && !Interruption::Requested()) {
        // The store looks at the files' names again once this much time has passed.
        std::this_thread::sleep_for(RecordFile::kPathCheckInterval);
        if (NoFileAt(outcome.error().file)) continue;
        outcome = LookupStudent(store, typed);
        if (outcome || !NoFileAt(outcome.error().file)) return outcome;
    }
    waitedInVain_.store(true, std::memory_order_relaxed);
    return outcome;
}

int DrawCards(const std::vector<std::string>& matricolas, DataStore& store, CardSink& sink,
              std::chrono::year_month_day today, const std::string& decimalSeparator,
              std::ostream& errors, CardProgress* progress) {
    CardLookups lookups;
    int status = kCardsAllDrawn;
    std::size_t drawnCards = 0;
    // An output that cannot be written ends the run at once, whatever the numbers left. A pipe
    // whose reader has gone fails its write after SIGPIPE is noted: the run ends by that signal,
    // silently, as any filter's.
    const auto outputFailed = [&](const Status& written) {
        if (progress != nullptr) progress->Finish();
        if (!Interruption::Requested()) ReportError(errors, written.error());
        return kCardsFailed;
    };
    for (const std::string& typed : matricolas) {
        if (Interruption::Requested()) break;
        if (Status begun = sink.BeginCard(typed); !begun) return outputFailed(begun);
        const Result<LookupOutcome> outcome = lookups.Lookup(store, typed);
        // An interrupt that ended a wait for a missing file is what left this card out.
        if (!outcome && Interruption::Requested()) break;
        if (progress != nullptr && (!outcome || !outcome->student)) progress->ClearLine();
        if (!outcome) {
            ReportNoCard(errors, outcome.error(), typed);
            status = kCardsFailed;
        } else if (!outcome->student) {
            if (Status noted = sink.NotFound(); !noted) return outputFailed(noted);
            ReportNotFound(errors, typed);
            if (status == kCardsAllDrawn) status = kCardsSomeNotFound;
        } else {
            const CardInput input{*outcome->student, store.Titles(), store.Exams(), today,
                                  decimalSeparator};
            const Result<PageFit> drawn = sink.DrawCard(input);
            if (!drawn) return outputFailed(drawn.error());
            if (!drawn->Whole()) {
                if (progress != nullptr) progress->ClearLine();
                ReportCutOff(errors, typed, *drawn);
            }
            ++drawnCards;
        }
        if (progress != nullptr) progress->CardDone();
    }
    if (progress != nullptr) progress->Finish();
    // Interrupted, the output is left unfinished: the sink's owner discards a file; a stream
    // ends where the run stopped.
    if (Interruption::Requested()) return kCardsFailed;
    if (Status finished = sink.Finish(); !finished) {
        ReportError(errors, finished.error());
        return kCardsFailed;
    }
    // An older file of that name is left as it was: said, lest it pass for this run's cards.
    if (const auto unwritten = sink.UnwrittenWithoutCards(); unwritten && drawnCards == 0) {
        errors << "velmaro: no card drawn: " << PrintableText(*unwritten) << " not written\n";
    }
    return status;
}

Result<EveryStudent> EveryMatricola(DataStore& store, std::ostream& errors) {
    VELMARO_TRY(const RegistryKeyList list, RegistryKeys(store.Registry(), store.RegistryCount()));
    EveryStudent every;
    every.matricolas.reserve(list.keys.size());
    for (const std::int32_t key : list.keys)
        every.matricolas.push_back(std::to_string(key));
    every.someUnreachable = list.unreachable > 0 || list.repeated > 0;
    const std::string registry = PrintableText(store.Registry().Path());
    if (list.unreachable > 0) {
        errors << "velmaro: " << registry << ": " << list.unreachable
               << (list.unreachable == 1 ? " record has" : " records have")
               << " a key that is no MATRICOLA and no card (the first: record "
               << list.firstUnreachable << ", key \""
               << PrintableText(DecodeWindows1252(list.firstUnreachableKey))
               << "\"); 'velmaro check' lists them\n";
    }
    // A number finds one record of its key, whichever the search meets: the students of the
    // others would be left out without a word.
    if (list.repeated > 0) {
        errors << "velmaro: " << registry << ": " << list.repeated
               << (list.repeated == 1 ? " record has no card of its own"
                                      : " records have no card of their own")
               << ": a key held by several records gets one card, of the record a number finds";
        // Not found again only when the registry changed between the two readings.
        if (list.firstRepeated != 0) {
            errors << " (the first such key: " << list.firstRepeatedKey << ", records "
                   << list.firstRepeatedEarlier << " and " << list.firstRepeated << ")";
        }
        errors << "; 'velmaro check' lists them\n";
    }
    return every;
}

void WarnOfMissingData(DataStore& store, const std::string& dataDir, std::ostream& warnings) {
    for (const std::string& warning : MissingDataWarnings(store, dataDir))
        warnings << "velmaro: warning: " << PrintableText(warning) << "\n";
}

}  // namespace velmaro
