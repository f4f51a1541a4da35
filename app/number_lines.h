#pragma once

#include <istream>
#include <string>
#include <vector>

#include "base/result.h"

namespace velmaro {

// The numbers of in, one per line: each line exactly as typed but for its line end ("\n" or
// "\r\n"; the last line may lack one), read as UTF-8 with each byte that is not part of valid
// UTF-8 as U+FFFD; empty lines are skipped. A read error names name.
Result<std::vector<std::string>> ReadNumberLines(std::istream& in, const std::string& name);

// ReadNumberLines of the file path, or of standard input when path is "-". An error names
// the file and the reason.
Result<std::vector<std::string>> ReadNumbersFrom(const std::string& path);

}  // namespace velmaro
