#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace velmaro {

// A temporary folder for a benchmark's generated data, removed with its content at the end.
// Path() is empty when the folder could not be made.
class TempFolder {
  public:
    TempFolder() : TempFolder(std::filesystem::temp_directory_path().string()) {}
    // A temporary folder in parent; none when parent is empty.
    explicit TempFolder(const std::string& parent) {
        if (parent.empty()) return;
        std::string pattern = (std::filesystem::path(parent) / "velmaro-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace velmaro
