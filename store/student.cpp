#include "store/student.h"

#include <algorithm>

#include "base/numeric_value.h"
#include "base/text_fields.h"

namespace velmaro {
namespace {

int RecordCount(std::string_view field) { return std::max(WholeNumberValue(field).value_or(0), 0); }

// Hands each the texts of the count records of file from first on; without a first, count
// empty texts, without reading.
template <typename Each>
Status ForEachOfRun(RecordFile& file, std::optional<std::int32_t> first, int count, Each&& each) {
    if (first) return file.ForEachInRun(*first, count, each);
    for (int n = 0; n < count; ++n)
        each(std::string_view());
    return Ok();
}

// The fields of a record without its tail, each cut by position. Built as one aggregate, so
// that no field is first cleared and then set: a check splits every record of the registry.
template <typename Text>
BasicStudentFields<Text> FieldsOf(std::string_view record) {
    return {.StudentRecord = Text(record),
            .SexCode = Text(Mid(record, 6, 1)),
            .BirthYearMonth = Text(Mid(record, 7, 4)),
            .PostalCode = Text(Mid(record, 11, 5)),
            .Province = Text(Mid(record, 16, 2)),
            .EnrolYear = Text(Mid(record, 18, 4)),
            .DiplomaCode = Text(Mid(record, 22, 2)),
            .DiplomaYear = Text(Mid(record, 24, 4)),
            .DiplomaGrade = Text(Mid(record, 28, 2)),
            .DegreeDate = Text(Mid(record, 30, 6)),
            .DegreeGrade = Text(Mid(record, 36, 5)),
            .HonoursMark = Text(Mid(record, 41, 1))};
}

template <typename Text>
BasicSplitRecord<Text> Split(std::string_view recordText) {
    const std::string_view trimmed = TrimBlanks(recordText);
    const std::string_view tail = Right(trimmed, kRunsFieldLength);
    const std::optional<std::int32_t> firstExam = WholeNumberValue(Left(tail, 5));
    const std::optional<std::int32_t> firstYear = WholeNumberValue(Right(tail, 5));
    if (trimmed.size() < kRunsFieldLength) {
        return {.fields = {},
                .FirstExamRec = firstExam,
                .FirstYearRec = firstYear,
                .ExamRecCount = 0,
                .YearRecCount = 0};
    }

    const std::string_view record = trimmed.substr(0, trimmed.size() - kRunsFieldLength);
    const std::string_view counts = Right(record, 4);
    return {.fields = FieldsOf<Text>(record),
            .FirstExamRec = firstExam,
            .FirstYearRec = firstYear,
            .ExamRecCount = RecordCount(Left(counts, 2)),
            .YearRecCount = RecordCount(Right(counts, 2))};
}

}  // namespace

SplitRecord SplitStudentRecord(std::string_view recordText) {
    return Split<std::string>(recordText);
}

SplitRecordView SplitStudentRecordView(std::string_view recordText) {
    return Split<std::string_view>(recordText);
}

Result<std::vector<std::string>> GatherRecords(RecordFile& file, std::optional<std::int32_t> first,
                                               int count) {
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(std::max(count, 0)));
    VELMARO_TRY(
        ForEachOfRun(file, first, count, [&](std::string_view text) { texts.emplace_back(text); }));
    return texts;
}

Status GatherStudent(DataStore& store, std::string matrText, std::string_view recordText,
                     Student& student) {
    SplitRecord split = SplitStudentRecord(recordText);
    student.ExamRecs.reserve(static_cast<std::size_t>(split.ExamRecCount));
    VELMARO_TRY(ForEachOfRun(store.ExamFile(), split.FirstExamRec, split.ExamRecCount,
                             [&](std::string_view text) { student.ExamRecs.emplace_back(text); }));
    student.YearRecs.reserve(static_cast<std::size_t>(split.YearRecCount));
    VELMARO_TRY(ForEachOfRun(store.YearFile(), split.FirstYearRec, split.YearRecCount,
                             [&](std::string_view text) { student.YearRecs.emplace_back(text); }));
    student.MatrText = std::move(matrText);
    student.fields = std::move(split.fields);
    return Ok();
}

}  // namespace velmaro
