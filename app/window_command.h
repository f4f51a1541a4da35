#pragma once

#include <QCommandLineParser>

namespace velmaro {

// Registers every option of the window command on parser.
void AddWindowOptions(QCommandLineParser& parser);

// `velmaro [--data-dir DIR]`: loads the data and runs the main window until it is closed.
// Exit status 2 when start-up fails (the window never appears).
int RunWindowCommand(int argc, char* argv[]);

}  // namespace velmaro
