#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace velmaro {

// The changes the system reports of open files (inotify): one request tells whether any file
// watched has been written, cut, or had its status changed since the last request, so that a
// file's content kept in memory can be trusted without asking after each file on its own.
//
// Only files on a local file system are watched: a network share raises no event for a change
// made by another computer. A file that cannot be watched, or whose watch is lost (the system's
// queue of events overflowed, the file system went), reports no count: its reader then asks
// after the file itself, as it would without a watch.
class ChangeEvents {
  public:
    // Nothing when the system cannot report changes (no inotify, or too many instances open).
    static std::unique_ptr<ChangeEvents> Start();

    ChangeEvents(const ChangeEvents&) = delete;
    ChangeEvents& operator=(const ChangeEvents&) = delete;
    ~ChangeEvents();

    // Starts watching the file open on descriptor: its id, or nothing when it cannot be
    // watched. The same file watched twice (a link to it) gives the same id, forgotten once
    // both are.
    std::optional<int> Watch(int descriptor);
    // Stops watching the file of id.
    void Forget(int id);

    // One request to the system: takes in every change reported since the last poll.
    void Poll();

    // A number that differs from the last one given for id if, and only if, a poll found the
    // file changed since; nothing when the file of id is no longer watched.
    std::optional<std::uint64_t> Changes(int id) const;

    // How many polls were made: each is one request to the system.
    std::uint64_t Polls() const { return polls_; }

  private:
    explicit ChangeEvents(int descriptor) : descriptor_(descriptor) {}

    struct Watched {
        int id = -1;
        int users = 0;
        std::uint64_t changes = 0;
        bool lost = false;
    };
    void CountEveryFileChanged();
    Watched* Find(int id);
    const Watched* Find(int id) const;

    int descriptor_;
    std::vector<Watched> watched_;  // a few files: a vector is searched faster than a map
    std::uint64_t polls_ = 0;
    bool broken_ = false;  // reading the events failed: no count can be trusted any more
};

// Whether a file system of type magic (statfs's f_type) is one on which every change to a file
// raises an event: a local one.
bool ReportsEveryChange(std::int64_t fileSystemMagic);

}  // namespace velmaro
