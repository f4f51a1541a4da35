#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace velmaro::sample {

// A fresh folder under the system's temporary directory, removed with everything in it when
// the object goes.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmaro-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }

    // The folder's path, empty when it could not be made.
    const std::string& Path() const { return path_; }
    // The folder as a data directory: its path and a separator.
    std::string DataDir() const { return path_ + "/"; }

  private:
    std::string path_;
};

}  // namespace velmaro::sample
