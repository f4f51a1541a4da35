#include "app/interruption.h"

#include <atomic>

#include "base/stream_write.h"

namespace velmaro {
namespace {

// A signal handler can reach nothing but a lock-free atomic of static storage: this is the
// only state the handler and the program share.
std::atomic<int> requestedSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void NoteSignal(int signal) {
    int none = 0;
    if (requestedSignal.compare_exchange_strong(none, signal)) {
        // A run blocked on a stream that no one reads (a full pipe, a FIFO without a reader)
        // has nothing to finish there: it gives up, stops, and ends by this signal.
        StopStreamWaits();
        return;
    }
    // A pipe whose reader has gone raises SIGPIPE at every write to it: the write fails, and
    // the run is stopping already.
    if (signal == SIGPIPE) return;
    // A second interrupt, of another kind too, ends the process at once by its default action
    // (of the same kind SA_RESETHAND already does that): a run blocked on a disk or a reader
    // that does not answer cannot stop after the first. The signal stays blocked until the
    // handler returns, and is then delivered.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigaction(signal, &defaultAction, nullptr);
    raise(signal);
}

}  // namespace

void Interruption::Catch() {
    if (catching_) return;
    catching_ = true;
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        // SA_RESETHAND: the next signal of the kind takes its default action and ends the
        // process; but for SIGPIPE, which the next write to a broken pipe raises again.
        action.sa_flags = kSignals[i] == SIGPIPE ? SA_RESTART : SA_RESTART | SA_RESETHAND;
        sigaction(kSignals[i], nullptr, &earlierActions_[i]);
        // A signal ignored stays ignored: nohup's SIGHUP, SIGINT in a background job, a shell's
        // `trap '' PIPE`, where a write to a broken pipe is a failure reported as any.
        if (earlierActions_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
    }
}

Interruption::~Interruption() {
    if (!catching_) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &earlierActions_[i], nullptr);
    requestedSignal = 0;
    ResumeStreamWaits();
}

bool Interruption::Requested() { return requestedSignal.load(std::memory_order_relaxed) != 0; }

void Interruption::EndIfRequested() const {
    const int signal = requestedSignal.load();
    if (signal == 0) return;
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signal, &defaultAction, nullptr);
    sigset_t only{};
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
}

}  // namespace velmaro
