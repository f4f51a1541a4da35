#pragma once

// Builders of small data files for the store and lookup tests: a temporary data directory that
// removes itself, record files of length-prefixed slots, registry record texts, and a snapshot
// of a file's bytes and modification time.

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmaro::testdata {

// A fresh directory under the system's temporary folder, removed with its content at the end.
class TempDataDir {
  public:
    TempDataDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmaro-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
    }
    ~TempDataDir() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TempDataDir(const TempDataDir&) = delete;
    TempDataDir& operator=(const TempDataDir&) = delete;

    // The directory followed by "/", ready to have file names appended.
    std::string DataDir() const { return folder_.string() + "/"; }
    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    // Writes bytes as the file name, replacing it.
    void Write(const std::string& name, std::string_view bytes) const {
        std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + PathOf(name));
    }

  private:
    std::filesystem::path folder_;
};

// The lines joined by ending, with or without an ending after the last.
inline std::string Lines(const std::vector<std::string>& lines, const std::string& ending,
                         bool endLast = true) {
    std::string text;
    for (const std::string& line : lines)
        text += line + ending;
    if (!endLast && !lines.empty()) text.resize(text.size() - ending.size());
    return text;
}

// One slot of slotSize bytes: a 16-bit little-endian length (the text's, unless declared says
// otherwise), the text cut to the slot, zero padding.
inline std::string Slot(std::string_view text, std::size_t slotSize,
                        std::optional<std::uint16_t> declared = std::nullopt) {
    const std::uint16_t length = declared.value_or(static_cast<std::uint16_t>(text.size()));
    std::string slot(slotSize, '\0');
    slot[0] = static_cast<char>(length & 0xFF);
    slot[1] = static_cast<char>(length >> 8);
    text = text.substr(0, slotSize - 2);
    slot.replace(2, text.size(), text);
    return slot;
}

// A record file whose record n is texts[n - 1].
inline std::string Slots(const std::vector<std::string>& texts, std::size_t slotSize) {
    std::string bytes;
    for (const std::string& text : texts)
        bytes += Slot(text, slotSize);
    return bytes;
}

// Positions 6 to 41 of a registry record: sex 1, born 7805, 20100 MI, enrolled 9697, diploma SC
// of 9596 with 54, graduated 030715 with 110 and honours.
inline constexpr std::string_view kStudentMiddle = "1780520100MI9697SC959654030715110  *";

// A complete 58-character registry record text: the key as five digits, the middle fields,
// three unused characters, the two counts and the two start record numbers.
inline std::string RegistryText(int key, int examCount = 0, int yearCount = 0, int firstExam = 0,
                                int firstYear = 0) {
    char text[128];
    std::snprintf(text, sizeof text, "%05d%s   %02d%02d%05d%05d", key,
                  std::string(kStudentMiddle).c_str(), examCount, yearCount, firstExam, firstYear);
    return text;
}

// A file's bytes and modification time, to show that nothing wrote to it.
struct FileSnapshot {
    std::string bytes;
    std::filesystem::file_time_type modified;
    bool operator==(const FileSnapshot&) const = default;
};

inline FileSnapshot Snapshot(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
            std::filesystem::last_write_time(path)};
}

}  // namespace velmaro::testdata
