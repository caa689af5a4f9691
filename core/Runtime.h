// The daemon's seam to time and to the host: the node's millisecond clock, the wall
// clock, and a command that changes the host (the clock is set with /bin/date). The
// process uses the real ones (the bus library's millis(), time(), RunCommandFor);
// unit tests install their own to move time by hand and catch commands.
#ifndef CORE_RUNTIME_H
#define CORE_RUNTIME_H

#include <cstdint>
#include <ctime>

#include "RunCommand.h"

class tRuntime {
 public:
  virtual ~tRuntime() = default;
  // Milliseconds, 32 bits, wrapping: compare only by unsigned difference.
  virtual uint32_t Millis();
  // Wall-clock seconds, for log stamps and the clock's comparison with bus time.
  virtual time_t Time();
  // Wall-clock milliseconds since 1970, for the time of day in RAW lines.
  virtual uint64_t TimeMs();
  // Runs a command that changes the host: RunCommandFor, under its time limit.
  virtual tCommandResult Run(const char *command);
};

// The one in use; never null.
extern tRuntime *Runtime;

#endif
