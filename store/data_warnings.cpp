#include "store/data_warnings.h"

#include <tuple>
#include <utility>

#include "store/data_file_names.h"

namespace velmaro {

std::vector<std::string> MissingDataWarnings(DataStore& store, const std::string& dataDir) {
    std::vector<std::string> warnings;
    // The students' runs still point into the file: each exam row is drawn from an empty
    // record (no date, no grade, the exam table's first line for its name) and each career
    // year is read as empty.
    for (const auto& [file, lost] :
         {std::pair{&store.ExamFile(), "the cards' exam records read as empty"},
          std::pair{&store.YearFile(), "the cards' career-year records read as empty"}}) {
        // An empty file (a copy cut off, a disk that was full) reads as a missing one does.
        const Result<std::int64_t> length = file->Length();
        const char* state = file->IsMissing()             ? "missing"
                            : length.ok() && *length == 0 ? "empty"
                                                          : nullptr;
        if (state == nullptr) continue;
        warnings.push_back(file->Path() + " is " + state + ": " + lost);
    }
    // A file that ends within a record was cut short (a copy interrupted, a disk that was
    // full): whatever lay past its end reads as empty, with no other sign.
    for (const auto& [file, slotSize, lost] :
         {std::tuple{&store.Registry(), kRegistrySlotSize, "students past its end are not found"},
          std::tuple{&store.ExamFile(), kExamSlotSize, "exams past its end show empty"},
          std::tuple{&store.YearFile(), kYearSlotSize, "career years past its end show empty"}}) {
        const Result<std::int64_t> length = file->Length();
        if (!length.ok() || *length <= 0) continue;
        const auto rest = static_cast<std::size_t>(*length) % slotSize;
        if (rest == 0) continue;
        warnings.push_back(file->Path() + " ends within a record (" + std::to_string(rest) +
                           " of " + std::to_string(slotSize) +
                           " bytes), as a copy cut short does: " + lost);
    }
    // A search goes no higher than the last record's key: a last record whose key is below 1
    // (a registry padded with an empty slot, a copy preallocated) leaves every student unfound.
    if (store.LastRegistryKey() < 1) {
        warnings.push_back(
            store.Registry().Path() +
            " ends with a record whose key is no number of 1 or more: lookups go no higher than "
            "the last record's key, so no student is found");
    }
    for (const auto& [table, name, shown] :
         {std::tuple{&store.Exams(), kExamTableName, "exam names"},
          std::tuple{&store.Titles(), kTitleTableName, "diploma titles"}}) {
        if (!table->noLines && !table->onlyBlankLines) continue;
        // Blank lines alone (an editor's save gone wrong) show as little as no lines.
        const char* holds = table->noLines ? " holds no lines" : " holds only blank lines";
        warnings.push_back(dataDir + std::string(name) + holds + ": the cards show no " + shown);
    }
    return warnings;
}

}  // namespace velmaro
