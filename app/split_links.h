#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/split_request.h"
#include "base/result.h"
#include "store/data_store.h"

namespace velmaro {

// A number given to --split that gets no card, and why.
struct RefusedNumber {
    std::size_t number;  // its index among the numbers given
    Error error;
};

// Refuses, before any card is drawn, each number whose card name is a link to a data file of
// dataDir, or that another user than this one and the folder's owner made (following it would
// let them choose which file a card replaces), or to the card file of another
// number found in store (1000.pdf to 4.pdf): the threads would otherwise decide which card
// the file keeps. The number whose own name the file bears keeps it; of two links to one
// file, the number named first. So is a number whose card name a data file's link leads to:
// the card would take the data file's place. Returns each refused number with the error that
// says why, in the order found (a number refused twice: the last one holds); the others are
// drawn. A number of a student not found in store is never refused: it writes no file.
// earlierOfTheSameKey holds, for each number, the index of an earlier one that searches the
// same key: such a number is left to that one.
std::vector<RefusedNumber> RefuseLinkedFiles(
    const std::vector<std::string>& matricolas,
    const std::vector<std::optional<std::size_t>>& earlierOfTheSameKey, const std::string& dataDir,
    DataStore& store, const SplitRequest& request);

}  // namespace velmaro
