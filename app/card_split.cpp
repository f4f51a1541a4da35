#include "app/card_split.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>

#include <algorithm>
#include <atomic>
#include <cerrno>
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
#include "base/followed_links.h"
#include "base/system_reason.h"
#include "lookup/lookup_student.h"
#include "store/data_file_guard.h"
#include "ui/card_files.h"
#include "ui/card_page.h"
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

// The file that path, a link, leads to, through every link on the way, whether or not that
// file exists yet; path itself when its links cannot be followed (a loop).
std::filesystem::path WhereLinksLead(const std::string& path) {
    const Result<std::string> followed = FollowLinks(path);
    const std::filesystem::path target = followed ? *followed : path;
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(target, error);
    return error ? target.lexically_normal() : canonical;
}

// An error when path, a link in a folder of cards that folderOwner owns, was made by someone
// else than the user running this and the folder's owner: in a folder others may write to,
// following it would let them choose which of the user's files a card replaces (the rule the
// system applies to links in shared temporary folders).
Status RefuseOthersLink(const std::string& path, uid_t folderOwner) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) return Ok();
    if (link.st_uid == ::geteuid() || link.st_uid == folderOwner) return Ok();
    return Error{path, "a link that another user (" + std::to_string(link.st_uid) +
                           ") made in the folder: it is not followed"};
}

// Refuses, before any card is drawn, each number whose card name is a link to a data file of
// dataDir, or that another user made (see RefuseOthersLink), or to the card file of another
// number found in store (1000.pdf to 4.pdf): the threads would otherwise decide which card
// the file keeps. The number whose own name the file bears keeps it; of two links to one
// file, the number named first. So is a number whose card name a data file's link leads to:
// the card would take the data file's place. A refused number's outcome is set to the error
// that says so; the others are drawn.
void RefuseLinkedFiles(const std::vector<std::string>& matricolas,
                       const std::vector<std::optional<std::size_t>>& earlierOfTheSameKey,
                       const std::string& dataDir, const DataStore& store,
                       const SplitRequest& request, std::vector<CardOutcome>& outcomes) {
    // Only a student found writes a file; one that cannot be read is taken as found.
    const auto found = [&](std::size_t number) {
        const Result<LookupOutcome> outcome = LookupStudent(store, matricolas[number]);
        return !outcome || outcome->student;
    };
    struct Claim {
        std::size_t number;
        std::string path;
        bool throughLink;
    };
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::weakly_canonical(request.folder, ignored);
    // Without the folder's owner known, only the user's own links are followed.
    struct stat folderInfo {};
    const uid_t folderOwner =
        ::stat(request.folder.c_str(), &folderInfo) == 0 ? folderInfo.st_uid : ::geteuid();
    const DataFilePlaces dataFiles = PlacesOfDataFiles(dataDir);
    std::unordered_map<std::string, Claim> claims;  // by the file a card name leads to
    for (std::size_t i = 0; i < matricolas.size(); ++i) {
        const std::optional<std::int32_t> key = KeyOf(matricolas[i]);
        if (!key || earlierOfTheSameKey[i]) continue;
        std::string path = SplitCardPath(request.folder, *key, request.format);
        std::error_code notALink;
        const bool throughLink = std::filesystem::is_symlink(path, notALink);
        if (throughLink) {
            Status refused = RefuseDataFile(dataDir, path);
            if (refused) refused = RefuseOthersLink(path, folderOwner);
            if (!refused) {
                if (found(i)) outcomes[i] = {CardOutcome::State::kNoCard, refused.error()};
                continue;
            }
        }
        const std::filesystem::path leadsTo =
            throughLink ? WhereLinksLead(path) : folder / std::filesystem::path(path).filename();
        if (!throughLink && std::ranges::find(dataFiles, leadsTo) != dataFiles.end()) {
            if (found(i)) outcomes[i] = {CardOutcome::State::kNoCard, DataFileError(path)};
            continue;
        }
        const auto [claim, isFirst] =
            claims.try_emplace(leadsTo.string(), Claim{i, path, throughLink});
        if (isFirst) continue;
        if (!found(i)) continue;
        if (!found(claim->second.number)) {
            claim->second = Claim{i, std::move(path), throughLink};
            continue;
        }
        Claim refused{i, std::move(path), throughLink};
        if (claim->second.throughLink && !throughLink) std::swap(claim->second, refused);
        outcomes[refused.number] = {
            CardOutcome::State::kNoCard,
            Error{refused.path,
                  "a link to the card file of another number, " + claim->second.path}};
    }
}

// Cards written by one thread before their files are flushed to the disk together and put in
// place: one flush per this many files instead of one per file, while the folder still fills
// as the run goes on. Each waiting file holds a descriptor, so with many threads the batches
// shrink to stay well inside the process's limit of open files.
constexpr rlim_t kKeptForOthers = 64;  // Qt's, the fonts', the main store's
// Each thread's own: its store's three record files, its card being written, a font.
constexpr rlim_t kHeldPerThread = 6;

// The process's soft limit of resource (RLIMIT_NOFILE, RLIMIT_AS); nothing when there is none.
std::optional<rlim_t> ProcessLimit(int resource) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return {};
    return limit.rlim_cur;
}

// The address space a run of one thread takes (the program, Qt, the fonts), and what each
// thread adds besides its stack and its card: the C library's memory pool of its own (64 MiB
// reserved) and the drawing's. Past the limit, an allocation the font library makes for a
// thread fails, and the font library does not survive that.
constexpr rlim_t kAddressSpaceOfTheProcess = rlim_t{160} << 20;
constexpr rlim_t kAddressSpacePerThread = rlim_t{72} << 20;

// The stack a new thread gets: the C library's default, which follows ulimit -s.
rlim_t ThreadStackSize() {
    pthread_attr_t attributes;
    std::size_t size = 0;
    if (::pthread_getattr_default_np(&attributes) == 0) {
        ::pthread_attr_getstacksize(&attributes, &size);
        ::pthread_attr_destroy(&attributes);
    }
    return size > 0 ? size : rlim_t{8} << 20;
}

// The memory a card of request's takes while it is drawn beyond the drawing's own: a PNG
// page, four bytes a pixel as drawn and, at worst, about one more for its file (grey bytes
// compressed, which a card shrinks to a twentieth).
rlim_t CardAddressSpace(const SplitRequest& request) {
    if (request.format != CardFormat::kPng) return 0;
    const QSize page = CardPageSizeAt(request.dotsPerInch);
    return static_cast<rlim_t>(page.width()) * static_cast<rlim_t>(page.height()) * 5;
}

// At most threads, and at most as many as resource's limit leaves room for, where the process
// takes kept of it and each thread perThread; at least one.
std::size_t ThreadsWithinLimitOf(int resource, rlim_t kept, rlim_t perThread, std::size_t threads) {
    const std::optional<rlim_t> limit = ProcessLimit(resource);
    if (!limit) return threads;
    const rlim_t room = *limit > kept ? (*limit - kept) / perThread : 0;
    return std::clamp<std::size_t>(static_cast<std::size_t>(room), 1, threads);
}

// At most as many threads as the limit of open files leaves room for, with a file each
// waiting to be flushed, and as the limit of address space leaves room for, each drawing
// request's cards.
std::size_t ThreadsWithinTheLimit(std::size_t threads, const SplitRequest& request) {
    threads = ThreadsWithinLimitOf(RLIMIT_NOFILE, kKeptForOthers, kHeldPerThread + 1, threads);
    return ThreadsWithinLimitOf(
        RLIMIT_AS, kAddressSpaceOfTheProcess,
        kAddressSpacePerThread + ThreadStackSize() + CardAddressSpace(request), threads);
}

std::size_t CardsPerFlush(std::size_t threads) {
    constexpr std::size_t kMostPerFlush = 32;
    const std::optional<rlim_t> limit = ProcessLimit(RLIMIT_NOFILE);
    if (!limit) return kMostPerFlush;
    const rlim_t held = kKeptForOthers + kHeldPerThread * threads;
    const rlim_t spare = *limit > held ? *limit - held : 0;
    return std::clamp<std::size_t>(static_cast<std::size_t>(spare / (2 * threads)), 1,
                                   kMostPerFlush);
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
    void Run(const DataStore& store) {
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
                static_cast<void>(batch.Commit(&placed));
                for (std::size_t k = 0; k < waiting.size() && k < placed.size(); ++k) {
                    if (!placed[k]) outcomes[waiting[k]] = LostTo(placed[k].error());
                }
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
        std::call_once(folderMaking, [this] { folderMade = MakeSplitFolder(request.folder); });
        return folderMade;
    }

    // Run is called on every thread: what one thread keeps for itself lives in Run.
    CardOutcome DrawOne(const DataStore& store, const std::string& typed,
                        const PdfCardFont* pdfFont, CommitBatch& batch) {
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
    // Which numbers are handled, and how many of the first are said (see Handled).
    std::mutex reporting{};
    std::vector<bool> handled = std::vector<bool>(matricolas.size());
    std::size_t reported = 0;
};

// Why folder, which could not be made, takes no cards: a name taken by something else than a
// folder is told as what it is (a link to a folder not made yet, say), not as "File exists".
std::string SplitFolderProblem(std::string folder, std::error_code error) {
    if (error != std::errc::file_exists) return SystemReason(error.value());
    // With its final "/" a link would be followed.
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::error_code ignored;
    return std::filesystem::is_symlink(folder, ignored) ? "a link to a folder that does not exist"
                                                        : SystemReason(ENOTDIR);
}

// The folder above path, as making path's folders would find it: "." above a single name.
std::filesystem::path FolderAbove(const std::filesystem::path& path) {
    std::filesystem::path above = path.parent_path();
    return above.empty() ? std::filesystem::path(".") : above;
}

// How many times a folder is looked at again because a folder came in the place of a name on its
// path while it was looked at (another run making it at the same time).
constexpr int kMostLooks = 8;

// CheckSplitFolder's look at folder, its errors naming named (folder as given); looks counts
// the looks before this one.
Result<bool> LookAtSplitFolder(const std::filesystem::path& folder, const std::string& named,
                               int looks) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode)) return Error{named, SystemReason(ENOTDIR)};
        if (Status takes = CheckFolderTakesFiles(folder); !takes)
            return Error{named, takes.error().reason};
        return false;
    }
    // A file on the path, a loop of links, a name too long, a folder on the path that may not
    // be searched: making it would fail for the same reason.
    if (const int error = errno; error != ENOENT) return Error{named, SystemReason(error)};
    // Up to the nearest folder that is there; the names below it, the lowest first, are to be
    // made. Each is missing; one that is a link leading nowhere would stop the making.
    std::vector<std::filesystem::path> names;
    std::filesystem::path nearest = folder;
    while (true) {
        if (::lstat(nearest.c_str(), &info) == 0) {
            // A folder made there since the look for it (another run making the same folder)
            // is taken as making would take it: the whole path is looked at again.
            if (::stat(nearest.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && looks < kMostLooks)
                return LookAtSplitFolder(folder, named, looks + 1);
            return Error{named,
                         SplitFolderProblem(named, std::make_error_code(std::errc::file_exists))};
        }
        names.push_back(nearest.filename());
        const std::filesystem::path above = FolderAbove(nearest);
        if (::stat(above.c_str(), &info) == 0) {
            nearest = above;
            break;
        }
        // Where nothing above is left to look at, none of it can be made.
        const int error = errno;
        if (error != ENOENT || above == nearest) return Error{named, SystemReason(error)};
        nearest = above;
    }
    if (!S_ISDIR(info.st_mode)) return Error{named, SystemReason(ENOTDIR)};
    // Said of folder, as the failure to make it would be.
    if (Status takes = CheckFolderTakesFiles(nearest); !takes)
        return Error{named, takes.error().reason};
    // The names to make, from the nearest folder down. ".." after a name to make leads back to
    // the folder that name is made in, and before any to the folder above the nearest: where
    // the names lead is looked at as a folder of its own, though the names before ".." are
    // made all the same for the path to lead there.
    const long longestName = ::pathconf(nearest.c_str(), _PC_NAME_MAX);
    std::filesystem::path ledTo = nearest;
    std::vector<std::filesystem::path> toMake;
    bool wentBack = false;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (name->empty() || *name == ".") continue;
        if (*name == "..") {
            wentBack = true;
            if (toMake.empty()) {
                ledTo /= "..";
            } else {
                toMake.pop_back();
            }
            continue;
        }
        if (longestName > 0 && name->native().size() > static_cast<std::size_t>(longestName))
            return Error{named, SystemReason(ENAMETOOLONG)};
        toMake.push_back(*name);
    }
    if (!wentBack) return true;
    for (const std::filesystem::path& name : toMake)
        ledTo /= name;
    if (Result<bool> there = LookAtSplitFolder(ledTo, named, looks + 1); !there)
        return there.error();
    return true;
}

}  // namespace

Result<bool> CheckSplitFolder(const std::string& folder) {
    return LookAtSplitFolder(folder, folder, 0);
}

Status MakeSplitFolder(const std::string& folder) {
    std::error_code created;
    std::filesystem::create_directories(folder, created);
    if (created) return Error{folder, SplitFolderProblem(folder, created)};
    return CheckFolderTakesFiles(folder);
}

std::string SplitCardPath(const std::string& folder, std::int32_t key, CardFormat format) {
    return folder + "/" + std::to_string(key) + "." + std::string(FormatName(format));
}

int DrawSplitCards(const std::vector<std::string>& matricolas, const std::string& dataDir,
                   const RecordFilesWatch& watch, const SplitRequest& request,
                   std::chrono::year_month_day today, const std::string& decimalSeparator,
                   std::ostream& errors, CardProgress& progress) {
    // Each thread reads through its own store: a record file's reading state is not shared.
    const std::size_t threads = ThreadsWithinTheLimit(
        std::clamp<std::size_t>(matricolas.size(), 1, std::max(request.jobs, 1)), request);
    std::vector<DataStore> stores;
    for (std::size_t t = 0; t < threads; ++t) {
        Result<DataStore> store = DataStore::LoadTables(dataDir);
        if (!store) {
            ReportError(errors, store.error());
            return kCardsFailed;
        }
        stores.push_back(std::move(*store));
    }

    const std::vector<std::optional<std::size_t>> earlierOfTheSameKey =
        EarlierOfTheSameKey(matricolas);
    std::vector<CardOutcome> outcomes(matricolas.size());
    RefuseLinkedFiles(matricolas, earlierOfTheSameKey, dataDir, stores.front(), request, outcomes);
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
