#include "ui/output_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "ui/file_name_text.h"

namespace velmaro {

namespace {

constexpr int kMostLinksFollowed = 40;

// Writes a file's dirty pages and waits for them, reporting a write the disk refused.
constexpr unsigned kWriteAndWait =
    SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// path with every symbolic link at its end followed, also a link whose target does not exist
// yet (writing creates it); an error for a loop of links.
Result<std::string> FollowLinks(std::string path) {
    for (int followed = 0; followed < kMostLinksFollowed; ++followed) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(static_cast<std::size_t>(info.st_size) + 256, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return Error{"", std::strerror(errno)};
        target.resize(static_cast<std::size_t>(length));
        path = target.starts_with('/') ? target : FolderOf(path) + "/" + target;
    }
    return Error{"", std::strerror(ELOOP)};
}

// A name for a temporary file beside target that no one else uses at this moment (a process
// writing several cards at once asks from several threads).
std::string TemporaryNameBeside(const std::string& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.%u", static_cast<long>(::getpid()),
                  counter.fetch_add(1), attempt);
    return folder + "." + name + suffix;
}

}  // namespace

OutputFile::OutputFile(QString path) : path_(std::move(path)) {}

std::unique_ptr<OutputFile> OutputFile::ForDescriptor(int descriptor, QString name) {
    auto output = std::make_unique<OutputFile>(std::move(name));
    output->descriptor_ = descriptor;
    output->ownsDescriptor_ = false;
    output->QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return output;
}

OutputFile::~OutputFile() {
    if (!committed_) Discard();
}

Status OutputFile::Open() {
    if (isOpen()) return Fail("the output is already open");
    auto target = FollowLinks(FileNameBytes(path_));
    if (!target) return Fail(target.error().reason);
    target_ = std::move(*target);

    struct stat info {};
    const bool exists = ::stat(target_.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        // A device, FIFO or terminal is written as a stream; replacing it would destroy it.
        descriptor_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (descriptor_ < 0) return Fail(std::strerror(errno));
    } else if (exists && ::access(target_.c_str(), W_OK) != 0) {
        // A file its owner made read-only is not replaced behind its back.
        return Fail(std::strerror(errno));
    } else if (Status opened = OpenTemporaryBeside(exists ? info.st_mode & 07777 : -1); !opened) {
        Discard();
        return opened;
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return Ok();
}

Status OutputFile::OpenTemporaryBeside(int existingMode) {
    // Created as any new file is (0666 less the umask), or with the permissions of the file it
    // will replace.
    constexpr unsigned kAttempts = 100;
    for (unsigned attempt = 0; attempt < kAttempts && descriptor_ < 0; ++attempt) {
        std::string name = TemporaryNameBeside(target_, attempt);
        descriptor_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) {
            temporary_ = std::move(name);
        } else if (errno != EEXIST) {
            return Fail(std::strerror(errno));
        }
    }
    if (descriptor_ < 0) return Fail(std::strerror(EEXIST));
    if (existingMode >= 0 && ::fchmod(descriptor_, static_cast<mode_t>(existingMode)) != 0) {
        return Fail(std::strerror(errno));
    }
    return Ok();
}

Status OutputFile::Write(std::string_view bytes) {
    if (!failure_.empty()) return Failure();
    if (descriptor_ < 0) return Fail("the output is not open");
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return Fail(std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return Ok();
}

qint64 OutputFile::readData(char*, qint64) { return -1; }

qint64 OutputFile::writeData(const char* data, qint64 maxSize) {
    if (!Write(std::string_view(data, static_cast<std::size_t>(maxSize)))) return -1;
    return maxSize;
}

Status OutputFile::Commit(CommitBatch* batch) {
    if (committed_) return Ok();
    if (failure_.empty() && descriptor_ < 0) NoteFailure("the output is not open");
    if (failure_.empty() && batch != nullptr && !temporary_.empty()) {
        batch->pending_.push_back(
            {std::exchange(descriptor_, -1), std::exchange(temporary_, {}), target_, path_});
        QIODevice::close();
        committed_ = true;
        return Ok();
    }
    // A full disk may only show when the data reaches it, so a regular file is synced before
    // it replaces anything.
    if (failure_.empty() && !temporary_.empty() && ::fsync(descriptor_) != 0) {
        NoteFailure(std::strerror(errno));
    }
    if (failure_.empty() && ownsDescriptor_ && ::close(std::exchange(descriptor_, -1)) != 0) {
        NoteFailure(std::strerror(errno));
    }
    if (failure_.empty() && !temporary_.empty() &&
        ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        NoteFailure(std::strerror(errno));
    }
    if (!failure_.empty()) {
        Discard();
        return Failure();
    }
    temporary_.clear();
    descriptor_ = -1;
    QIODevice::close();
    committed_ = true;
    return Ok();
}

void OutputFile::Discard() {
    CloseDescriptor();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

void OutputFile::CloseDescriptor() {
    if (descriptor_ >= 0 && ownsDescriptor_) ::close(descriptor_);
    descriptor_ = -1;
    if (isOpen()) QIODevice::close();
}

Status OutputFile::Failure() const {
    if (failure_.empty()) return Ok();
    return Error{FileNameBytes(path_), failure_};
}

void OutputFile::NoteFailure(const std::string& reason) {
    if (failure_.empty()) failure_ = reason;
}

Status OutputFile::Fail(const std::string& reason) {
    NoteFailure(reason);
    return Failure();
}

CommitBatch::~CommitBatch() { Discard(); }

Status CommitBatch::Commit() {
    // One flush of the file system writes every waiting file to the disk, and fails when any
    // data written since the first of them was opened was lost. Each file then asks only
    // whether its own data was written (which writes what may still wait): a flush of the disk
    // per file would repeat the one just made, at about 150 us a file.
    if (!pending_.empty() && ::syncfs(pending_.front().descriptor) != 0) {
        const int error = errno;
        const QString path = pending_.front().path;
        Discard();
        return Error{FileNameBytes(path), std::strerror(error)};
    }
    std::optional<Error> first;
    for (Pending& file : pending_) {
        int error = 0;
        if (::sync_file_range(file.descriptor, 0, 0, kWriteAndWait) != 0) error = errno;
        if (::close(std::exchange(file.descriptor, -1)) != 0 && error == 0) error = errno;
        if (error == 0 && ::rename(file.temporary.c_str(), file.target.c_str()) != 0) error = errno;
        if (error == 0) continue;
        ::unlink(file.temporary.c_str());
        if (!first) first = Error{FileNameBytes(file.path), std::strerror(error)};
    }
    pending_.clear();
    if (first) return *first;
    return Ok();
}

void CommitBatch::Discard() {
    for (Pending& file : pending_) {
        if (file.descriptor >= 0) ::close(file.descriptor);
        ::unlink(file.temporary.c_str());
    }
    pending_.clear();
}

}  // namespace velmaro
