#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/card_options.h"
#include "base/result.h"
#include "render/render_card.h"
#include "render/text_metrics.h"
#include "ui/card_page.h"

namespace velmaro {

class OutputFile;
class RecordFilesWatch;

// Where `velmaro card` puts the cards it draws, in the order the numbers were given.
class CardSink {
  public:
    virtual ~CardSink() = default;

    // A number is about to be looked up. An error (the output cannot be written) ends the
    // command.
    virtual Status BeginCard(std::string_view /*typed*/) { return Ok(); }
    // The number last begun belongs to no student. An error ends the command.
    virtual Status NotFound() { return Ok(); }
    // Draws the card of the number last begun, and tells whether it lies wholly on its page.
    // An error (the output cannot be written) ends the command.
    virtual Result<PageFit> DrawCard(const CardInput& input) = 0;
    // Completes the output once every number was handled.
    virtual Status Finish() { return Ok(); }
    // The file that is not written when no card was drawn (a png, pdf or svg file, which
    // holds cards only); nothing for a recording, which writes `notfound`.
    virtual std::optional<std::string> UnwrittenWithoutCards() const { return std::nullopt; }
};

// The ops recording on out, which is open: a `card "<typed>"` line before each number, then
// the card's operations measured with metrics, or `notfound`; Finish commits out. out and
// metrics must outlive the sink. A write that fails ends the command at once.
std::unique_ptr<CardSink> MakeOpsSink(OutputFile& out, const TextMetrics& metrics);

// The png, pdf or svg file of options (format other than ops): the file of options.output, or,
// given stream, which is open (standard output), written to stream as the cards are drawn;
// stream must outlive the sink.
std::unique_ptr<CardSink> MakeFileSink(const CardOptions& options, OutputFile* stream);

// sink, finished (its file put in place) only when watch finds no record file written into
// since the run began; else Finish fails with watch's error and leaves sink unfinished, so
// that its owner discards the file. watch looks also before each card, whose records are read
// next (BeginCard fails the same way once a file was written into), so that it follows a file
// replaced whole before a card reads it. watch must outlive the sink.
std::unique_ptr<CardSink> MakeWatchedSink(std::unique_ptr<CardSink> sink,
                                          const RecordFilesWatch& watch);

}  // namespace velmaro
