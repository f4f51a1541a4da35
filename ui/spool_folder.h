#pragma once

#include <optional>
#include <string>

namespace velmaro {

// Qt writes a print job to the temporary folder (TMPDIR) before handing it to the spooler, and
// does not check those writes: on a full disk the spooler receives a cut file and the printer
// a broken page, or nothing, with no error. Why that folder cannot take a job now, naming it;
// nothing when a trial file far larger than a card's job is written there whole (and removed).
std::optional<std::string> SpoolFolderProblem();

}  // namespace velmaro
