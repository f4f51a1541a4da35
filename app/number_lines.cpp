#include "app/number_lines.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "ui/file_name_text.h"

namespace velmaro {

Result<std::vector<std::string>> ReadNumberLines(std::istream& in, const std::string& name) {
    std::vector<std::string> numbers;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Read as UTF-8, as the command's arguments are: a byte that is not part of valid
        // UTF-8 becomes U+FFFD, so a number's text is always UTF-8 where it is shown.
        if (!line.empty()) {
            numbers.push_back(Utf8Text(line));
        }
    }
    if (in.bad()) return Error{name, "could not be read"};
    return numbers;
}

Result<std::vector<std::string>> ReadNumbersFrom(const std::string& path) {
    if (path == "-") return ReadNumberLines(std::cin, "standard input");
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return Error{path, "is a folder, not a file"};
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) return Error{path, errno != 0 ? std::strerror(errno) : "could not be opened"};
    return ReadNumberLines(file, path);
}

}  // namespace velmaro
