#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "app/card_options.h"
#include "app/card_progress.h"
#include "app/split_request.h"
#include "store/data_file_versions.h"
#include "store/data_store.h"

namespace velmaro {

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
