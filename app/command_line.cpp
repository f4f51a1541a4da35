#include "app/command_line.h"

namespace velmaro {

void ReportUsageError(std::ostream& errors, std::string_view what, std::string_view helpCommand) {
    errors << "velmaro: " << what << "\nTry '" << helpCommand << " --help' for more information.\n";
}

std::string VersionText() { return std::string("velmaro ") + VELMARO_VERSION + "\n"; }

}  // namespace velmaro
