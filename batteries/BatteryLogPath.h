// The path of a battery's log file:
//   <logDir>/BAT-<source>:<manufacturer>:<unique>[:<product>][:<model ID>][:<model version>].log
// e.g. /data/can/BAT-35:135:471:X1.log. A product code of 0 or an empty text leaves out
// its field and its colon. A later DC instance of the same address has it after the
// address: BAT-35.2:135:471:X1.log. A name of the first form never has a '.' there, so
// the two can never name one file.
#ifndef BATTERIES_BATTERYLOGPATH_H
#define BATTERIES_BATTERYLOGPATH_H

#include <cstddef>
#include <cstdint>

constexpr size_t kBatteryLogPathSize = 4096;
// The instance argument of the first DC instance of an address: the plain name.
constexpr int kBatteryFirstInstance = -1;

// Writes the path into out (size bytes). The model ID and version come from the bus;
// each '/' in them becomes '_', so the name is one file in logDir whatever they hold
// (without a '/', ".." cannot become a path element of its own). Every other character
// is kept. False when the path does not fit: a cut path would name another file.
bool BatteryLogPath(char *out, size_t size, const char *logDir, int source, int manufacturer,
                    uint32_t unique, int product, const char *modelId, const char *modelVersion,
                    int instance = kBatteryFirstInstance);

#endif
