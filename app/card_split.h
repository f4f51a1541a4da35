#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "app/card_options.h"
#include "app/card_progress.h"
#include "store/data_store.h"

namespace velmaro {

// Where --split puts the cards and how.
struct SplitRequest {
    std::string folder;
    CardFormat format = CardFormat::kPdf;  // png, pdf or svg
    int dotsPerInch = 150;
    int jobs = 1;  // threads drawing at once
};

// The file of the student with registry key in folder: "<folder>/5193.pdf".
std::string SplitCardPath(const std::string& folder, std::int32_t key, CardFormat format);

// Draws the card of each of matricolas (UTF-8, as typed) into its own file of request.folder
// (created when missing), named by the student's key in the registry; each file is written
// whole or not at all. request.jobs threads draw at once, each reading the data of dataDir
// through its own DataStore; the files are the same whatever the number of threads.
// After the run, errors lists in the order given the numbers not found ("Matricola NON
// Trovata: <number>") and those left without a card: the record files that could not be read,
// and the card files whose own name could not take them (a folder or a read-only file in their
// place). A folder or a disk that takes no more files (no space, an I/O error) stops the run,
// and is named after the numbers reached before it. progress hears of every number handled.
// A student named more than once (5193, 05193) is drawn once, with the number first named.
// Returns kCardsAllDrawn, kCardsSomeNotFound or kCardsFailed, as DrawCards does.
// Once an Interruption is requested no card is begun: the files in place stay, those waiting
// to go in place are removed, nothing is reported, and it returns kCardsFailed.
int DrawSplitCards(const std::vector<std::string>& matricolas, const std::string& dataDir,
                   const SplitRequest& request, std::chrono::year_month_day today,
                   const std::string& decimalSeparator, std::ostream& errors,
                   CardProgress& progress);

}  // namespace velmaro
