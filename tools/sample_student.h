#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/split_mix.h"

namespace velmaro::sample {

using Day = std::chrono::sys_days;

// One passed exam as it goes into esami.dir.
struct PlannedExam {
    std::string code;  // 4 characters
    std::string mark;  // 2 characters: "18" ... "30", "31", or above "31" for a pass
    Day date;
    std::string tail = "000";  // the 3 unused characters; empty gives a 12-character record
};

// Everything the generator writes about one student, before record numbers are known.
struct PlannedStudent {
    std::int32_t matricola = 0;
    std::string sexCode;  // "1" male, "2" female
    int birthYear = 0;
    int birthMonth = 1;
    std::string postalCode;   // 5 digits
    std::string province;     // 2 letters
    int enrolYear = 0;        // the calendar year in which the academic year of enrolment starts
    std::string diplomaCode;  // 2 characters
    int diplomaYear = 0;      // the calendar year in which the diploma's school year starts
    int diplomaGrade = 0;
    std::optional<Day> degreeDate;
    int degreeGrade = 0;
    bool honours = false;
    std::vector<PlannedExam> exams;        // ascending by date
    std::vector<std::string> careerYears;  // texts of the year records, oldest first
    int trailingBlanks = 0;                // blanks after the 58-character registry text
};

// The outline of a career, drawn first; the rest of the student follows from it.
struct CareerShape {
    int enrolYear = 0;  // first calendar year of the academic year of enrolment
    int years = 0;      // academic years on record
    bool graduated = false;
    int examCount = 0;
};

// The bounds that every drawn career respects.
struct CareerLimits {
    int firstEnrolYear = 1985;
    int lastEnrolYear = 2024;
    int examsPerStudent = 22;  // about this many for a graduate
    int yearsPerStudent = 5;   // about this many academic years
    int graduatePercent = 75;  // of the students whose career has ended
    Day asOf;                  // no exam or graduation after this day
};

// The academic year running on day (it starts in September, when enrolments are renewed).
int AcademicYearOn(Day day);

// Draws a career within limits: graduates have about examsPerStudent exams, students still
// enrolled on limits.asOf have the years up to the running academic year.
CareerShape DrawCareerShape(SplitMix64& random, const CareerLimits& limits);

// Fills in a student of that shape: personal data, one year record per academic year, and
// distinct exams on weekdays outside August, ascending, from the first January session after
// enrolment to before the graduation day (or to the end of the last academic year, at the
// latest limits.asOf).
PlannedStudent PlanStudent(std::int32_t matricola, const CareerShape& shape,
                           const CareerLimits& limits, SplitMix64& random);

// A mark for an exam of code passed on date: a pass without a mark ("ID", "99" before 1995)
// for an exam so marked in the table, otherwise 18 ... 30 with some "31".
std::string DrawMark(std::string_view code, Day date, SplitMix64& random);

// Where a student's runs of exam and year records lie, and how long they are.
struct RunPlacement {
    int examCount = 0;
    std::int32_t firstExamRec = 0;
    int yearCount = 0;
    std::int32_t firstYearRec = 0;
};

// The registry record text: 58 characters (plus the student's trailing blanks).
std::string RegistryText(const PlannedStudent& student, const RunPlacement& runs);

// The exam record text: code, mark, yymmdd and the unused tail (15 characters, or fewer).
std::string ExamText(const PlannedExam& exam);

// value in decimal with leading zeros to width digits (value >= 0); only the last width
// digits when it has more.
std::string Digits(long long value, int width);

// yymmdd of day.
std::string YyMmDd(Day day);

}  // namespace velmaro::sample
