#include "ui/output_file.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>
#include <utility>

#include "base/descriptor_name.h"
#include "base/followed_links.h"
#include "base/stream_write.h"
#include "base/system_reason.h"
#include "ui/file_name_text.h"

namespace velmaro {

namespace {

// Writes a file's dirty pages and waits for them, reporting a write the disk refused.
constexpr unsigned kWriteAndWait =
    SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;

constexpr unsigned kTemporaryNameAttempts = 100;

// A name for a temporary file beside target that no one else uses at this moment (a process
// writing several cards at once asks from several threads). The target's name in it is cut to
// leave room for the rest, so that a target whose name is as long as the system allows still
// gets one; the suffix alone keeps it unique.
std::string TemporaryNameBeside(const std::string& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    char suffix[64];
    const int suffixLength =
        std::snprintf(suffix, sizeof suffix, ".%ld.%u.%u", static_cast<long>(::getpid()),
                      counter.fetch_add(1), attempt);
    const std::size_t room = NAME_MAX - 1 - static_cast<std::size_t>(suffixLength);
    return folder + "." + name.substr(0, room) + suffix;
}

// Whether a file made without a name can be given one later: /proc/self/fd names its
// descriptor, which linkat follows.
bool CanNameUnnamedFiles() {
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

// Gives the unnamed file open as descriptor the name path; an errno, 0 when done.
int LinkUnnamed(int descriptor, const std::string& path) {
    const std::string self = PathOfDescriptor(descriptor);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                            : errno;
}

// Closes descriptor, the complete file temporary, and puts it in place of target; an errno,
// 0 when done. On failure the temporary file is removed and target stays as it was.
int CloseAndRename(int descriptor, const std::string& temporary, const std::string& target) {
    int error = ::close(descriptor) == 0 ? 0 : errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temporary.c_str());
    return error;
}

// Flushes folder to the disk, so that a name just given there survives a crash as the file's
// data does; an errno, 0 when done. A folder the user may write to but not read cannot be
// opened to be flushed, and some file systems flush no folder (EINVAL): the name is then kept
// as the system keeps it.
int SyncFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return 0;
    const int error = ::fsync(descriptor) == 0 ? 0 : errno;
    ::close(descriptor);
    return error == EINVAL ? 0 : error;
}

// Why a folder that took a file's new name (placed, "the file is in place") failed: it could not
// be flushed to the disk, with the system's reason for error.
std::string UnsyncedFolderReason(int error, std::string_view placed) {
    return "could not flush the folder to the disk (" + SystemReason(error) +
           "): " + std::string(placed) + " but may not survive a crash";
}

// Closes descriptor and removes its file: named temporary, or unnamed when temporary is empty.
void RemoveFile(int descriptor, const std::string& temporary) {
    ::close(descriptor);
    if (!temporary.empty()) ::unlink(temporary.c_str());
}

// Puts the complete file open as descriptor in place of target, and closes the descriptor; an
// errno, 0 when done. On failure nothing of the file is left and target stays as it was.
// temporary names the file; empty, the file is unnamed and is linked as target when there is
// none yet (one step, which cannot leave a part behind), else named beside it first.
int PlaceFile(int descriptor, const std::string& temporary, const std::string& target) {
    if (!temporary.empty()) return CloseAndRename(descriptor, temporary, target);
    int error = LinkUnnamed(descriptor, target);
    if (error == 0) {
        if (::close(descriptor) == 0) return 0;
        error = errno;
        ::unlink(target.c_str());
        return error;
    }
    for (unsigned attempt = 0; error == EEXIST && attempt < kTemporaryNameAttempts; ++attempt) {
        const std::string name = TemporaryNameBeside(target, attempt);
        error = LinkUnnamed(descriptor, name);
        if (error == 0) return CloseAndRename(descriptor, name, target);
    }
    ::close(descriptor);
    return error;
}

// Why no file can be made in folder, with the system's reason for error told of the part of the
// path it is about where it would seem to be about the file: the folder that is not there, or
// the part of its path that is a file ("/srv/schede: No such file or directory").
std::string WhyNoFileIn(const std::string& folder, int error) {
    struct stat info {};
    if (error == ENOENT && ::stat(folder.c_str(), &info) != 0 && errno == ENOENT)
        return folder + ": " + SystemReason(error);
    if (error == ENOTDIR) {
        for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
            const std::string part = folder.substr(0, slash);
            if (::stat(part.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
                return part + ": " + SystemReason(error);
            if (slash == std::string::npos) break;
        }
    }
    return SystemReason(error);
}

// 0 when folder takes new files now, else the system's reason why not. Asked by making a file
// without a name, which is gone once closed and never shows in the folder, even should the
// program be killed; where the file system has no such files, the folder's permissions answer.
int WhyFolderTakesNoFiles(const std::string& folder) {
    if (CanNameUnnamedFiles()) {
        const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (descriptor >= 0) {
            ::close(descriptor);
            return 0;
        }
        if (const int error = errno; error != EOPNOTSUPP && error != EISDIR && error != EINVAL) {
            return error;
        }
    }
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

// Whether error, met opening or checking the file in a target's place, is that file's own
// (a folder, a read-only file, a device no one reads), not the folder's, the disk's or the
// process's (an I/O error, a read-only file system, too many open files).
bool FaultOfTheFileAlone(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EISDIR:
        case ENXIO:
        case ENODEV:
        case ETXTBSY:
        case EBUSY:
            return true;
        default:
            return false;
    }
}

// Whether error, met making a file in a folder, says that the folder is not there: no such
// folder, or a file or a loop of links in the way of its path.
bool NoFolderThere(int error) {
    return error == ENOENT || error == ENOTDIR || error == ELOOP || error == ENAMETOOLONG;
}

// Whether the process may act on files of any owner (the right to override ownership, which
// the superuser holds unless it was taken away, as a container or a service may do, and which
// another user may be given). When the system does not say, the superuser is taken to hold it.
bool OverridesFileOwners() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct rights[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, rights) != 0) return ::geteuid() == 0;
    return (rights[CAP_TO_INDEX(CAP_FOWNER)].effective & CAP_TO_MASK(CAP_FOWNER)) != 0;
}

// Whether the user may put another file in the place of existing, a regular file target in
// its folder. In a folder others share, marked sticky (as /tmp is), a file is replaced only by
// its owner, the folder's, or a process that overrides file owners: the system refuses anyone
// else when the new file is renamed over it, after the whole card is written.
bool MayReplace(const std::string& target, const struct stat& existing) {
    struct stat folder {};
    if (::stat(FolderOf(target).c_str(), &folder) != 0 || (folder.st_mode & S_ISVTX) == 0) {
        return true;
    }
    const uid_t user = ::geteuid();
    return existing.st_uid == user || folder.st_uid == user || OverridesFileOwners();
}

// Whether descriptor is open on a regular file; anything else is written as a stream.
bool IsRegularFile(int descriptor) {
    struct stat info {};
    return ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

OutputFile::OutputFile(QString path) : path_(std::move(path)) {}

std::unique_ptr<OutputFile> OutputFile::ForDescriptor(int descriptor, QString name) {
    auto output = std::make_unique<OutputFile>(std::move(name));
    output->descriptor_ = descriptor;
    output->ownsDescriptor_ = false;
    output->stream_ = !IsRegularFile(descriptor);
    output->QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return output;
}

OutputFile::~OutputFile() {
    if (!committed_) Discard();
}

Status OutputFile::Open(ReaderWait wait) {
    if (isOpen()) return Fail("the output is already open");
    // A link that leads nowhere, a folder or a read-only file in the target's place: faults of
    // this file alone, where the folder may still take others.
    constexpr bool kOnlyThisFile = true;
    auto target = FollowLinks(FileNameBytes(path_));
    if (!target) return Fail(target.error().reason, kOnlyThisFile);
    target_ = std::move(*target);
    if (const std::optional<int> named = DescriptorNamed(target_)) return OpenDescriptor(*named);

    struct stat info {};
    const bool exists = ::stat(target_.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        // A device, FIFO or terminal is written as a stream; replacing it would destroy it.
        // Opened without blocking: a FIFO that no program reads fails the open, which then
        // waits for a reader where it is to wait, while the waits are not stopped.
        stream_ = true;
        while ((descriptor_ =
                    ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) < 0) {
            const int error = errno;
            if (error != ENXIO || !S_ISFIFO(info.st_mode)) {
                return Fail(SystemReason(error), FaultOfTheFileAlone(error));
            }
            if (wait == ReaderWait::kDoNotWait) {
                return Fail("a named pipe (FIFO) that no program reads", kOnlyThisFile);
            }
            if (!PauseUnlessStopped()) {
                return Fail("interrupted while waiting for a program to read the named pipe");
            }
        }
        // Then written as any stream, each write waiting for the stream to take the bytes: a
        // device that cannot say when it is ready (a printer port) is not asked again and
        // again.
        const int flags = ::fcntl(descriptor_, F_GETFL);
        if (flags == -1 || ::fcntl(descriptor_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            return Fail(SystemReason(errno));
        }
    } else if (exists && ::access(target_.c_str(), W_OK) != 0) {
        // A file its owner made read-only is not replaced behind its back. A file system
        // mounted read-only takes no other file either.
        const int error = errno;
        return Fail(SystemReason(error), FaultOfTheFileAlone(error));
    } else if (exists && !MayReplace(target_, info)) {
        return Fail(SystemReason(EPERM), kOnlyThisFile);
    } else if (Status opened = OpenTemporaryBeside(exists ? &info : nullptr); !opened) {
        Discard();
        return opened;
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return Ok();
}

Status OutputFile::OpenDescriptor(int named) {
    // A copy of the descriptor, so that closing it (and seeing whether that fails) leaves the
    // one named open; it shares the offset and the appending of the original.
    const int flags = ::fcntl(named, F_GETFL);
    if (flags == -1 || (flags & O_ACCMODE) == O_RDONLY || (flags & O_PATH) != 0) {
        return Fail(SystemReason(EBADF));
    }
    descriptor_ = ::fcntl(named, F_DUPFD_CLOEXEC, 0);
    if (descriptor_ < 0) return Fail(SystemReason(errno));
    // A file written from where the descriptor stands, not appended to, ends where the card
    // ends: one opened for reading and writing (3<>file) keeps no tail of what it held.
    stream_ = !IsRegularFile(descriptor_);
    endsWithWrite_ = !stream_ && (flags & O_APPEND) == 0;
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return Ok();
}

Status OutputFile::OpenTemporaryBeside(const struct stat* existing) {
    if (onlyTrying_) {
        const std::string folder = FolderOf(target_);
        if (const int error = WhyFolderTakesNoFiles(folder)) {
            return Fail(WhyNoFileIn(folder, error));
        }
        return Ok();
    }
    // Created as any new file is (0666 less the umask), or with the permissions and group of
    // the file it will replace. Unnamed where the file system allows it: nothing of it shows in the
    // folder while it is written, and nothing is left there should the program die before the file
    // is in place. Elsewhere (a network share) it is a hidden file beside the target.
    if (CanNameUnnamedFiles()) {
        descriptor_ = ::open(FolderOf(target_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    }
    for (unsigned attempt = 0; attempt < kTemporaryNameAttempts && descriptor_ < 0; ++attempt) {
        std::string name = TemporaryNameBeside(target_, attempt);
        descriptor_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) {
            temporary_ = std::move(name);
        } else if (const int error = errno; error != EEXIST) {
            // A link that leads into a folder that is not there leads nowhere: a fault of
            // the link's name alone, where the folder the name is in may still take files.
            const bool throughLink = target_ != FileNameBytes(path_);
            return Fail(WhyNoFileIn(FolderOf(target_), error), throughLink && NoFolderThere(error));
        }
    }
    if (descriptor_ < 0) return Fail(SystemReason(EEXIST));
    replaces_ = true;
    if (existing == nullptr) return Ok();
    // The group first (a change of group may clear the set-group-ID bit the mode then sets).
    // Kept where the writer belongs to it (a folder a group shares, whose members would
    // otherwise lose the file); elsewhere, or where the file system has no groups, the file
    // has the writer's group, as a new file would.
    static_cast<void>(::fchown(descriptor_, static_cast<uid_t>(-1), existing->st_gid));
    if (::fchmod(descriptor_, existing->st_mode & 07777) != 0) return Fail(SystemReason(errno));
    return Ok();
}

Status OutputFile::Write(std::string_view bytes) {
    if (!failure_.empty()) return Failure();
    if (descriptor_ < 0) return Fail("the output is not open");
    if (stream_) {
        const int error = WriteToStream(descriptor_, bytes);
        return error == 0 ? Ok() : Fail(SystemReason(error));
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return Fail(SystemReason(errno));
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
    if (failure_.empty() && replaces_ && batch != nullptr) {
        batch->pending_.push_back(
            {std::exchange(descriptor_, -1), std::exchange(temporary_, {}), target_, path_});
    } else if (failure_.empty() && replaces_) {
        // A full disk may only show when the data reaches it, so a regular file is synced
        // before it replaces anything.
        if (::fsync(descriptor_) != 0) {
            NoteFailure(SystemReason(errno));
        } else {
            const int error = PlaceFile(std::exchange(descriptor_, -1), temporary_, target_);
            temporary_.clear();  // placed, or removed on failure
            if (error != 0) {
                NoteFailure(SystemReason(error));
            } else if (const Status flushed =
                           FlushFolder(FolderOf(target_), "the file is in place");
                       !flushed) {
                NoteFailure(flushed.error().reason);
            }
        }
    } else if (failure_.empty()) {
        const off_t end = endsWithWrite_ ? ::lseek(descriptor_, 0, SEEK_CUR) : 0;
        if (end < 0 || (endsWithWrite_ && ::ftruncate(descriptor_, end) != 0)) {
            NoteFailure(SystemReason(errno));
        }
        // Written in place (standard output sent to a file, -o /dev/stdout): the same sync, so
        // that a disk that loses the data fails the run instead of ending it with success.
        if (failure_.empty() && !stream_ && ::fsync(descriptor_) != 0) {
            NoteFailure(SystemReason(errno));
        }
        if (ownsDescriptor_ && ::close(std::exchange(descriptor_, -1)) != 0) {
            NoteFailure(SystemReason(errno));
        }
    }
    if (!failure_.empty()) {
        Discard();
        return Failure();
    }
    descriptor_ = -1;
    replaces_ = false;
    QIODevice::close();
    committed_ = true;
    return Ok();
}

void OutputFile::Discard() {
    if (descriptor_ >= 0 && ownsDescriptor_) ::close(descriptor_);
    descriptor_ = -1;
    if (isOpen()) QIODevice::close();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    replaces_ = false;
}

Status OutputFile::Failure() const {
    if (failure_.empty()) return Ok();
    return Error{FileNameBytes(path_), failure_, failureOnlyThisFile_};
}

void OutputFile::NoteFailure(const std::string& reason, bool onlyThisFile) {
    if (!failure_.empty()) return;
    failure_ = reason;
    failureOnlyThisFile_ = onlyThisFile;
}

Status OutputFile::Fail(const std::string& reason, bool onlyThisFile) {
    NoteFailure(reason, onlyThisFile);
    return Failure();
}

CommitBatch::~CommitBatch() { Discard(); }

Status CommitBatch::Commit(std::vector<Status>* eachFile) {
    if (eachFile != nullptr) eachFile->clear();
    // One flush of the file system writes every waiting file to the disk, and fails when any
    // data written since the first of them was opened was lost. Each file then asks only
    // whether its own data was written (which writes what may still wait): a flush of the disk
    // per file would repeat the one just made, at about 150 us a file.
    // One file alone is flushed by itself, without waiting for what other programs wrote.
    const auto flush = pending_.size() == 1 ? ::fsync : ::syncfs;
    if (!pending_.empty() && flush(pending_.front().descriptor) != 0) {
        const int error = errno;
        const QString path = pending_.front().path;
        if (eachFile != nullptr) {
            for (const Pending& file : pending_)
                eachFile->push_back(Error{FileNameBytes(file.path), SystemReason(error)});
        }
        Discard();
        return Error{FileNameBytes(path), SystemReason(error)};
    }
    std::optional<Error> first;
    std::vector<std::string> folders;  // those that took a file
    for (Pending& file : pending_) {
        int error = 0;
        if (::sync_file_range(file.descriptor, 0, 0, kWriteAndWait) != 0) {
            error = errno;
            RemoveFile(file.descriptor, file.temporary);
        } else {
            error = PlaceFile(file.descriptor, file.temporary, file.target);
        }
        file.descriptor = -1;
        Status placed = Ok();
        if (error != 0) {
            placed = Error{FileNameBytes(file.path), SystemReason(error)};
        } else if (std::ranges::find(folders, FolderOf(file.target)) == folders.end()) {
            folders.push_back(FolderOf(file.target));
        }
        if (!placed && !first) first = placed.error();
        if (eachFile != nullptr) eachFile->push_back(std::move(placed));
    }
    // Each folder that took a file is flushed once; should that fail, its files are in place
    // but may not survive a crash: the folder is the failure, its files' own are not.
    for (const std::string& folder : folders) {
        if (const Status flushed = FlushFolder(folder, "the files put in it are in place");
            !flushed && !first)
            first = flushed.error();
    }
    pending_.clear();
    if (first) return *first;
    return Ok();
}

void CommitBatch::Discard() {
    for (const Pending& file : pending_)
        RemoveFile(file.descriptor, file.temporary);
    pending_.clear();
}

Status OutputFile::CheckPlace(const QString& path) {
    if (const Result<std::string> target = FollowLinks(FileNameBytes(path))) {
        struct stat info {};
        if (DescriptorNamed(*target) ||
            (::stat(target->c_str(), &info) == 0 && !S_ISREG(info.st_mode))) {
            return Ok();
        }
    }
    OutputFile trial(path);
    trial.onlyTrying_ = true;
    return trial.Open(ReaderWait::kDoNotWait);
}

Status FlushFolder(const std::string& folder, std::string_view whatItTook) {
    if (const int error = SyncFolder(folder); error != 0)
        return Error{folder, UnsyncedFolderReason(error, whatItTook)};
    return Ok();
}

Status CheckFolderTakesFiles(const std::string& folder) {
    if (const int error = WhyFolderTakesNoFiles(folder)) return Error{folder, SystemReason(error)};
    return Ok();
}

}  // namespace velmaro
