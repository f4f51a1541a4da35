// Date texts of any content: a date is either rejected or a real calendar day whose year
// lies within what a two- or four-digit year can say.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/civil_date.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto date = velmaro::ParseMonthDayYear(text);
    if (date) {
        const std::chrono::year_month_day day{*date};
        if (!day.ok() || int(day.year()) < 0 || int(day.year()) > 9999) std::abort();
    }
    if (size > 0) {
        const int year = velmaro::ExpandTwoDigitYear(data[0] % 100);
        if (year < 1930 || year > 2029) std::abort();
    }
    return 0;
}
