#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace velmaro {

// Today's date on the local calendar: the date a card of a student still enrolled runs to
// at the latest.
std::chrono::year_month_day SystemToday();

// The decimal separator of the locale the environment chose for LC_NUMERIC (also when a locale
// named for another category is missing; "." when it has none): the separator of the two
// averages on the card. Numeric formatting then returns to "C", so that nothing but the two
// averages (the ops coordinates in particular) depends on the user's locale. Called once,
// right after the application object is made.
std::string TakeLocaleDecimalSeparator();

// The process's soft limit of resource (RLIMIT_NOFILE, RLIMIT_AS, ...): the limit in force;
// nothing when there is none or it cannot be read.
std::optional<std::uint64_t> ProcessSoftLimit(int resource);

// How many processor cores this process may run on: those its CPU affinity allows (taskset,
// a container's cpuset), at least 1.
int UsableCores();

// Raises the process's soft limit of open files to its hard limit, where it is lower: the font
// library opens dozens of configuration files at once and, refused one, quietly takes another
// font than the card's (or none). Nothing changes where the system refuses.
void RaiseOpenFilesLimit();

// The fewest open files a process that draws cards must be allowed: below it the font library
// quietly draws in another font, or none.
inline constexpr std::uint64_t kFewestOpenFilesToDraw = 32;

// Raises the process's soft limit of stack, where it is lower, to kStackToDraw or the hard limit
// if that is lower, for the main thread and each thread started from then on: the font library
// and Qt's drawing need more stack than a small limit (ulimit -s 64) allows, and crashed the
// program there. Nothing changes where the system refuses.
void RaiseStackLimit();

// The stack each thread is given where the limit allowed less: the system's usual default.
inline constexpr std::uint64_t kStackToDraw = std::uint64_t{8} << 20;
// The least stack a process that draws cards must be allowed: drawing a card takes less than
// 100 KiB; a quarter of a MiB leaves room for fonts and data of other shapes.
inline constexpr std::uint64_t kLeastStackToDraw = std::uint64_t{256} << 10;

// Why this process may not draw cards with the card's fonts: its limit of open files (after
// RaiseOpenFilesLimit) is below kFewestOpenFilesToDraw, or its limit of stack (after
// RaiseStackLimit) below kLeastStackToDraw, said as the user's ulimit; nothing when neither.
// Asked only where fonts are about to be used: a help text or a check needs neither.
std::optional<std::string> WhyLimitsTooLowToDraw();

}  // namespace velmaro
