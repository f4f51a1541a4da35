#include "store/change_events.h"

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "base/descriptor_name.h"

namespace velmaro {
namespace {

// Every way the content a reader holds can stop being the file's: written or cut (modify),
// its times, permissions or links changed (attrib: a link count that falls is the file
// renamed over or removed), moved or removed.
constexpr std::uint32_t kChangeMask = IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;

}  // namespace

bool ReportsEveryChange(std::int64_t fileSystemMagic) {
    switch (fileSystemMagic) {
        case EXT4_SUPER_MAGIC:  // also ext2 and ext3
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case TMPFS_MAGIC:
        case F2FS_SUPER_MAGIC:
            return true;
        default:
            return false;
    }
}

std::unique_ptr<ChangeEvents> ChangeEvents::Start() {
    const int descriptor = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0) return nullptr;
    return std::unique_ptr<ChangeEvents>(new ChangeEvents(descriptor));
}

ChangeEvents::~ChangeEvents() { ::close(descriptor_); }

ChangeEvents::Watched* ChangeEvents::Find(int id) {
    const auto found = std::find_if(watched_.begin(), watched_.end(),
                                    [id](const Watched& watched) { return watched.id == id; });
    return found == watched_.end() ? nullptr : &*found;
}

const ChangeEvents::Watched* ChangeEvents::Find(int id) const {
    return const_cast<ChangeEvents*>(this)->Find(id);
}

std::optional<int> ChangeEvents::Watch(int descriptor) {
    if (broken_ || descriptor < 0) return std::nullopt;
    struct statfs fileSystem {};
    if (::fstatfs(descriptor, &fileSystem) != 0 ||
        !ReportsEveryChange(static_cast<std::int64_t>(fileSystem.f_type)))
        return std::nullopt;
    const int id =
        ::inotify_add_watch(descriptor_, PathOfDescriptor(descriptor).c_str(), kChangeMask);
    if (id < 0) return std::nullopt;
    if (Watched* watched = Find(id)) {
        ++watched->users;
    } else {
        watched_.push_back(Watched{id, 1, 0, false});
    }
    return id;
}

void ChangeEvents::Forget(int id) {
    Watched* watched = Find(id);
    if (watched == nullptr || --watched->users > 0) return;
    if (!watched->lost) ::inotify_rm_watch(descriptor_, id);
    watched_.erase(watched_.begin() + (watched - watched_.data()));
}

void ChangeEvents::Poll() {
    // Without a file watched there is nothing to ask: a data folder on a network share costs
    // its lookups no request.
    if (broken_ || watched_.empty()) return;
    // A writer that never pauses could keep the queue from ever running dry: after this many
    // reads, every file counts as changed, as when the system drops events.
    constexpr int kMostReads = 16;
    for (int reads = 0;; ++reads) {
        if (reads == kMostReads) return CountEveryFileChanged();
        alignas(inotify_event) std::array<char, 4096> buffer;
        ++polls_;
        const ssize_t got = ::read(descriptor_, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) return;
        if (got <= 0) {
            broken_ = true;
            return;
        }
        for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(got);) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + at, sizeof event);
            at += sizeof event + event.len;
            if ((event.mask & IN_Q_OVERFLOW) != 0) {
                CountEveryFileChanged();  // events were dropped: any file may have changed
                continue;
            }
            Watched* watched = Find(event.wd);
            if (watched == nullptr) continue;  // forgotten since
            ++watched->changes;
            if ((event.mask & (IN_IGNORED | IN_UNMOUNT)) != 0) watched->lost = true;
        }
    }
}

void ChangeEvents::CountEveryFileChanged() {
    for (Watched& watched : watched_)
        ++watched.changes;
}

std::optional<std::uint64_t> ChangeEvents::Changes(int id) const {
    const Watched* watched = Find(id);
    if (broken_ || watched == nullptr || watched->lost) return std::nullopt;
    return watched->changes;
}

}  // namespace velmaro
