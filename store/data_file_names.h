#pragma once

#include <string_view>

namespace velmaro {

// The names of the three record files in the data directory, as the check's findings name them.
inline constexpr std::string_view kRegistryName = "elenco.dir";
inline constexpr std::string_view kExamsName = "esami.dir";
inline constexpr std::string_view kYearsName = "velmara.dir";

}  // namespace velmaro
