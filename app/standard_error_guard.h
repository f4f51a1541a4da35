#pragma once

namespace velmaro {

// True when standard error is a data file (`2>> data/esami.dir`): a file of the data folder
// this run will read (the arguments' --data-dir as the command's own parser reads it,
// VELMARO_DATA_DIR, the settings, the executable's folder), by any name, or a file named as a
// data file in a folder that holds the registry and both tables. Standard error is then closed
// to writing and the program ends with status 2. Called first in main(), before any message.
bool SilenceStandardErrorOnADataFile(int argc, char* argv[]);

// True when standard output is a data file by the same rule (`velmaro --help >> esami.dir`):
// said on standard error, and the program ends with status 2 before it writes anything, for
// every command, a help or version text as much as a card or a report. Called in main(), after
// SilenceStandardErrorOnADataFile.
bool RefuseStandardOutputOnADataFile(int argc, char* argv[]);

}  // namespace velmaro
