#pragma once

// Failures of the calls that put an output file on the disk, injected into the code linked
// into this test program (which wraps open, fsync, syncfs, sync_file_range, close and linkat at
// link time). At most one failure waits at a time; it is cleared when it happens or when the
// next one is armed.

namespace velmaro::faults {

enum class FileCall { kFsync, kSyncfs, kSyncFileRange, kClose, kLinkat };

// The call after the next `skipped` calls of call fails with error; a close still releases its
// descriptor, as the system's does.
void FailCall(FileCall call, int skipped, int error);

// Whether the armed failure has happened (false when none was armed).
bool Happened();

// Disarms a failure that has not happened.
void Clear();

// While refuse holds, a file cannot be opened without a name (O_TMPFILE), as on a network share.
void RefuseUnnamedFiles(bool refuse);

}  // namespace velmaro::faults
