#pragma once

#include <signal.h>

#include <array>

namespace velmaro {

// Ctrl+C (SIGINT), SIGTERM and SIGHUP while cards are written, and SIGPIPE: a reader that has
// gone (of standard error's messages, say). Ended at once, the process would leave the
// temporary file of every card still being written in the user's folder, hidden.
// Once Catch() is called such a signal is only noted: the run stops after the cards in hand,
// removes its temporary files, and EndIfRequested() then ends the process by that signal.
// The first signal also stops every wait for a stream's reader (StopStreamWaits): a run
// blocked on a pipe, a FIFO or a terminal that no one reads gives up that output and stops.
// A second signal of the first three kinds ends the process at once by its default action,
// for a run that cannot stop soon (a disk that does not answer); SIGPIPE, which every further
// write to that pipe raises again, never does.
class Interruption {
  public:
    // Catches nothing yet: until Catch(), the signals end the process as usual, which is what a
    // user waiting for a program that reads its input or the data wants.
    Interruption() = default;
    // Gives the signals back their earlier actions and forgets a signal noted.
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // From now on notes the four signals, but for one the process ignores. Call it once,
    // before the first output file is made.
    void Catch();

    // True once one of the signals came while caught; may be asked on any thread.
    static bool Requested();

    // Ends the process by the signal that came, with that signal's default action, so that
    // whoever started it (a shell, a loop in a script) sees it interrupted. Call it once every
    // output is discarded or complete. Returns when no signal came.
    void EndIfRequested() const;

  private:
    static constexpr std::array kSignals{SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    bool catching_ = false;
    std::array<struct sigaction, kSignals.size()> earlierActions_{};
};

}  // namespace velmaro
