#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "store/career_records.h"
#include "store/data_store.h"

namespace velmaro {

// The fields of a found registry record, cut by position from its text with the blanks at
// both ends and the last 10 characters (the two start record numbers) removed. Fields are
// raw bytes of the file; none is converted, trimmed or validated. Text is std::string for
// fields that outlive the record text, std::string_view for fields that point into it.
template <typename Text>
struct BasicStudentFields {
    Text StudentRecord;
    Text SexCode;         // "1" male, "2" female, anything else unknown
    Text BirthYearMonth;  // yymm
    Text PostalCode;
    Text Province;
    Text EnrolYear;    // yyYY
    Text DiplomaCode;  // looked up in the title table
    Text DiplomaYear;  // yyYY
    Text DiplomaGrade;
    Text DegreeDate;   // yymmdd; "000000" when not graduated
    Text DegreeGrade;  // the grade in its first 3 characters
    Text HonoursMark;  // "*" with honours

    bool operator==(const BasicStudentFields&) const = default;
};
using StudentFields = BasicStudentFields<std::string>;

// The last characters of a trimmed registry record: where its two runs start, five each.
inline constexpr std::size_t kRunsFieldLength = 10;

// A found registry record taken apart: the fields, where the student's runs of exam and
// year records start, and how long they are. A start that is no 32-bit number (written
// "3E+09") is none: every record of that run reads as empty, as records outside the file do,
// never as a record the number does not name.
template <typename Text>
struct BasicSplitRecord {
    BasicStudentFields<Text> fields;
    std::optional<std::int32_t> FirstExamRec = 0;
    std::optional<std::int32_t> FirstYearRec = 0;
    int ExamRecCount = 0;  // 0 ... 99
    int YearRecCount = 0;
};
using SplitRecord = BasicSplitRecord<std::string>;
using SplitRecordView = BasicSplitRecord<std::string_view>;

// Takes a found record text apart. The text is trimmed of blanks first, so trailing blanks
// do not shift the tail. A text shorter than the 10-character tail gives empty fields and
// counts of 0. A count that is negative reads as 0; a fractional one is rounded half to even.
SplitRecord SplitStudentRecord(std::string_view recordText);
// The same with fields that are views into recordText, for reading many records quickly.
SplitRecordView SplitStudentRecordView(std::string_view recordText);

// A student as the card shows it: the number as typed, the registry fields and the gathered
// records, in file order.
struct Student {
    std::string MatrText;  // as typed (UTF-8)
    StudentFields fields;
    std::vector<ExamRecord> ExamRecs;  // the exams passed, in the order the card lists them
    std::vector<YearRecord> YearRecs;  // the academic years, the latest last

    int NumExams() const { return static_cast<int>(ExamRecs.size()); }
    int NumYears() const { return static_cast<int>(YearRecs.size()); }
    // The latest academic year; an empty record when there is none.
    YearRecord LastYearRec() const { return YearRecs.empty() ? YearRecord{} : YearRecs.back(); }

    bool operator==(const Student&) const = default;
};

// The texts of the count records of file from first on (none when count is not positive),
// read with one request; count empty texts when there is no first.
Result<std::vector<std::string>> GatherRecords(RecordFile& file, std::optional<std::int32_t> first,
                                               int count);

// Builds the Student of a found record in student, which starts empty: splits the record
// and gathers its exam records, then its year records. Filled in place because a lookup
// builds one student per call and moving one is a good part of the cost of finding it.
// On failure student is left incomplete.
Status GatherStudent(DataStore& store, std::string matrText, std::string_view recordText,
                     Student& student);

}  // namespace velmaro
