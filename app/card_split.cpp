#include "app/card_split.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <sstream>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "app/card_run.h"
#include "app/interruption.h"
#include "app/split_folder.h"
#include "app/split_limits.h"
#include "app/split_links.h"
#include "lookup/lookup_student.h"
#include "store/data_file_guard.h"
#include "ui/card_files.h"
#include "ui/file_name_text.h"
#include "ui/output_file.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

// What became of one number.
struct CardOutcome {
    enum class State { kNotReached, kDrawn, kNotFound, kNoCard } state = State::kNotReached;
    std::optional<Error> error;  // why a student found got no card
    PageFit fit{};               // of a card drawn
};

// For each number, the index of an earlier one that searches the same key (5193 after
// 05193 or 5193.0): both would find one student and write one file, and which of the two
// cards it kept would depend on the threads. Each student is drawn once, as first named.
std::vector<std::optional<std::size_t>> EarlierOfTheSameKey(
    const std::vector<std::string>& matricolas) {
    std::vector<std::optional<std::size_t>> earlier(matricolas.size());
    std::unordered_map<std::int32_t, std::size_t> firstOfKey;
    for (std::size_t i = 0; i < matricolas.size(); ++i) {
        const std::optional<std::int32_t> key = KeyOf(matricolas[i]);
        if (!key) continue;
        const auto [first, isFirst] = firstOfKey.emplace(*key, i);
        if (!isFirst) earlier[i] = first->second;
    }
    return earlier;
}

Status WriteCardFile(const SplitRequest& request, const QString& path, const CardInput& input,
                     const PdfCardFont* pdfFont, CommitBatch& batch, PageFit& fit) {
    // A FIFO at a card's name, which nothing reads, would hold the whole run until it is
    // killed: it costs that card instead.
    OutputFile file(path);
    VELMARO_TRY(file.Open(OutputFile::ReaderWait::kDoNotWait));
    switch (request.format) {
        case CardFormat::kPng:
            return WritePngCard(file, request.dotsPerInch, input, &batch, &fit);
        case CardFormat::kSvg:
            return WriteSvgCard(file, input, &batch, &fit);
        default: {
            PdfCardWriter writer(file, pdfFont);
            VELMARO_TRY(writer.AddCard(input, &fit));
            return writer.Finish(&batch);
        }
    }
}

// One thread's share: takes the next number until none is left or the run stops.
struct SplitWorker {
    void Run(DataStore& store) {
        CommitBatch batch;
        // One font for all of this thread's PDF files; should it not load, each file says so.
        std::optional<PdfCardFont> pdfFont;
        if (request.format == CardFormat::kPdf) {
            if (auto loaded = PdfCardFont::Load()) pdfFont.emplace(std::move(loaded).value());
        }
        // The numbers whose cards wait in batch, in its order: handled once in place, or not.
        std::vector<std::size_t> waiting;
        while (!stop && !Interruption::Requested()) {
            const std::size_t i = next++;
            if (i >= matricolas.size()) break;
            if (!earlierOfTheSameKey[i] && outcomes[i].state == CardOutcome::State::kNotReached) {
                const std::size_t before = batch.Size();
                outcomes[i] = DrawOne(store, matricolas[i], pdfFont ? &*pdfFont : nullptr, batch);
                if (batch.Size() > before) waiting.push_back(i);
            }
            if (waiting.empty() || waiting.back() != i) Handled(i);
            if (batch.Size() >= cardsPerFlush) CommitOrStop(batch, waiting);
            progress.CardDone();
        }
        // The cards drawn go in place, also when interrupted or after a failure elsewhere: every
        // number taken is then in place or named, and the folder has no gaps that go unsaid.
        CommitOrStop(batch, waiting);
    }

    // Number i is handled: said, with every handled number after it, once every number before
    // it is. So the messages come in the order given while the run goes on, whichever thread
    // draws which card, and a run interrupted has said what became of every number it handled.
    void Handled(std::size_t i) {
        const std::lock_guard lock(reporting);
        handled[i] = true;
        SayHandled(false);
    }

    // Before the run: the numbers whose outcome is already known (refused names, and the
    // numbers of their students named again) count as handled, so that a run stopped before
    // it reached them still names them.
    void NoteOutcomesKnownBeforeTheRun() {
        for (std::size_t i = 0; i < handled.size(); ++i) {
            handled[i] = OutcomeOf(i).state != CardOutcome::State::kNotReached;
        }
    }

    // After a run that was not interrupted: the numbers handled past one that was not (the
    // run stopped by a folder or disk that takes no more files).
    void SayTheRestHandled() {
        const std::lock_guard lock(reporting);
        SayHandled(true);
    }

    // Says the handled numbers from the first not said yet, up to the first not handled, or,
    // pastGaps, past those too. reporting is held.
    void SayHandled(bool pastGaps) {
        for (; reported < handled.size(); ++reported) {
            if (!handled[reported]) {
                if (pastGaps) continue;
                return;
            }
            if (const std::string message = OutcomeMessage(reported); !message.empty())
                progress.Interject(errors, message);
        }
    }

    // What became of number i: of a number whose student was named before, that one's.
    const CardOutcome& OutcomeOf(std::size_t i) const {
        return outcomes[earlierOfTheSameKey[i].value_or(i)];
    }

    // What is said of number i: nothing for a card drawn whole. A number of a student named
    // before is found, or not, as that one was, and named as typed, so that each number left
    // without its card is named; a card cut off is warned of once, under the number first named.
    std::string OutcomeMessage(std::size_t i) const {
        std::ostringstream message;
        const CardOutcome& outcome = OutcomeOf(i);
        if (outcome.state == CardOutcome::State::kDrawn && !outcome.fit.Whole() &&
            !earlierOfTheSameKey[i]) {
            ReportCutOff(message, matricolas[i], outcome.fit);
        } else if (outcome.state == CardOutcome::State::kNotFound) {
            ReportNotFound(message, matricolas[i]);
        } else if (outcome.state == CardOutcome::State::kNoCard) {
            ReportNoCard(message, *outcome.error, matricolas[i]);
        }
        return message.str();
    }

    // The first failure of the folder or the disk is the one reported; it stops every thread.
    // Whether error is that first one.
    bool Stop(const Error& error) {
        if (stop.exchange(true)) return false;
        writeError = error;
        return true;
    }

    // What became of a card that a failure of the folder or the disk (error) left out: the
    // first such failure stops the run and is named last, in its number's place; a card lost
    // to any other is named with its number.
    CardOutcome LostTo(const Error& error) {
        if (Stop(error)) return {CardOutcome::State::kNotReached, std::nullopt};
        return {CardOutcome::State::kNoCard, error};
    }

    // Puts the cards of batch in place, and the numbers of waiting, its cards', are handled.
    void CommitOrStop(CommitBatch& batch, std::vector<std::size_t>& waiting) {
        // Each card waiting was drawn before this look: with no record file written into
        // since the run began, it is whole. Otherwise none goes in place, and the run's last
        // line says to draw them again.
        if (batch.Size() > 0) {
            if (Status unchanged = watch.NoneWrittenInPlace(); !unchanged) {
                batch.Discard();
                Stop(unchanged.error());
                for (const std::size_t i : waiting)
                    outcomes[i] = {CardOutcome::State::kNotReached, std::nullopt};
            } else {
                std::vector<Status> placed;
                const Status committed = batch.Commit(&placed);
                bool eachPlaced = true;
                for (std::size_t k = 0; k < waiting.size() && k < placed.size(); ++k) {
                    if (placed[k]) continue;
                    eachPlaced = false;
                    outcomes[waiting[k]] = LostTo(placed[k].error());
                }
                // Every card in place, but a folder that holds them could not be flushed to the
                // disk: a disk failing, which stops the run, as one that takes no more files.
                if (eachPlaced && !committed) Stop(committed.error());
            }
        }
        for (const std::size_t i : waiting)
            Handled(i);
        waiting.clear();
    }

    // The folder, made once for the run (when request.makeFolder) by the first thread that
    // reaches a card; the others wait until it is. One that was there when looked at, or made,
    // is not made again: removed during the run, it takes no more cards, as a full disk.
    Status FolderMade() {
        if (!request.makeFolder) return Ok();
        std::call_once(folderMaking, [this] {
            Result<MadeFolders> made = MakeSplitFolder(request.folder);
            if (made) {
                madeFolders = std::move(*made);
            } else {
                folderMade = made.error();
            }
        });
        return folderMade;
    }

    // Whether any card went in place.
    bool AnyCardDrawn() const {
        return std::any_of(outcomes.begin(), outcomes.end(), [](const CardOutcome& outcome) {
            return outcome.state == CardOutcome::State::kDrawn;
        });
    }

    // Run is called on every thread: what one thread keeps for itself lives in Run.
    CardOutcome DrawOne(DataStore& store, const std::string& typed, const PdfCardFont* pdfFont,
                        CommitBatch& batch) {
        // Before the card's records are read, as by one file's cards (see MakeWatchedSink).
        if (Status unchanged = watch.NoneWrittenInPlace(); !unchanged) {
            Stop(unchanged.error());
            return {CardOutcome::State::kNotReached, std::nullopt};
        }
        const Result<LookupOutcome> found = lookups.Lookup(store, typed);
        // An interrupt that ended a wait for a missing file is what left this card out.
        if (!found && Interruption::Requested())
            return {CardOutcome::State::kNotReached, std::nullopt};
        if (!found) return {CardOutcome::State::kNoCard, found.error()};
        if (!found->student) return {CardOutcome::State::kNotFound, std::nullopt};
        const Student& student = *found->student;
        const CardInput input{student, store.Titles(), store.Exams(), today, decimalSeparator};
        // Named by the key the student was found by, which is its record's whole key: what
        // the rest of the record holds (blanks before the key, a text cut short) changes
        // nothing, and no two students found by different keys share a file.
        const std::string path =
            SplitCardPath(request.folder, KeyOf(typed).value_or(0), request.format);
        // A card file that is already there as a link is written where the link leads, which
        // must not be a data file (a link made since the run began). Any other file there is
        // replaced by its name alone.
        std::error_code notALink;
        if (std::filesystem::is_symlink(path, notALink)) {
            if (Status refused = RefuseDataFile(dataDir, path); !refused) {
                return {CardOutcome::State::kNoCard, refused.error()};
            }
        }
        // The first card of a run into a folder that was not there makes it; a folder that
        // cannot be made then stops the run, said once, last, as a full disk is.
        if (Status made = FolderMade(); !made) {
            Stop(made.error());
            return {CardOutcome::State::kNotReached, std::nullopt};
        }
        PageFit fit;
        if (Status written = WriteCardFile(request, FileNameText(path), input, pdfFont, batch, fit);
            !written) {
            // A name that cannot take its card (a folder in its place) costs that card alone;
            // a folder or a disk that takes no more files stops the run.
            if (written.error().onlyThisFile) return {CardOutcome::State::kNoCard, written.error()};
            return LostTo(written.error());
        }
        return {CardOutcome::State::kDrawn, std::nullopt, fit};
    }

    const std::vector<std::string>& matricolas;
    const std::vector<std::optional<std::size_t>>& earlierOfTheSameKey;
    const std::string& dataDir;
    const RecordFilesWatch& watch;
    const SplitRequest& request;
    const std::chrono::year_month_day today;
    const std::string& decimalSeparator;
    std::vector<CardOutcome>& outcomes;
    CardProgress& progress;
    std::ostream& errors;
    const std::size_t cardsPerFlush;
    // Shared by the threads: the next number to take, whether to stop, and the first failure
    // to write, which stops them.
    std::atomic<std::size_t> next{0};
    CardLookups lookups{};
    std::atomic<bool> stop{false};
    std::optional<Error> writeError{};
    std::once_flag folderMaking{};
    Status folderMade = Ok();
    MadeFolders madeFolders{};  // by FolderMade
    // Which numbers are handled, and how many of the first are said (see Handled).
    std::mutex reporting{};
    std::vector<bool> handled = std::vector<bool>(matricolas.size());
    std::size_t reported = 0;
};

}  // namespace

int DrawSplitCards(const std::vector<std::string>& matricolas, const std::string& dataDir,
                   const RecordFilesWatch& watch, const SplitRequest& request,
                   std::chrono::year_month_day today, const std::string& decimalSeparator,
                   std::ostream& errors, CardProgress& progress) {
    // Each thread reads through its own store: a record file's reading state is not shared.
    const std::size_t threads = ThreadsWithinTheLimit(
        std::clamp<std::size_t>(matricolas.size(), 1, std::max(request.jobs, 1)), request);
    std::vector<DataStore> stores;
    for (std::size_t t = 0; t < threads; ++t) {
        Result<DataStore> store = DataStore::LoadTables(dataDir, RecordFile::RunKeeping::kKeepNone);
        if (!store) {
            ReportError(errors, store.error());
            return kCardsFailed;
        }
        stores.push_back(std::move(*store));
    }

    const std::vector<std::optional<std::size_t>> earlierOfTheSameKey =
        EarlierOfTheSameKey(matricolas);
    std::vector<CardOutcome> outcomes(matricolas.size());
    for (RefusedNumber& refused :
         RefuseLinkedFiles(matricolas, earlierOfTheSameKey, dataDir, stores.front(), request))
        outcomes[refused.number] = {CardOutcome::State::kNoCard, std::move(refused.error)};
    SplitWorker worker{.matricolas = matricolas,
                       .earlierOfTheSameKey = earlierOfTheSameKey,
                       .dataDir = dataDir,
                       .watch = watch,
                       .request = request,
                       .today = today,
                       .decimalSeparator = decimalSeparator,
                       .outcomes = outcomes,
                       .progress = progress,
                       .errors = errors,
                       .cardsPerFlush = CardsPerFlush(threads)};
    worker.NoteOutcomesKnownBeforeTheRun();
    // Before any other thread starts, which would otherwise race this one to set it up.
    PrepareCardFont();
    {
        std::vector<std::jthread> helpers;
        try {
            for (std::size_t t = 1; t < threads; ++t)
                helpers.emplace_back([&worker, &stores, t] { worker.Run(stores[t]); });
        } catch (const std::system_error&) {
            // The system gives no more threads: those running share the work.
        }
        worker.Run(stores[0]);
    }
    progress.Finish();
    // Folders made for cards that none went in (the first failed, or the run was interrupted
    // before it) go, as they would not have been made for a run that draws no card.
    if (!worker.AnyCardDrawn()) RemoveEmptyFoldersMade(worker.madeFolders);
    // Interrupted: the cards in place stay, and the numbers not reached are not reported.
    if (Interruption::Requested()) return kCardsFailed;
    worker.SayTheRestHandled();
    int status = kCardsAllDrawn;
    for (std::size_t i = 0; i < matricolas.size(); ++i) {
        const CardOutcome::State state = worker.OutcomeOf(i).state;
        if (state == CardOutcome::State::kNotFound && status == kCardsAllDrawn) {
            status = kCardsSomeNotFound;
        } else if (state == CardOutcome::State::kNoCard) {
            status = kCardsFailed;
        }
    }
    // A folder or a disk that took no more files stopped the run: said last, after what became
    // of the numbers reached before it, as a run into one file says them as they come.
    if (worker.writeError) {
        ReportError(errors, *worker.writeError);
        return kCardsFailed;
    }
    return status;
}

}  // namespace velmaro
