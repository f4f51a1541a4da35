// Dates written yymmdd are read by their own quick reader in the data check; it must give every
// text the day that the card's reading of month, day and year gives it.

#include <gtest/gtest.h>

#include <string>

#include "base/civil_date.h"

namespace velmaro {
namespace {

std::int64_t DayOfPartsOf(const std::string& yymmdd) {
    return DayNumberOfParts(yymmdd.substr(2, 2), yymmdd.substr(4, 2), yymmdd.substr(0, 2));
}

std::string TwoDigits(int value) {
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

TEST(YyMmDdDay, AgreesWithTheDateOfItsPartsAndIsNoneForTextsNotSixDigits) {
    // Months and days one past their ends and 0 included: every leap day, month end and
    // century year is met.
    for (int year = 0; year < 100; ++year) {
        for (int month = 0; month <= 13; ++month) {
            for (int day = 0; day <= 32; ++day) {
                const std::string text = TwoDigits(year) + TwoDigits(month) + TwoDigits(day);
                ASSERT_EQ(DayNumberOfYyMmDd(text), DayOfPartsOf(text)) << text;
            }
        }
    }
    // (Which century a year is in, and leap days, are pinned by CareerRecords.FieldsByPosition...)
    // Texts that are not six digits are no date.
    for (const char* text : {"", "96110", "9611011", " 61101", "96110 ", "96-101", "9611/1",
                             "9611:1", "9:1101", "+61101", "961a01"}) {
        EXPECT_EQ(DayNumberOfYyMmDd(text), kNoDayNumber) << text;
        if (std::string(text).size() == 6) {
            EXPECT_EQ(DayOfPartsOf(text), kNoDayNumber) << text;
        }
    }
}

}  // namespace
}  // namespace velmaro
