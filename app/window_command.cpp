#include "app/window_command.h"

#include <iostream>

namespace velmaro {

// Stands in until the main window exists.
int RunWindowCommand(int /*argc*/, char* /*argv*/[]) {
    std::cerr << "velmaro: the window is not available yet\n";
    return 2;
}

}  // namespace velmaro
