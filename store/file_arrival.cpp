#include "store/file_arrival.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "base/system_reason.h"
#include "store/text_file.h"

namespace velmaro {

FileArrival::FileArrival(std::string path) : path_(std::move(path)) {
    try {
        thread_ = std::thread([this] { Read(); });
    } catch (const std::system_error&) {
        Read();
    }
}

FileArrival::~FileArrival() {
    if (thread_.joinable()) thread_.join();
}

void FileArrival::Read() {
    Result<bool> read = ReadFileInPlace(path_, content_, beyond_, [this](std::size_t arrived) {
        const std::lock_guard lock(mutex_);
        if (!opened_) {
            opened_ = true;
            expectedSize_ = content_.size() - 1;
        }
        arrived_ = arrived;
        changed_.notify_all();
    });
    const std::lock_guard lock(mutex_);
    read_ = std::move(read);
    opened_ = true;
    changed_.notify_all();
}

std::string_view FileArrival::Expected() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return opened_; });
    return {content_.data(), expectedSize_};
}

std::size_t FileArrival::WaitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return read_.has_value() || arrived_ >= count; });
    return arrived_;
}

Result<std::string> FileArrival::Finish() {
    if (thread_.joinable()) thread_.join();
    if (!read_->ok()) return read_->error();
    if (!**read_) return Error{path_, SystemReason(ENOENT)};
    content_ += beyond_;
    return std::move(content_);
}

}  // namespace velmaro
