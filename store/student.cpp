#include "store/student.h"

#include <algorithm>

#include "base/numeric_value.h"
#include "base/text_fields.h"

namespace velmaro {
namespace {

constexpr std::size_t kTailLength = 10;

int RecordCount(std::string_view field) { return std::max(WholeNumberValue(field).value_or(0), 0); }

std::int32_t RecordNumber(std::string_view field) { return WholeNumberValue(field).value_or(0); }

template <typename Text>
BasicSplitRecord<Text> Split(std::string_view recordText) {
    BasicSplitRecord<Text> split;
    const std::string_view trimmed = TrimBlanks(recordText);
    const std::string_view tail = Right(trimmed, kTailLength);
    split.FirstExamRec = RecordNumber(Left(tail, 5));
    split.FirstYearRec = RecordNumber(Right(tail, 5));
    if (trimmed.size() < kTailLength) return split;

    const std::string_view record = trimmed.substr(0, trimmed.size() - kTailLength);
    BasicStudentFields<Text>& f = split.fields;
    f.StudentRecord = Text(record);
    f.SexCode = Text(Mid(record, 6, 1));
    f.BirthYearMonth = Text(Mid(record, 7, 4));
    f.PostalCode = Text(Mid(record, 11, 5));
    f.Province = Text(Mid(record, 16, 2));
    f.EnrolYear = Text(Mid(record, 18, 4));
    f.DiplomaCode = Text(Mid(record, 22, 2));
    f.DiplomaYear = Text(Mid(record, 24, 4));
    f.DiplomaGrade = Text(Mid(record, 28, 2));
    f.DegreeDate = Text(Mid(record, 30, 6));
    f.DegreeGrade = Text(Mid(record, 36, 5));
    f.HonoursMark = Text(Mid(record, 41, 1));

    const std::string_view counts = Right(record, 4);
    split.ExamRecCount = RecordCount(Left(counts, 2));
    split.YearRecCount = RecordCount(Right(counts, 2));
    return split;
}

}  // namespace

SplitRecord SplitStudentRecord(std::string_view recordText) {
    return Split<std::string>(recordText);
}

SplitRecordView SplitStudentRecordView(std::string_view recordText) {
    return Split<std::string_view>(recordText);
}

Result<std::vector<std::string>> GatherRecords(const RecordFile& file, std::int32_t first,
                                               int count) {
    if (count <= 0) return std::vector<std::string>{};
    return file.ReadRun(first, count);
}

Status GatherStudent(const DataStore& store, std::string matrText, std::string_view recordText,
                     Student& student) {
    SplitRecord split = SplitStudentRecord(recordText);
    student.ExamRecs.reserve(static_cast<std::size_t>(split.ExamRecCount));
    VELMARO_TRY(store.ExamFile().ForEachInRun(
        split.FirstExamRec, split.ExamRecCount,
        [&](std::string_view text) { student.ExamRecs.emplace_back(text); }));
    student.YearRecs.reserve(static_cast<std::size_t>(split.YearRecCount));
    VELMARO_TRY(store.YearFile().ForEachInRun(
        split.FirstYearRec, split.YearRecCount,
        [&](std::string_view text) { student.YearRecs.emplace_back(text); }));
    student.MatrText = std::move(matrText);
    student.fields = std::move(split.fields);
    return Ok();
}

}  // namespace velmaro
