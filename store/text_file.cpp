#include "store/text_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace velmaro {

Result<std::string> ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return Error{path, "is a directory, not a data file"};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return Error{path, std::strerror(errno)};
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Error{path, "the file could not be read"};
    return content;
}

std::vector<std::string> SplitLines(std::string_view content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(content.substr(start, i - start));
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < content.size()) lines.emplace_back(content.substr(start));
    return lines;
}

}  // namespace velmaro
