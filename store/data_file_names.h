#pragma once

#include <array>
#include <string_view>

namespace velmaro {

// The names of the files in the data directory, as the check's findings name them.
inline constexpr std::string_view kRegistryName = "elenco.dir";
inline constexpr std::string_view kExamsName = "esami.dir";
inline constexpr std::string_view kYearsName = "velmara.dir";
inline constexpr std::string_view kExamTableName = "esami.grp";
inline constexpr std::string_view kTitleTableName = "titoli.grp";

// Every file of a data directory.
inline constexpr std::array<std::string_view, 5> kDataFileNames = {
    kRegistryName, kExamsName, kYearsName, kExamTableName, kTitleTableName};

}  // namespace velmaro
