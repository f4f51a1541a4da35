#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace velmaro {

// The numbers of text, one per line: each line exactly as typed but for its line end (CR LF, CR
// alone or LF alone, as lists saved by any editor end them; the last line may lack one), read
// as UTF-8 with each byte that is not part of valid UTF-8 as U+FFFD; empty lines are skipped.
// A UTF-8 byte-order mark at the start is no part of the first line; a text that starts with a
// UTF-16 byte-order mark is read as UTF-16.
std::vector<std::string> NumberLines(std::string_view text);

// The NumberLines of the file path, or of standard input when path is "-", read to its end.
// A read that fails (a folder, standard input closed) is an error naming the file, or
// "standard input", and the reason; so is a zero byte outside a UTF-16 text, or a character
// zero in one, which no list of numbers holds (a spreadsheet given by mistake, /dev/zero), as
// soon as it is read.
Result<std::vector<std::string>> ReadNumbersFrom(const std::string& path);

}  // namespace velmaro
