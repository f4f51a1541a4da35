#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "store/data_store.h"
#include "store/student.h"

namespace velmaro {

// The search key of a typed identification number: its numeric value rounded half to even;
// nothing when the value does not fit a 32-bit integer.
std::optional<std::int32_t> KeyOf(std::string_view typedText);

// What a lookup found: the student, or nothing when no student has the typed number.
struct LookupOutcome {
    std::optional<Student> student;
    int registryRecordsRead = 0;
};

// Turns the typed text into a found student (its record split and its exam and year records
// gathered) or "not found". An error means a record file could not be read; it names the
// file. A read that fails because a network share's file was replaced under its name is
// tried again once, on the files now under the names.
Result<LookupOutcome> LookupStudent(DataStore& store, std::string_view typedText);

}  // namespace velmaro
