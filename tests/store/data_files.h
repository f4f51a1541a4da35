#pragma once

// Builders of small data files for the tests: a temporary data directory that removes itself,
// record files of length-prefixed slots, and registry record texts.

#include <stdlib.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/change_events.h"
#include "store/data_store.h"

namespace velmaro::testdata {

// A fresh directory under the system's temporary folder, removed with its content at the end.
class TempDataDir {
  public:
    explicit TempDataDir(
        const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
        std::string pattern = (base / "velmaro-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
    }
    ~TempDataDir() { std::filesystem::remove_all(folder_, ignored_); }
    TempDataDir(const TempDataDir&) = delete;

    // The directory followed by "/", ready to have file names appended.
    std::string DataDir() const { return folder_.string() + "/"; }
    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
    // Writes bytes as the file name, replacing it.
    void Write(const std::string& name, const std::string& bytes) const {
        WriteFile(PathOf(name), bytes);
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

  private:
    std::filesystem::path folder_;
    std::error_code ignored_;  // a directory that cannot be removed is left behind
};

// A folder for temporary files on whose file system the system reports every change of a file
// (the temporary folder, or else /dev/shm); nothing when there is none.
inline std::optional<std::filesystem::path> FolderReportingChanges() {
    for (const std::filesystem::path& folder :
         {std::filesystem::temp_directory_path(), std::filesystem::path("/dev/shm")}) {
        struct statfs fileSystem {};
        if (::statfs(folder.c_str(), &fileSystem) == 0 &&
            ReportsEveryChange(static_cast<std::int64_t>(fileSystem.f_type)) &&
            ::access(folder.c_str(), W_OK) == 0)
            return folder;
    }
    return std::nullopt;
}

inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One slot of slotSize bytes: a 16-bit little-endian length (the text's, unless declared is
// given), the text cut to the slot, zero padding.
inline std::string Slot(const std::string& text, std::size_t slotSize, int declared = -1) {
    const auto length = static_cast<std::uint16_t>(declared < 0 ? text.size() : declared);
    std::string slot(slotSize, '\0');
    slot[0] = static_cast<char>(length & 0xFF);
    slot[1] = static_cast<char>(length >> 8);
    return slot.replace(2, std::min(text.size(), slotSize - 2), text, 0, slotSize - 2);
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
inline constexpr const char* kStudentMiddle = "1780520100MI9697SC959654030715110  *";

// A complete 58-character registry record text: the key as five digits, the middle fields,
// three unused characters, the two counts and the two start record numbers.
inline std::string RegistryText(int key, int examCount = 0, int yearCount = 0, int firstExam = 0,
                                int firstYear = 0) {
    char text[128];
    std::snprintf(text, sizeof text, "%05d%s   %02d%02d%05d%05d", key, kStudentMiddle, examCount,
                  yearCount, firstExam, firstYear);
    return text;
}

// A registry of three students: 00001 (exams 1-3, years 1-2), 05193 (exams 4-5, year 3) with
// middleOf5193 as its positions 6 to 41, and 05194 without records.
inline std::string ThreeStudentsRegistry(const std::string& middleOf5193 = kStudentMiddle) {
    std::string student5193 = RegistryText(5193, 2, 1, 4, 3);
    student5193.replace(5, middleOf5193.size(), middleOf5193);
    return Slots({RegistryText(1, 3, 2, 1, 1), student5193, RegistryText(5194, 0, 0, 9, 9)},
                 kRegistrySlotSize);
}

inline const std::vector<std::string> kThreeStudentsExams = {
    "MAT128240915", "FIS125241002", "CHI130241104", "INF127250110", "ALG131250220"};

// The two tables and the three students' record files, written into dir.
inline void WriteThreeStudents(const TempDataDir& dir) {
    dir.Write("titoli.grp", "1 SC Liceo scientifico\r\n");
    dir.Write("esami.grp", "A1 MAT1 Analisi\r\n");
    dir.Write("elenco.dir", ThreeStudentsRegistry());
    dir.Write("esami.dir", Slots(kThreeStudentsExams, kExamSlotSize));
    dir.Write("velmara.dir", Slots({"009697", "009798", "009899"}, kYearSlotSize));
}

}  // namespace velmaro::testdata
