#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace velmaro {

// Opens the data file at path read-only (closed on exec), leaving the file's access time alone
// where the system allows that (to the file's owner); anyone else gets a plain read-only open.
// Reading the data then never writes to the disk on its behalf. Never waits: a pipe under the
// name opens at once (WhyNotADataFile then refuses it). -1 with errno set on failure.
int OpenForReading(const std::string& path);

// Why a file of the type in mode (as stat gives it) is no data file: a folder, or a pipe,
// socket or device, whose reading may wait for ever or never end; nothing for a regular file.
std::optional<std::string> WhyNotADataFile(mode_t mode);

// Asks the system to start reading the file at path into memory, so that a read of it soon
// after waits less; nothing happens when there is no such file or the system declines.
void StartReadingAhead(const std::string& path);

// Why files of bytes in all cannot be read whole into memory and checked: that takes about half
// as much again, and is as much as the memory left to the process
// (MemoryLeftToThisProcess) or more (a sparse file, a disk image under a data file's name); it
// would end in an allocation refused or, past a control group's limit, in the process killed
// with no word. The reason begins with holds, the verb of what is named ("holds", "hold").
// Nothing when they fit, and for 1 MiB or less, which always does. Every file read whole is
// measured so.
std::optional<std::string> WhyTooLargeToHold(std::uintmax_t bytes,
                                             std::string_view holds = "holds");
// The same against room, the memory left to the process as MemoryLeftToThisProcess gave it: for
// measuring several files against one reading of it.
std::optional<std::string> WhyTooLargeToHold(std::uintmax_t bytes, std::string_view holds,
                                             std::uintmax_t room);

// The whole content of a file, read once; an error names the file and the reason. A file longer
// than mostBytes gives only its first mostBytes + 1 bytes, enough to tell that it is longer.
Result<std::string> ReadWholeFile(const std::string& path, std::size_t mostBytes = SIZE_MAX);

// Shown, after each read, every byte read so far and where the bytes of that read begin: a
// reason it gives ends the reading as an error, so that an input that cannot be what is
// expected is refused as soon as it shows, not only once it ends (/dev/zero never does).
using ReadCheck =
    std::function<std::optional<std::string>(std::string_view read, std::size_t newFrom)>;

// Everything left to read from descriptor, up to its end (a pipe or a terminal: until the
// writer closes it, even on a non-blocking descriptor); the descriptor stays open. An error names
// name and the reason, check's among them.
Result<std::string> ReadAllFrom(int descriptor, const std::string& name,
                                const ReadCheck& check = {});

// The whole content of the file at path read as a stream: unlike a data file, a named pipe is
// waited for and read until its writer closes it. An error names the file and the reason,
// check's among them.
Result<std::string> ReadStream(const std::string& path, const ReadCheck& check = {});

// Reads the file at path whole, as ReadFileIfPresent does, into into, which is sized once, when
// the file is opened, to the size it has then and one byte more: the bytes read stay in place
// while the rest is read, and at the end into is cut to the bytes read. arrived, when given, is
// told 0 once into is sized and then, after each read, how many bytes have arrived. The bytes
// of a file that grew past that size meanwhile go to beyond (cleared otherwise). False when
// there is no file at path; an error names the file and the reason.
// A file longer than mostBytes gives only its first mostBytes + 1 bytes, enough to tell that it
// is longer, and nothing to beyond.
Result<bool> ReadFileInPlace(const std::string& path, std::string& into, std::string& beyond,
                             const std::function<void(std::size_t)>& arrived,
                             std::size_t mostBytes = SIZE_MAX);

// The whole content of a file, or nothing when there is no file at path; any other failure
// is an error naming the file and the reason.
// A file longer than mostBytes gives only its first mostBytes + 1 bytes.
Result<std::optional<std::string>> ReadFileIfPresent(const std::string& path,
                                                     std::size_t mostBytes = SIZE_MAX);

// The lines of a text: CR LF, CR alone and LF alone each end a line, and the last line may
// lack an ending. An empty text has no lines; a text ending in a line end has no empty
// line after it.
std::vector<std::string> SplitLines(std::string_view content);

// The same lines as views into content.
std::vector<std::string_view> SplitLineViews(std::string_view content);

// How many lines SplitLineViews finds in content, without making them.
std::size_t CountLines(std::string_view content);

}  // namespace velmaro
