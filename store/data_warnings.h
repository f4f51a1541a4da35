#pragma once

#include <string>
#include <vector>

#include "store/data_store.h"

namespace velmaro {

// What the cards of store lack, one warning each (file names unescaped): esami.dir or
// velmara.dir missing or empty, a record file that ends within a record, a table of the data
// directory dataDir that holds no lines, or blank lines alone. The cards still come, without exams,
// career years, exam names or diploma titles, or the students and records past a file's end.
std::vector<std::string> MissingDataWarnings(DataStore& store, const std::string& dataDir);

}  // namespace velmaro
