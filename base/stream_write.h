#pragma once

#include <mutex>
#include <ostream>
#include <streambuf>
#include <string_view>

namespace velmaro {

// Writes to a stream (a pipe, a FIFO, a terminal, a socket) wait for its reader to take the
// bytes, and opening a FIFO waits for a reader to come: a reader that never does would hold
// the process for ever. Once StopStreamWaits() is called (a signal noted while cards are
// written) such a wait gives up instead, so that the first interrupt can still end the run.
// A stream that takes the bytes at once is still written to.

// From now on every wait for a stream gives up. Safe in a signal handler.
void StopStreamWaits();
// The waits wait again (a new run in the same process).
void ResumeStreamWaits();
// Whether StopStreamWaits() was called, and not undone since.
bool StreamWaitsStopped();

// Writes all of bytes to descriptor, waiting for the stream to take them while the waits are
// not stopped; a descriptor set not to block (O_NONBLOCK) is waited for all the same. Returns
// 0 when every byte is written, ECANCELED when the waits were stopped first, else the errno
// of the write.
int WriteToStream(int descriptor, std::string_view bytes);

// Waits about the few milliseconds after which a stopped wait is seen to be stopped; false,
// and at once, when the waits are stopped already. For a wait that polls (a FIFO's reader).
bool PauseUnlessStopped();

// A stream buffer that writes each text at once to a descriptor it does not own, through
// WriteToStream, one text at a time: standard error's messages, whose reader may stop reading
// it. A write that fails (the waits stopped, the reader gone) fails the stream writing it.
class StreamWriteBuffer final : public std::streambuf {
  public:
    explicit StreamWriteBuffer(int descriptor) : descriptor_(descriptor) {}

  protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int_type overflow(int_type character) override;

  private:
    const int descriptor_;
    std::mutex writing_;
};

// Makes stream write through buffer while it lives; then through the buffer it had.
class StreamBufferSwap {
  public:
    StreamBufferSwap(std::ostream& stream, std::streambuf& buffer)
        : stream_(stream), earlier_(stream.rdbuf(&buffer)) {}
    ~StreamBufferSwap() { stream_.rdbuf(earlier_); }
    StreamBufferSwap(const StreamBufferSwap&) = delete;
    StreamBufferSwap& operator=(const StreamBufferSwap&) = delete;

  private:
    std::ostream& stream_;
    std::streambuf* const earlier_;
};

}  // namespace velmaro
