#pragma once

#include <chrono>
#include <string>

namespace velmaro {

// Today's date on the local calendar: the date a card of a student still enrolled runs to
// at the latest.
std::chrono::year_month_day SystemToday();

// The decimal separator of the C library's current LC_NUMERIC locale ("." when it has none):
// the separator of the two averages on the card.
std::string LocaleDecimalSeparator();

}  // namespace velmaro
