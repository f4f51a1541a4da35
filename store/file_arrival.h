#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "base/result.h"

namespace velmaro {

// A file read whole on a thread of its own, so that its first bytes can be used while the rest
// is still on its way from the disk. The bytes go into memory sized when the file is opened,
// where they stay until Finish. On a system that gives no more threads the file is read whole
// at once.
class FileArrival {
  public:
    // Starts reading the file at path.
    explicit FileArrival(std::string path);
    // Waits for the reading to end.
    ~FileArrival();
    FileArrival(const FileArrival&) = delete;
    FileArrival& operator=(const FileArrival&) = delete;

    // Waits until the file is open, and returns its first size bytes as they will be when they
    // have arrived (size: its length then). Empty when it could not be opened. Only the part
    // that WaitFor has returned may be read.
    std::string_view Expected();
    // Waits until the first count bytes have arrived or the reading has ended; returns how many
    // have arrived.
    std::size_t WaitFor(std::size_t count);
    // Waits for the end of the reading: the whole content, as ReadWholeFile gives it, or its
    // error. Views given by Expected are not to be read after this.
    Result<std::string> Finish();

  private:
    void Read();

    const std::string path_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string content_;
    std::string beyond_;
    std::size_t expectedSize_ = 0;
    std::size_t arrived_ = 0;
    bool opened_ = false;
    std::optional<Result<bool>> read_;  // set when the reading has ended
    std::thread thread_;
};

}  // namespace velmaro
