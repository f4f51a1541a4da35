// The numeric reader on any text: never a crash, and a rounded key always within 32 bits.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/numeric_value.h"
#include "lookup/lookup_student.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = velmaro::NumericValue(text);
    const auto rounded = velmaro::RoundToInt32(value);
    // A rounded value is the nearest whole number, never further than a half away.
    if (rounded && !(std::fabs(static_cast<double>(*rounded) - value) <= 0.5)) std::abort();
    if (std::isfinite(value) && std::fabs(value) < 1e15 &&
        velmaro::RoundHalfEven(value) != std::nearbyint(value)) {
        std::abort();
    }
    (void)velmaro::KeyOf(text);
    return 0;
}
