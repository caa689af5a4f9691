// The daemon's seam to time: the node's millisecond clock and the wall clock. The
// composition root makes the real one (the bus library's millis(), time()) and hands it
// to the few that read a clock: the loop, once a pass (every part gets that pass's
// time), the command runner's wait for a clean stop, and what needs the time of day.
// Unit tests hand in their own, to move time by hand. Commands that change the host go
// through tCommands (CommandRunner.h), handed to those who run them.
#ifndef CORE_RUNTIME_H
#define CORE_RUNTIME_H

#include <cstdint>
#include <ctime>

class tRuntime {
 public:
  virtual ~tRuntime() = default;
  // Milliseconds, 32 bits, wrapping: compare only by unsigned difference.
  virtual uint32_t Millis();
  // Wall-clock seconds, for log stamps and the clock's comparison with bus time.
  virtual time_t Time();
  // Wall-clock milliseconds since 1970, for the time of day in RAW lines.
  virtual uint64_t TimeMs();
};

#endif
