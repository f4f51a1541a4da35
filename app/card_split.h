#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "app/card_options.h"
#include "app/card_progress.h"
#include "store/data_file_versions.h"
#include "store/data_store.h"

namespace velmaro {

// Where --split puts the cards and how.
struct SplitRequest {
    std::string folder;
    CardFormat format = CardFormat::kPdf;  // png, pdf or svg
    int dotsPerInch = 150;
    int jobs = 1;  // threads drawing at once
    // The folder was not there when looked at (CheckSplitFolder): it is made, with the folders
    // above it that are missing, as the first card is about to go in, so that a run that draws
    // no card leaves nothing behind.
    bool makeFolder = false;
};

// Looks at folder, making nothing, before any number is read: an Error naming it, as making it
// would, when it cannot be made (a file, or a link that leads nowhere, in its place or on its
// path; a name too long; the nearest folder above it that is there takes no new folder) or,
// being there, takes no files. Otherwise whether it is still to be made (MakeSplitFolder).
Result<bool> CheckSplitFolder(const std::string& folder);

// Makes folder, with the folders above it that are missing, unless it is there, and checks that
// it takes new files: an Error naming it when it cannot be made (a file in its place, say) or
// takes no files. A folder made meanwhile by another (a second run into it) is taken as made.
Status MakeSplitFolder(const std::string& folder);

// The file of the student with registry key in folder: "<folder>/5193.pdf".
std::string SplitCardPath(const std::string& folder, std::int32_t key, CardFormat format);

// Draws the card of each of matricolas (UTF-8, as typed) into its own file of request.folder
// (which CheckSplitFolder looked at, and which is made for the first card when
// request.makeFolder), named by the student's key in the registry; each file is written
// whole or not at all. request.jobs threads draw at once, each reading the data of dataDir
// through its own DataStore; the files are the same whatever the number of threads.
// As the run goes, errors hears in the order given of the numbers not found ("Matricola NON
// Trovata: <number>"), of those left without a card (a record file that could not be read, a
// card file whose own name could not take it: a folder or a read-only file in its place) and
// of cards cut off, each once every number before it is handled; a number is handled once its
// card is in place. A folder or a disk that takes no more files (no space, an I/O error; a
// folder to make that can no longer be made) stops the run, and is named last, after the
// numbers reached before it, among them those whose cards it kept from their place. So does a
// record file that watch finds written into: the cards waiting to go in place are removed, since
// they may mix its records; those in place were put there while it was unchanged. progress hears of
// every number handled, and its line is blanked before each message. A student named more than once
// (5193, 05193) is drawn once, with the number first named. Returns kCardsAllDrawn,
// kCardsSomeNotFound or kCardsFailed, as DrawCards does. Once an Interruption is requested no card
// is begun: the cards drawn go in place, so that every number reached has its file or is named,
// what became of the numbers handled is said (and of no other), and it returns kCardsFailed.
int DrawSplitCards(const std::vector<std::string>& matricolas, const std::string& dataDir,
                   const RecordFilesWatch& watch, const SplitRequest& request,
                   std::chrono::year_month_day today, const std::string& decimalSeparator,
                   std::ostream& errors, CardProgress& progress);

}  // namespace velmaro
