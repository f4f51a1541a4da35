#pragma once

// What the parts of the data check share: record files seen as slots, the days of dates, and
// values as findings show them.

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/civil_date.h"
#include "base/printable_text.h"
#include "base/windows1252.h"
#include "store/check_report.h"
#include "store/record_file.h"

namespace velmaro::data_check {

// Marks an exam record whose date is not a date.
inline constexpr std::int32_t kNoDay = INT32_MIN;

// raw, a value of a data file, decoded and in quotes, as a finding shows it; past
// kLongestEchoedText bytes, its start, with "…" after the quotes. A byte that
// Windows-1252 leaves undefined stays as it is, no UTF-8: the report writes it as its value
// (\x81), as it does a byte of a folder's name, where a replacement character would not say
// which byte the file holds.
inline std::string Quoted(std::string_view raw) {
    // A value of megabytes (a table line without its line ends) is shown by its start.
    const bool cut = raw.size() > kLongestEchoedText;
    if (cut) raw = raw.substr(0, kLongestEchoedText);
    std::string quoted = "\"";
    while (!raw.empty()) {
        const auto undefined = std::find_if(raw.begin(), raw.end(), [](char c) {
            return IsUndefinedInWindows1252(static_cast<unsigned char>(c));
        });
        const auto defined = static_cast<std::size_t>(undefined - raw.begin());
        quoted += DecodeWindows1252(raw.substr(0, defined));
        if (defined < raw.size()) quoted += raw[defined];
        raw.remove_prefix(std::min(defined + 1, raw.size()));
    }
    return quoted + (cut ? "\"…" : "\"");
}

// "1 character", "7 characters": the length of a text a finding shows.
inline std::string CharacterCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " character" : " characters");
}

// "esami.dir records 3-4"; "records -9 to -2" where a dash between them would read as a sign.
inline std::string RecordRange(std::string_view file, std::int64_t first, std::int64_t last) {
    const char* between = first < 0 || last < 0 ? " to " : "-";
    return std::string(file) + " records " + std::to_string(first) + between + std::to_string(last);
}

// True when every character of text is a decimal digit.
inline bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The day of a yymmdd date, as days since 1970-01-01; kNoDay when it is not a date.
inline std::int32_t DayOfYyMmDd(std::string_view text) {
    const std::int64_t days = DayNumberOfYyMmDd(text);
    return days == kNoDayNumber ? kNoDay : static_cast<std::int32_t>(days);
}

// The day of a calendar date, as days since 1970-01-01.
inline std::int32_t DayOf(std::chrono::year_month_day date) {
    return static_cast<std::int32_t>(std::chrono::sys_days(date).time_since_epoch().count());
}

// The day a check is made: a card drawn that day ends the chart of a student still enrolled
// there at the latest.
struct CheckDay {
    std::int32_t day = 0;  // days since 1970-01-01
    std::chrono::year_month_day date;

    static CheckDay Of(std::chrono::year_month_day date) { return {DayOf(date), date}; }
};

// A record file's bytes seen as slots: slot n (from 1) holds record n.
class SlotFile {
  public:
    SlotFile(std::string_view name, std::string_view bytes, std::size_t slotSize,
             bool present = true)
        : name_(name), bytes_(bytes), slotSize_(slotSize), present_(present) {}

    std::string_view Name() const { return name_; }
    // False for a missing file, which reads as empty.
    bool Present() const { return present_; }
    // Slots, the last one possibly cut short.
    std::int64_t Count() const {
        return static_cast<std::int64_t>((bytes_.size() + slotSize_ - 1) / slotSize_);
    }
    std::string_view Slot(std::int64_t n) const {
        return bytes_.substr(static_cast<std::size_t>(n - 1) * slotSize_, slotSize_);
    }
    std::string_view Text(std::int64_t n) const { return SlotTextOf(Slot(n), slotSize_); }
    // Slots that the file holds whole.
    std::int64_t WholeCount() const { return static_cast<std::int64_t>(bytes_.size() / slotSize_); }
    // The number of bytes up to the end of slot n (or of the file, for a last slot cut short).
    std::size_t EndOfSlot(std::int64_t n) const {
        return std::min(bytes_.size(), static_cast<std::size_t>(n) * slotSize_);
    }

    // Length fields past the slot in slots first ... last.
    void CheckLengthFields(std::int64_t first, std::int64_t last, CheckReport& report) const {
        for (std::int64_t n = first; n <= last; ++n) {
            const std::size_t declared = SlotLengthField(Slot(n));
            if (declared <= slotSize_ - 2) continue;
            report.Note(ProblemKind::kLengthPastSlot, [&] {
                return Finding{std::string(name_), n, 0,
                               "length field " + std::to_string(declared) + ", the slot holds " +
                                   std::to_string(slotSize_ - 2)};
            });
        }
    }

    // A last slot cut short; what is said of it follows its size ("13 of 62 bytes").
    void CheckLastSlot(CheckReport& report, const std::string& more = std::string()) const {
        if (const std::size_t rest = bytes_.size() % slotSize_; rest != 0) {
            report.Add(
                ProblemKind::kPartialSlot,
                {std::string(name_), Count(), 0,
                 std::to_string(rest) + " of " + std::to_string(slotSize_) + " bytes" + more});
        }
    }

  private:
    std::string_view name_;
    std::string_view bytes_;
    std::size_t slotSize_;
    bool present_;
};

}  // namespace velmaro::data_check
