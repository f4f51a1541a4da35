#include "store/data_file_guard.h"

#include <filesystem>

#include "store/data_file_names.h"

namespace velmaro {

namespace {

// path with its links followed, as far as its folders exist; empty when that cannot be told.
std::filesystem::path Resolved(const std::string& path) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error ? std::filesystem::path() : resolved;
}

}  // namespace

Status RefuseDataFile(const std::string& dataDir, const std::string& path) {
    const std::filesystem::path output = Resolved(path);
    for (const std::string_view name : kDataFileNames) {
        const std::string dataFile = dataDir + std::string(name);
        std::error_code error;
        // The same file under another name (a hard link), or the same name, the file there or
        // not (writing would make it).
        const bool same = std::filesystem::equivalent(path, dataFile, error) ||
                          (!output.empty() && Resolved(dataFile) == output);
        if (same) return Error{path, "one of the data files, which Velmaro only reads"};
    }
    return Ok();
}

}  // namespace velmaro
