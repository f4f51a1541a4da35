#pragma once

namespace velmaro {

// True when standard error or standard output is a data file (`2>> data/esami.dir`,
// `velmaro --help >> esami.dir`): a file of the data folder this run will read (the arguments'
// --data-dir as the command's own parser reads it, VELMARO_DATA_DIR, the settings, the
// executable's folder), by any name, or a file named as a data file in a folder that holds the
// registry and both tables. Standard error is then closed to writing, with nowhere left to say
// why; standard output is said of on standard error. Either way the program must end with
// status 2 before it writes anything, for every command, help and version texts included.
// Called first in main(), before any message.
bool EndForAStandardStreamOnADataFile(int argc, char* argv[]);

}  // namespace velmaro
