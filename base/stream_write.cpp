#include "base/stream_write.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>

namespace velmaro {
namespace {

// Read by a signal handler's caller and written by the handler: a lock-free atomic alone.
std::atomic<bool> waitsStopped{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// How long a wait sleeps before it looks again whether it was stopped.
constexpr int kLookAgainMilliseconds = 50;

}  // namespace

void StopStreamWaits() { waitsStopped.store(true); }

void ResumeStreamWaits() { waitsStopped.store(false); }

bool StreamWaitsStopped() { return waitsStopped.load(); }

bool PauseUnlessStopped() {
    if (StreamWaitsStopped()) return false;
    ::poll(nullptr, 0, kLookAgainMilliseconds);
    return true;
}

int WriteToStream(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        pollfd stream{.fd = descriptor, .events = POLLOUT, .revents = 0};
        const int ready = ::poll(&stream, 1, kLookAgainMilliseconds);
        if (ready < 0 && errno != EINTR) return errno;
        if (ready <= 0) {
            if (StreamWaitsStopped()) return ECANCELED;
            continue;
        }
        // A stream ready for writing takes PIPE_BUF bytes without blocking (a pipe has room
        // for one more page); more could block again. A stream whose reader has gone, or that
        // failed, says why when written to.
        const ssize_t written =
            ::write(descriptor, bytes.data(), std::min<std::size_t>(bytes.size(), PIPE_BUF));
        if (written < 0) {
            // Not ready after all (a descriptor set not to block, whose stream cannot say when
            // it is): looked at again a moment later rather than at once.
            if (errno == EAGAIN && !PauseUnlessStopped()) return ECANCELED;
            if (errno == EINTR || errno == EAGAIN) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::streamsize StreamWriteBuffer::xsputn(const char* text, std::streamsize count) {
    const std::lock_guard lock(writing_);
    if (WriteToStream(descriptor_, std::string_view(text, static_cast<std::size_t>(count))) != 0)
        return 0;
    return count;
}

StreamWriteBuffer::int_type StreamWriteBuffer::overflow(int_type character) {
    if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(0);
    const char text = traits_type::to_char_type(character);
    return xsputn(&text, 1) == 1 ? character : traits_type::eof();
}

}  // namespace velmaro
