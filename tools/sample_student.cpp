#include "tools/sample_student.h"

#include <algorithm>
#include <array>

#include "tools/sample_catalogue.h"

namespace velmaro::sample {
namespace {

using std::chrono::days;
using std::chrono::month;
using std::chrono::year;
using std::chrono::year_month_day;

struct Province {
    std::string_view code;
    std::string_view postalPrefix;
    int weight;
};

// Most students come from the university's own region, the others from all over Italy.
constexpr std::array<Province, 18> kProvinces{{
    {"PG", "06", 40},
    {"TR", "05", 12},
    {"AR", "52", 6},
    {"SI", "53", 4},
    {"AN", "60", 4},
    {"MC", "62", 4},
    {"RM", "00", 8},
    {"VT", "01", 4},
    {"RI", "02", 2},
    {"FI", "50", 3},
    {"MI", "20", 2},
    {"NA", "80", 3},
    {"BO", "40", 2},
    {"TO", "10", 1},
    {"BA", "70", 2},
    {"PA", "90", 1},
    {"CA", "09", 1},
    {"GR", "58", 1},
}};

// Relative frequency of the marks 18 ... 30.
constexpr std::array<int, 13> kMarkWeights{3, 3, 4, 5, 6, 7, 9, 10, 11, 12, 12, 9, 9};

constexpr int kCourseYears = 4;  // years after which a student is "fuori corso"

Day DayOf(int y, unsigned m, unsigned d) {
    return Day(year_month_day(year(y), month(m), std::chrono::day(d)));
}

// An item of items (each with a weight), drawn in proportion to its weight.
template <typename Items>
const auto& Weighted(const Items& items, SplitMix64& random) {
    int total = 0;
    for (const auto& item : items)
        total += item.weight;
    int pick = static_cast<int>(random.Below(static_cast<std::uint64_t>(total)));
    for (const auto& item : items) {
        if (pick < item.weight) return item;
        pick -= item.weight;
    }
    return items.back();
}

// False in the summer break (August) and the Christmas holidays (23 December to 6 January).
bool IsSessionMonthDay(const year_month_day& date) {
    const auto m = date.month();
    const auto d = static_cast<unsigned>(date.day());
    if (m == std::chrono::August) return false;
    if (m == std::chrono::December && d >= 23) return false;
    return !(m == std::chrono::January && d <= 6);
}

bool IsSessionWeekday(Day day) {
    const std::chrono::weekday weekday(day);
    const bool weekend = weekday == std::chrono::Saturday || weekday == std::chrono::Sunday;
    return !weekend && IsSessionMonthDay(year_month_day(day));
}

// A day in first ... last that is a weekday within a session period, or first itself when
// the range holds none: the nearest such day at or before a drawn day, else the nearest after
// it (first may be a Sunday with weekdays after it).
Day ExamDay(Day first, Day last, SplitMix64& random) {
    const auto span = (last - first).count();
    const Day drawn =
        first + days(static_cast<int>(random.Below(static_cast<std::uint64_t>(span) + 1)));
    for (Day day = drawn; day >= first; day -= days(1)) {
        if (IsSessionWeekday(day)) return day;
    }
    for (Day day = drawn + days(1); day <= last; day += days(1)) {
        if (IsSessionWeekday(day)) return day;
    }
    return first;
}

std::string YearRecordText(int number, int academicYear) {
    const std::string_view status = number <= kCourseYears ? "ISCR  " : "FC    ";
    return Digits(number, 2) + Digits(academicYear % 100, 2) + Digits(academicYear % 100, 2) +
           Digits((academicYear + 1) % 100, 2) + std::string(status);
}

std::string PostalCode(const Province& province, SplitMix64& random) {
    const int local = random.Percent(40) ? 100 : random.Between(0, 999);
    return std::string(province.postalPrefix) + Digits(local, 3);
}

void PlanPersonalData(PlannedStudent& student, SplitMix64& random) {
    student.sexCode = random.Percent(50) ? "1" : "2";
    const int age = random.Percent(75) ? 19 : random.Percent(60) ? 20 : random.Between(21, 30);
    student.birthYear = student.enrolYear - age;
    student.birthMonth = random.Between(1, 12);
    const Province& province = Weighted(kProvinces, random);
    student.province = std::string(province.code);
    student.postalCode = PostalCode(province, random);

    student.diplomaCode = std::string(Weighted(TitleCatalogue(), random).code);
    student.diplomaYear = std::min(student.enrolYear - 1, student.birthYear + 18);
    // Diplomas were marked out of 60 until the school year 1997/98, out of 100 since.
    student.diplomaGrade =
        student.diplomaYear + 1 <= 1998 ? random.Between(36, 60) : random.Between(60, 99);
}

void PlanExams(PlannedStudent& student, int count, Day first, Day last, SplitMix64& random) {
    std::vector<const ExamEntry*> choices;
    for (const ExamEntry& entry : ExamCatalogue()) {
        if (entry.group != "00") choices.push_back(&entry);
    }
    count = std::clamp(count, 0, static_cast<int>(choices.size()));
    for (int i = 0; i < count; ++i) {  // a partial shuffle: count distinct exams
        const auto pick = static_cast<std::size_t>(i) +
                          random.Below(static_cast<std::uint64_t>(choices.size()) - i);
        std::swap(choices[static_cast<std::size_t>(i)], choices[pick]);
    }

    std::vector<Day> dates;
    for (int i = 0; i < count; ++i)
        dates.push_back(ExamDay(first, last, random));
    std::sort(dates.begin(), dates.end());

    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        PlannedExam exam;
        exam.code = std::string(choices[index]->code);
        exam.date = dates[index];
        exam.mark = DrawMark(exam.code, exam.date, random);
        student.exams.push_back(std::move(exam));
    }
}

// The graduation grade out of 110: the exams' average scaled, plus a few points for the
// thesis.
void PlanDegreeGrade(PlannedStudent& student, SplitMix64& random) {
    int sum = 0;
    int graded = 0;
    for (const PlannedExam& exam : student.exams) {
        if (exam.mark > "31" || exam.mark < "18") continue;
        sum += std::min(30, std::stoi(exam.mark));
        ++graded;
    }
    const int base = graded > 0 ? sum * 110 / (30 * graded) : 80;
    student.degreeGrade = std::clamp(base + random.Between(0, 7), 66, 110);
    student.honours = student.degreeGrade == 110 && sum >= 28 * graded && random.Percent(50);
}

}  // namespace

int AcademicYearOn(Day day) {
    const year_month_day date(day);
    const int y = static_cast<int>(date.year());
    return date.month() >= std::chrono::September ? y : y - 1;
}

CareerShape DrawCareerShape(SplitMix64& random, const CareerLimits& limits) {
    CareerShape shape;
    shape.enrolYear = random.Between(limits.firstEnrolYear, limits.lastEnrolYear);
    shape.years = std::clamp(limits.yearsPerStudent + random.Between(-1, 1), 1, 99);
    const int running = AcademicYearOn(limits.asOf);
    if (shape.enrolYear + shape.years - 1 >= running) {
        // Still enrolled: every academic year up to the running one, exams so far.
        shape.years = running - shape.enrolYear + 1;
        const int done = (shape.years - 1) * limits.examsPerStudent * random.Between(60, 100);
        shape.examCount = std::min(99, done / (100 * std::max(1, limits.yearsPerStudent)));
        return shape;
    }
    shape.graduated = random.Percent(limits.graduatePercent);
    if (shape.graduated) {
        shape.examCount = std::clamp(limits.examsPerStudent + random.Between(-3, 3), 1, 99);
    } else {
        const int most =
            limits.examsPerStudent * shape.years / std::max(1, 2 * limits.yearsPerStudent);
        shape.examCount = std::min(99, random.Between(0, most));
    }
    return shape;
}

PlannedStudent PlanStudent(std::int32_t matricola, const CareerShape& shape,
                           const CareerLimits& limits, SplitMix64& random) {
    PlannedStudent student;
    student.matricola = matricola;
    student.enrolYear = shape.enrolYear;
    PlanPersonalData(student, random);

    for (int k = 1; k <= shape.years; ++k) {
        student.careerYears.push_back(YearRecordText(k, shape.enrolYear + k - 1));
    }

    // Exams start with the first session after enrolment, in January, and end with the May
    // of the last academic year, so that they stay within the card's chart.
    const Day firstExam = DayOf(shape.enrolYear + 1, 1, 8);
    const int endYear = shape.enrolYear + shape.years;
    Day lastExam = std::min(limits.asOf, DayOf(endYear, 5, 31));
    if (shape.graduated) {
        const Day latest = std::min(limits.asOf, DayOf(endYear, 12, 20));
        const Day degree = ExamDay(DayOf(endYear, 3, 1), latest, random);
        student.degreeDate = degree;
        lastExam = degree - days(random.Between(15, 90));
    }
    PlanExams(student, shape.examCount, firstExam, std::max(firstExam, lastExam), random);
    if (shape.graduated) PlanDegreeGrade(student, random);
    return student;
}

std::string DrawMark(std::string_view code, Day date, SplitMix64& random) {
    const ExamEntry* entry = FindExam(code);
    if (entry != nullptr && entry->marking == Marking::kPassOnly) {
        return year_month_day(date).year() < year(1995) ? "99" : "ID";
    }
    if (random.Percent(5)) return "31";
    int total = 0;
    for (const int weight : kMarkWeights)
        total += weight;
    int pick = static_cast<int>(random.Below(static_cast<std::uint64_t>(total)));
    int mark = 18;
    for (const int weight : kMarkWeights) {
        if (pick < weight) break;
        pick -= weight;
        ++mark;
    }
    return Digits(mark, 2);
}

std::string RegistryText(const PlannedStudent& student, const RunPlacement& runs) {
    std::string text;
    text += Digits(student.matricola, 5);
    text += student.sexCode;
    text += Digits(student.birthYear % 100, 2) + Digits(student.birthMonth, 2);
    text += student.postalCode;
    text += student.province;
    text += Digits(student.enrolYear % 100, 2) + Digits((student.enrolYear + 1) % 100, 2);
    text += student.diplomaCode;
    text += Digits(student.diplomaYear % 100, 2) + Digits((student.diplomaYear + 1) % 100, 2);
    text += Digits(student.diplomaGrade, 2);
    if (student.degreeDate) {
        text += YyMmDd(*student.degreeDate);
        text += Digits(student.degreeGrade, 3) + "  ";
    } else {
        text += "000000";
        text += "00000";
    }
    text += student.honours ? "*" : " ";
    text += "   ";
    text += Digits(runs.examCount, 2) + Digits(runs.yearCount, 2);
    text += Digits(runs.firstExamRec, 5) + Digits(runs.firstYearRec, 5);
    text += std::string(static_cast<std::size_t>(student.trailingBlanks), ' ');
    return text;
}

std::string ExamText(const PlannedExam& exam) {
    return exam.code + exam.mark + YyMmDd(exam.date) + exam.tail;
}

std::string Digits(long long value, int width) {
    std::string digits(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10) {
        digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    }
    return digits;
}

std::string YyMmDd(Day day) {
    const year_month_day date(day);
    return Digits(static_cast<int>(date.year()) % 100, 2) +
           Digits(static_cast<unsigned>(date.month()), 2) +
           Digits(static_cast<unsigned>(date.day()), 2);
}

}  // namespace velmaro::sample
