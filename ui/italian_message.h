#pragma once

#include <string>
#include <string_view>

#include "base/result.h"

namespace velmaro {

// The window speaks Italian; the program's errors are made in English, for the command line
// and its logs. These give the window's words for them.

// reason in Italian: the program's own reasons, and the system's common error texts in English,
// are translated whole, with the names, numbers and texts they quote kept as they are. A text
// the catalogue does not know (a printer's own message, a system text already in the user's
// language) is returned unchanged.
std::string ItalianReason(std::string_view reason);

// error's one line as the window shows it: its file, or the Italian for the printer it names,
// then its reason in Italian; a line that starts with the window's own words starts with a
// capital, one that starts with a path or a text kept as it came starts as they do.
std::string ItalianMessage(const Error& error);

}  // namespace velmaro
