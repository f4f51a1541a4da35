#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

namespace velmaro {

// How far a run of many cards has come, shown on one terminal line that is rewritten in place:
// count, percentage, cards per second and the time left. At most kUpdatesPerSecond updates
// are written, however fast the cards come, and none in a run's first interval, so a short
// run shows nothing; a disabled progress writes nothing at all. The line is cut to the
// terminal's width, since a line that wraps can no longer be rewritten in place.
// CardDone may be called from any thread.
class CardProgress {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // The terminal's width in characters; 0 when it is not known.
    using Columns = std::function<std::size_t()>;
    static constexpr int kUpdatesPerSecond = 4;

    CardProgress(std::ostream& out, std::size_t total, bool enabled,
                 Clock clock = std::chrono::steady_clock::now, Columns columns = {});
    CardProgress(const CardProgress&) = delete;
    CardProgress& operator=(const CardProgress&) = delete;

    // One more card handled (drawn or not found).
    void CardDone();
    // Writes the final state and ends the line; nothing when nothing was written before.
    void Finish();
    // Blanks the progress line, so that a message written next starts on a clean line; the
    // next update writes it again.
    void ClearLine();
    // Writes message to errors (the stream the line is on, or another) between two updates,
    // with the line blanked first: from threads that report while others count their cards.
    void Interject(std::ostream& errors, std::string_view message);

    // The text of one update: "120/400 cards (30%), 85.0 cards/s, 3 s left" (or "2 min 5 s",
    // "1 h 4 min" left).
    static std::string Line(std::size_t done, std::size_t total, double seconds);

  private:
    void Write(std::size_t done, std::chrono::steady_clock::time_point now);
    // ClearLine, with writing_ held.
    void BlankLine();
    // How many characters a line may hold without wrapping; SIZE_MAX when that is not known.
    std::size_t Room() const;

    std::ostream& out_;
    const std::size_t total_;
    const bool enabled_;
    const Clock clock_;
    const Columns columns_;
    const std::chrono::steady_clock::time_point start_;
    std::atomic<std::size_t> done_{0};
    std::mutex writing_;
    std::chrono::steady_clock::time_point lastWrite_;
    bool wroteAny_ = false;
    std::size_t lastWidth_ = 0;
};

// The width in characters of the terminal that descriptor is; 0 when it is none or says none.
std::size_t TerminalColumns(int descriptor);

// Whether a run shows its progress on the descriptor errorsTo: not when quiet, only when that
// is a terminal, and not when the cards themselves go to that terminal, where the progress
// line would land amid them.
bool ShowsProgress(bool quiet, int errorsTo, bool cardsOnThatTerminal);

// Whether cards written to the file path, or to the descriptor cardsTo when path is empty,
// reach the terminal that errorsTo is, either named as /dev/tty (the process's own terminal):
// told by the devices' numbers, without opening anything.
bool CardsReachTerminalOf(int errorsTo, int cardsTo, const std::string& path);

}  // namespace velmaro
