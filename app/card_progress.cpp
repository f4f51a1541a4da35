#include "app/card_progress.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace velmaro {

CardProgress::CardProgress(std::ostream& out, std::size_t total, bool enabled, Clock clock,
                           Columns columns)
    : out_(out),
      total_(total),
      enabled_(enabled),
      clock_(std::move(clock)),
      columns_(std::move(columns)),
      start_(clock_()) {}

std::size_t CardProgress::Room() const {
    const std::size_t columns = columns_ ? columns_() : 0;
    // The last column is left free: a line that fills it leaves some terminals on the next.
    return columns == 0 ? SIZE_MAX : columns - 1;
}

std::string CardProgress::Line(std::size_t done, std::size_t total, double seconds) {
    const double percent = total == 0 ? 100.0 : 100.0 * static_cast<double>(done) / total;
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    char text[160];
    if (rate > 0 && done < total) {
        const double left = std::ceil(static_cast<double>(total - done) / rate);
        // In the units a person reads at a glance: seconds, minutes, hours.
        char timeLeft[64];
        if (left < 60) {
            std::snprintf(timeLeft, sizeof timeLeft, "%.0f s", left);
        } else if (left < 3600) {
            std::snprintf(timeLeft, sizeof timeLeft, "%.0f min %.0f s", std::floor(left / 60),
                          std::fmod(left, 60));
        } else {
            std::snprintf(timeLeft, sizeof timeLeft, "%.0f h %.0f min", std::floor(left / 3600),
                          std::floor(std::fmod(left, 3600) / 60));
        }
        std::snprintf(text, sizeof text, "%zu/%zu cards (%.0f%%), %.1f cards/s, %s left", done,
                      total, std::floor(percent), rate, timeLeft);
    } else {
        std::snprintf(text, sizeof text, "%zu/%zu cards (%.0f%%), %.1f cards/s", done, total,
                      std::floor(percent), rate);
    }
    return text;
}

void CardProgress::CardDone() {
    const std::size_t done = ++done_;
    if (!enabled_) return;
    const auto now = clock_();
    // Cheap test first: most cards come between two updates.
    std::unique_lock lock(writing_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    // A run shorter than one interval shows nothing.
    const auto since = wroteAny_ ? lastWrite_ : start_;
    if (now - since < std::chrono::milliseconds(1000 / kUpdatesPerSecond)) return;
    Write(done, now);
}

void CardProgress::Finish() {
    if (!enabled_) return;
    const std::lock_guard lock(writing_);
    if (!wroteAny_) return;
    Write(done_, clock_());
    out_ << '\n' << std::flush;
    lastWidth_ = 0;  // the line is ended: nothing of it to blank
}

void CardProgress::ClearLine() {
    if (!enabled_) return;
    const std::lock_guard lock(writing_);
    BlankLine();
}

void CardProgress::Interject(std::ostream& errors, std::string_view message) {
    const std::lock_guard lock(writing_);
    if (enabled_) BlankLine();
    errors << message << std::flush;
}

void CardProgress::BlankLine() {
    if (lastWidth_ == 0) return;
    out_ << '\r' << std::string(std::min(lastWidth_, Room()), ' ') << '\r' << std::flush;
    lastWidth_ = 0;
}

void CardProgress::Write(std::size_t done, std::chrono::steady_clock::time_point now) {
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const std::size_t room = Room();
    std::string line = Line(done, total_, seconds);
    if (line.size() > room) line.resize(room);
    const std::size_t width = line.size();
    // Blanks over what a longer earlier line left behind.
    if (width < lastWidth_) line.append(std::min(lastWidth_, room) - width, ' ');
    out_ << '\r' << line << std::flush;
    lastWidth_ = width;
    lastWrite_ = now;
    wroteAny_ = true;
}

std::size_t TerminalColumns(int descriptor) {
    struct winsize size {};
    if (::ioctl(descriptor, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

bool ShowsProgress(bool quiet, int errorsTo, bool cardsOnThatTerminal) {
    return !quiet && !cardsOnThatTerminal && ::isatty(errorsTo) == 1;
}

namespace {

// The terminal a character device is: /dev/tty (5, 0) stands for the process's own terminal,
// whose number the system gives as the process's tty_nr.
dev_t TerminalOf(dev_t device) {
    if (device != makedev(5, 0)) return device;
    std::ifstream status("/proc/self/stat");
    std::string line;
    std::getline(status, line);
    // After the program's name in parentheses: state, parent, group, session, terminal.
    std::istringstream fields(line.substr(std::min(line.rfind(')') + 1, line.size())));
    std::string state;
    long long parent = 0, group = 0, session = 0, terminal = 0;
    if (!(fields >> state >> parent >> group >> session >> terminal) || terminal == 0) {
        return device;
    }
    return static_cast<dev_t>(terminal);
}

}  // namespace

bool CardsReachTerminalOf(int errorsTo, int cardsTo, const std::string& path) {
    struct stat errors {};
    if (::isatty(errorsTo) != 1 || ::fstat(errorsTo, &errors) != 0) return false;
    struct stat cards {};
    const int found = path.empty() ? ::fstat(cardsTo, &cards) : ::stat(path.c_str(), &cards);
    if (found != 0 || !S_ISCHR(cards.st_mode)) return false;
    return TerminalOf(cards.st_rdev) == TerminalOf(errors.st_rdev);
}

}  // namespace velmaro
