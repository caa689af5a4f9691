// What the daemon's records touch outside themselves: the node's millisecond clock,
// the wall clock and the send of a bus message. The process uses the real ones (the
// bus library's millis(), time(), the process node's SendMsg on device index 0); unit
// tests install their own to move time by hand and catch what would go on the bus.
#ifndef APP_RUNTIME_H
#define APP_RUNTIME_H

#include <cstdint>
#include <ctime>

#include "N2kMsg.h"

class tRuntime {
 public:
  virtual ~tRuntime() = default;
  // Milliseconds, 32 bits, wrapping: compare only by unsigned difference.
  virtual uint32_t Millis();
  // Wall-clock seconds, for log stamps and the AST hour counter.
  virtual time_t Time();
  // Hands the message to the node; false when the node refused or could not queue it.
  virtual bool SendMsg(const tN2kMsg &msg);
};

// The one in use; never null.
extern tRuntime *Runtime;

#endif
