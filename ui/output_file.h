#pragma once

#include <sys/stat.h>

#include <QIODevice>
#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace velmaro {

// The one way Velmaro writes an output file (every card format and the ops recording).
//
// A path naming a regular file, or nothing yet, is written through a temporary file in the
// same folder that replaces it only when Commit() finds every byte written, flushed to the
// disk and closed: a failure leaves any existing file untouched and no partial file behind.
// Where the file system allows it the temporary file has no name until then, so that not even
// a program killed in the middle leaves a part of it in the folder.
// An existing file that may not be written (read-only to the user), or that is another
// user's in a folder others share (sticky, as /tmp), is not replaced.
// A path naming something else (a device such as /dev/null, a FIFO, a terminal) is written to
// directly as a stream and never replaced. A name of one of the process's descriptors
// (/dev/stdout, /dev/fd/N) is written through that descriptor, as the shell opened it: a pipe
// stays a pipe, a file opened for appending is appended to. A symbolic link is followed: its
// target is written, the link stays. Every failure is an Error naming the path (as given) and the
// system's reason; the first failure is kept and reported by every later call.
//
// As a QIODevice it serves Qt's writers (images, PDF, SVG); a failed write makes the device
// report -1 to the writer, and Commit() reports the failure whatever the writer concludes.
class CommitBatch;

class OutputFile final : public QIODevice {
  public:
    // A file to be opened with Open().
    explicit OutputFile(QString path);
    // Standard output (or another descriptor already open for writing), written as a stream
    // and already open; name stands for it in an error. The descriptor is never closed.
    static std::unique_ptr<OutputFile> ForDescriptor(int descriptor, QString name);
    // An unfinished output is discarded: its temporary file is removed.
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // What Open does with a FIFO (or a device) in the target's place that no program reads yet.
    enum class ReaderWait {
        // Waits for a reader: a pipe the user named, read by a program started later; gives up
        // once the stream waits are stopped (StopStreamWaits).
        kWait,
        // Fails at once when none has it open, as a fault of the target alone: a file of a
        // batch of cards, which nothing waits to read.
        kDoNotWait,
    };

    // Prepares the output: a temporary file beside the target, or the target itself when it
    // is not a regular file. An error when the folder is missing or not writable, or the
    // target cannot be opened.
    Status Open(ReaderWait wait = ReaderWait::kWait);
    // Writes all of bytes, or fails. A stream is waited for while it takes no more, until the
    // stream waits are stopped (StopStreamWaits): a reader that never reads cannot hold the
    // process past an interrupt.
    Status Write(std::string_view bytes);
    // Whether Open would take path now: the error it would report for a folder that is missing
    // or takes no files, or for a folder or read-only file in the target's place; found without
    // touching the target or naming any file, so that nothing is left behind even should the
    // program be killed. A stream in the target's place (a FIFO, a device, a descriptor's name)
    // is not opened, lest it wait for a reader: it counts as taking the output.
    static Status CheckPlace(const QString& path);
    // Completes the output: flushes to the disk, closes, and puts the temporary file in place
    // of the target, then flushes the target's folder, which holds its new name. Reports the
    // first failure met since Open(), if any; then nothing is replaced, except when only the
    // folder's flush failed: the file is in place, and the failure says so. Calling it again
    // reports the same outcome.
    // With a batch, a temporary file is handed to it instead, open and written in full; the
    // batch flushes it and puts it in place with the others.
    Status Commit(CommitBatch* batch = nullptr);
    // Gives up: a temporary file is removed, the target stays as it was.
    void Discard();

    const QString& Path() const { return path_; }
    // The first failure since Open(); Ok while there is none.
    Status Failure() const;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

  private:
    // Keeps reason unless a failure was already kept; onlyThisFile when the fault is the
    // target's own (see Error::onlyThisFile).
    void NoteFailure(const std::string& reason, bool onlyThisFile = false);
    // Notes reason and returns the first failure.
    Status Fail(const std::string& reason, bool onlyThisFile = false);
    // Writes to a copy of descriptor named, which must be open for writing.
    Status OpenDescriptor(int named);
    // A temporary file in target_'s folder with the permissions and, where the writer may give
    // it, the group of existing, the file it will replace (without one: those a new file gets).
    Status OpenTemporaryBeside(const struct stat* existing);

    QString path_;
    std::string target_;     // the file that is replaced (a link's target), or written to
    std::string temporary_;  // the temporary file's name; empty when it has none
    bool replaces_ = false;  // written to a temporary file, named or not, that replaces target_
    bool endsWithWrite_ = false;  // a regular file cut where the writing ends
    bool stream_ = false;  // a pipe, a terminal or a device: its writes may wait for a reader
    int descriptor_ = -1;
    bool ownsDescriptor_ = true;
    bool committed_ = false;
    bool onlyTrying_ = false;  // CheckPlace's: the folder is asked, no temporary file is made
    std::string failure_;      // the first failure's reason; empty while there is none
    bool failureOnlyThisFile_ = false;
};

// Temporary files of OutputFiles, written in full and waiting to replace their targets: one
// flush of the whole file system to the disk serves them all, instead of one flush per file
// (a batch of cards, one file per student, then costs about one flush). Each file's own
// writeback is then asked whether its data was lost, which costs the disk nothing more.
class CommitBatch {
  public:
    CommitBatch() = default;
    // What was not committed is discarded: the temporary files are removed.
    ~CommitBatch();
    CommitBatch(const CommitBatch&) = delete;
    CommitBatch& operator=(const CommitBatch&) = delete;

    // Files waiting.
    std::size_t Size() const { return pending_.size(); }
    // Flushes the waiting files to the disk, puts each in place of its target and flushes
    // once each folder that took one. A file that fails is removed and its target stays as it
    // was; the others still go in place. A folder whose flush fails is reported, naming the
    // folder, when no file failed: its files are in place (and eachFile has them so). When the
    // flush of the whole file system fails, no file can be known to be whole: every one is
    // removed and every target stays. Reports the first failure, naming the file as it was
    // given; eachFile, when given, receives the outcome of every file, in the order they came.
    Status Commit(std::vector<Status>* eachFile = nullptr);
    // Removes every waiting temporary file; no target changes.
    void Discard();

  private:
    friend class OutputFile;
    struct Pending {
        int descriptor;
        std::string temporary;  // empty for an unnamed file
        std::string target;
        QString path;
    };
    std::vector<Pending> pending_;
};

// Whether folder, which exists, takes new files now (its permissions, a file system mounted
// read-only); found without leaving anything behind. When not, an Error naming folder.
Status CheckFolderTakesFiles(const std::string& folder);

// Flushes folder to the disk, so that the names just made in it (whatItTook says what: "the
// folder made in it is in place") survive a crash as their files do: an Error naming folder
// when it could not be, saying that. A folder that cannot be opened to be flushed, or a file
// system that flushes no folder, keeps the names as the system keeps them: no error.
Status FlushFolder(const std::string& folder, std::string_view whatItTook);

}  // namespace velmaro
