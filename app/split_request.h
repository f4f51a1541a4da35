#pragma once

#include <string>

#include "app/card_options.h"

namespace velmaro {

// Where --split puts the cards and how.
struct SplitRequest {
    std::string folder;
    CardFormat format = CardFormat::kPdf;  // png, pdf or svg
    int dotsPerInch = 150;
    int jobs = 1;  // threads drawing at once
    // The folder was not there when looked at (CheckSplitFolder): it is made, with the folders
    // above it that are missing, as the first card is about to go in, so that a run that draws
    // no card leaves nothing behind.
    bool makeFolder = false;
};

}  // namespace velmaro
