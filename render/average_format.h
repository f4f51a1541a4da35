#pragma once

#include <string>
#include <string_view>

namespace velmaro {

// value in the pattern "##.##": rounded to two decimals (halves away from zero), the whole
// part without leading zeros (nothing when it is 0), the separator, then the decimals
// without trailing zeros. 29.2 -> "29.2", 27 -> "27.", 0.5 -> ".5", 0 -> ".".
std::string FormatTwoOptionalDecimals(double value, std::string_view separator);

// value in the pattern "###.00": as above but always two decimals. 107.0666 -> "107.07",
// 99 -> "99.00", 0 -> ".00".
std::string FormatTwoDecimals(double value, std::string_view separator);

}  // namespace velmaro
