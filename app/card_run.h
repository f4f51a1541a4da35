#pragma once

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/card_progress.h"
#include "app/card_sinks.h"
#include "lookup/lookup_student.h"
#include "render/page_fit.h"
#include "store/data_store.h"
#include "store/data_warnings.h"

namespace velmaro {

// Exit statuses of `velmaro card`.
inline constexpr int kCardsAllDrawn = 0;
inline constexpr int kCardsSomeNotFound = 1;
inline constexpr int kCardsFailed = 2;

// How long a run of cards waits for a record file found missing to be there again.
inline constexpr std::chrono::seconds kMissingFileWait{2};

// The lookups of a run of cards, shared by its threads. A record file found missing while
// cards are drawn may be a moment from its return (a keeper saving it anew: removed, then
// written again): a lookup that finds one missing waits, up to kMissingFileWait, for its name
// to name a file again and is then made again; each thread that meets the file missing during
// that first wait waits alongside it. Once a wait was in vain, and until a lookup succeeds,
// lookups that find a file missing wait no more: a file removed for good costs one wait, not
// one per card.
// An Interruption ends a wait at once; its card is then not reached, and not named.
class CardLookups {
  public:
    // LookupStudent of typed in store, with the wait above.
    Result<LookupOutcome> Lookup(DataStore& store, std::string_view typed);

  private:
    std::atomic<bool> waitedInVain_{false};
};

// Looks up each of matricolas (UTF-8, as typed) in store and draws the cards found into
// sink, in order. A number not found writes "Matricola NON Trovata: <number>" to errors (the
// number, like every message, with control characters escaped); a
// record file that cannot be read (one missing, once waited for as CardLookups does) writes one
// line naming it, draws no card for that number and goes on with the next. A sink that cannot write
// stops the run at once. progress, when given, hears of every number handled. Returns
// kCardsAllDrawn, kCardsSomeNotFound, or kCardsFailed after any read or write error. Once an
// Interruption is requested it draws no more cards, leaves sink unfinished (its owner discards the
// output) and returns kCardsFailed.
int DrawCards(const std::vector<std::string>& matricolas, DataStore& store, CardSink& sink,
              std::chrono::year_month_day today, const std::string& decimalSeparator,
              std::ostream& errors, CardProgress* progress = nullptr);

// The numbers of every student of the registry, in key order and each once, as --all draws
// them; someUnreachable when records were left out: those whose key is no number (no number
// reaches them) and, of a key several records hold, all but the one a number finds. One line
// on errors says each kind, naming its first records.
struct EveryStudent {
    std::vector<std::string> matricolas;
    bool someUnreachable = false;
};
Result<EveryStudent> EveryMatricola(DataStore& store, std::ostream& errors);

// The warnings of MissingDataWarnings on warnings, a line each.
void WarnOfMissingData(DataStore& store, const std::string& dataDir, std::ostream& warnings);

// The one line that reports a number not on file, the number escaped as typed.
void ReportNotFound(std::ostream& errors, std::string_view typed);

// The one line that warns that the card of the number typed runs past the bottom or the right
// edge of its page (as fit tells), where it is cut off, the number escaped as typed.
void ReportCutOff(std::ostream& errors, std::string_view typed, PageFit fit);

// The one line that reports error on errors.
void ReportError(std::ostream& errors, const Error& error);

// The one line that reports the read error that left the number typed without its card: the
// file, the reason and the number, so that a batch says which cards are missing.
void ReportNoCard(std::ostream& errors, const Error& error, std::string_view typed);

}  // namespace velmaro
