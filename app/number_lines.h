#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "store/text_file.h"

namespace velmaro {

// The numbers of text, one per line: each line exactly as typed but for its line end (CR LF, CR
// alone or LF alone, as lists saved by any editor end them; the last line may lack one), read
// as UTF-8 with each byte that is not part of valid UTF-8 as U+FFFD; empty lines are skipped.
// A UTF-8 byte-order mark at the start is no part of the first line; a text that starts with a
// UTF-16 byte-order mark is read as UTF-16.
std::vector<std::string> NumberLines(std::string_view text);

// A fresh check of a list read piece by piece, as ReadNumbersFrom reads one: it ends the reading,
// with the reason, as soon as what is read cannot be a list of numbers: a zero byte outside a
// UTF-16 text, or a character zero in one (a spreadsheet given by mistake, /dev/zero), more than
// 1,000,000 lines or more than 64 MiB (a program that writes without end). Its verdict is the
// same however the reads cut the text.
ReadCheck NumberListCheck();

// The NumberLines of the file path, or of standard input when path is "-", read to its end.
// A read that fails (a folder, standard input closed) is an error naming the file, or
// "standard input", and the reason; so is what NumberListCheck refuses, as soon as it is read.
Result<std::vector<std::string>> ReadNumbersFrom(const std::string& path);

}  // namespace velmaro
