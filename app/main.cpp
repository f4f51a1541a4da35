#include <unistd.h>

#include <csignal>
#include <cstring>
#include <new>

#include "app/card_command.h"
#include "app/check_command.h"
#include "app/command_line.h"
#include "app/window_command.h"

// velmaro [--data-dir DIR]            the window
// velmaro card [options] MATRICOLA... cards without a window
// velmaro check [options]             the data files' problems
int main(int argc, char* argv[]) {
    velmaro::ReserveStandardDescriptors();
    // A file that may grow no further (ulimit -f) fails its write, which is reported with the
    // file's name, instead of ending the program.
    ::signal(SIGXFSZ, SIG_IGN);
    // Memory that runs out (ulimit -v, a full machine) ends the program with a message, as a
    // file that cannot be written does; the files being written are left as they were.
    try {
        if (argc > 1 && std::strcmp(argv[1], "check") == 0) {
            return velmaro::RunCheckCommand(argc, argv);
        }
        if (argc > 1 && std::strcmp(argv[1], "card") == 0) {
            return velmaro::RunCardCommand(argc, argv);
        }
        return velmaro::RunWindowCommand(argc, argv);
    } catch (const std::bad_alloc&) {
        constexpr char kMessage[] = "velmaro: out of memory\n";
        // Written without allocating: there may be nothing left to allocate.
        [[maybe_unused]] const ssize_t written =
            ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
        return velmaro::kOutOfMemoryStatus;
    }
}
