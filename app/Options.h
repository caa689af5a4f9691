// Command line: "eshd:c:l:L:p:r:m:M:", parsed with getopt; parsing stops at the first
// argument that is not an option.
#ifndef APP_OPTIONS_H
#define APP_OPTIONS_H

#include "Console.h"
#include "MqttSettings.h"
#include "RunSettings.h"

class tNMEA2000_SocketCAN;

enum class tParseResult { kRun, kUsage };

// Fills settings and mqtt from argv; -c goes straight to the node's SetCANport. kUsage
// for -h, an unknown option, a missing argument (getopt has complained on stderr then),
// a size -r cannot read, or an -m or -M that does not parse (said on stderr).
tParseResult ParseOptions(int argc, char *argv[], tRunSettings &settings, tNMEA2000_SocketCAN &node,
                          tMqttSettings &mqtt);

// A size as -r takes it: decimal bytes, or with a k or M suffix (1024, 1048576).
// False for anything else, or a size that does not fit a long.
bool ParseSize(const char *text, long &bytes);

// Writes the usage text to console and ends the process with status 0.
[[noreturn]] void Usage(tConsole &console, const char *programName);

#endif
