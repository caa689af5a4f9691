// The daemon's one loop, shaped like OpenWrt's uloop: one poll() over the CAN link and
// every open port, until the earliest timer of any part is due; then the steps of a
// pass in their fixed order: parse the bus (handlers run inside), follow the node's
// address, scan the device list, poll the RO500s, write the batteries' lines. SIGTERM
// and SIGINT end the loop between passes.
//
// On a busy bus frames arrive one by one; waking for each would cost more than
// handling it. So while frames come close together (a pass read several, or the one
// before read some too) the next wait leaves the CAN link out for kLinkBatchMs, or
// kLinkBatchFullMs on a full bus (kFullBusFrames or more a pass), while the ports and
// timers still wake it; the pass after reads whatever came meanwhile. A lone frame on
// a quiet bus is answered at once.
#ifndef APP_MAINLOOP_H
#define APP_MAINLOOP_H

#include <cstdint>

#include "CanAddress.h"

class tMainLoop {
 public:
  // The longest the loop sleeps even when nothing is timed.
  static constexpr uint32_t kMaxWaitMs = 60000;
  static constexpr uint32_t kLinkBatchMs = 4;
  static constexpr uint32_t kLinkBatchFullMs = 8;
  static constexpr uint32_t kFullBusFrames = 8;

  explicit tMainLoop(tAddressKeeper &keeper) : keeper_(keeper) {}
  ~tMainLoop();
  tMainLoop(const tMainLoop &) = delete;
  tMainLoop &operator=(const tMainLoop &) = delete;

  // From now on SIGTERM and SIGINT end Run() instead of the process. False when the
  // wake-up pipe cannot be made.
  bool CatchStopSignals();
  // Passes until a stop signal arrives; returns its number.
  int Run();
  // One pass of the steps.
  void Pass();
  // Waits for a descriptor or the earliest timer, at most maxWaitMs. False once a stop
  // signal has arrived.
  bool Wait(uint32_t maxWaitMs = kMaxWaitMs);
  // Cleans up after Run(): stores an unsaved address, closes ports and log files (the
  // RO500s' and the batteries').
  void Shutdown();

 private:
  tAddressKeeper &keeper_;
  uint32_t linkBatchMs_ = 0;  // how long the next wait leaves the link out (0: not)
  bool readFrames_ = false;   // the last pass read frames
};

#endif
