// Command line: "eshd:c:l:L:p:", parsed with getopt; parsing stops at the first
// argument that is not an option.
#ifndef APP_OPTIONS_H
#define APP_OPTIONS_H

#include "RunSettings.h"

class tNMEA2000_SocketCAN;

enum class tParseResult { kRun, kUsage };

// Fills settings from argv; -c goes straight to the node's SetCANport. kUsage for -h,
// an unknown option or a missing argument (getopt has complained on stderr then).
tParseResult ParseOptions(int argc, char *argv[], tRunSettings &settings,
                          tNMEA2000_SocketCAN &node);

// Writes the usage text to the console stream and ends the process with status 0.
[[noreturn]] void Usage(const char *programName);

#endif
