#include <csignal>
#include <cstdlib>
#include <exception>
#include <new>

#include "app/card_command.h"
#include "app/check_command.h"
#include "app/command_line.h"
#include "app/standard_error_guard.h"
#include "app/window_command.h"
#include "base/system_environment.h"

// velmaro [--data-dir DIR]            the window
// velmaro card [options] MATRICOLA... cards without a window
// velmaro check [options]             the data files' problems
int main(int argc, char* argv[]) {
    velmaro::ReserveStandardDescriptors();
    // No message may land in a data file, not even a usage error: it has nowhere to go.
    if (velmaro::EndForAStandardStreamOnADataFile(argc, argv)) return velmaro::kUsageErrorStatus;
    // A file that may grow no further (ulimit -f) fails its write, which is reported with the
    // file's name, instead of ending the program.
    ::signal(SIGXFSZ, SIG_IGN);
    // Raised before any thread starts; the commands that draw refuse a limit still too low
    // (WhyLimitsTooLowToDraw) once they know they draw.
    velmaro::RaiseOpenFilesLimit();
    velmaro::RaiseStackLimit();
    // Memory that runs out (ulimit -v, a full machine) ends the program at once with a message,
    // on whichever thread it runs out: carrying on after a failure inside Qt can leave its
    // locks held. A card file is given its name only once whole, so none is left half written.
    std::set_new_handler(velmaro::EndForWantOfMemory);
    std::set_terminate(velmaro::EndForUnexpectedFailure);
    // A bad_alloc thrown without the handler (Qt's own containers) is never caught, so the
    // terminate handler ends the program before anything is unwound.
    // An empty SOURCE_DATE_EPOCH means none; the font library, which reads it when it writes
    // its cache, would print an error line for each font folder of a successful run.
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch == '\0')
        ::unsetenv("SOURCE_DATE_EPOCH");
    const velmaro::Command command = velmaro::CommandOf(argc, argv);
    switch (command) {
        case velmaro::Command::kCheck:
            return velmaro::RunCheckCommand(argc, argv);
        case velmaro::Command::kCard:
            return velmaro::RunCardCommand(argc, argv);
        case velmaro::Command::kWindow:
            break;
    }
    return velmaro::RunWindowCommand(argc, argv);
}
