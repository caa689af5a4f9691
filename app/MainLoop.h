// The daemon's one loop, shaped like OpenWrt's uloop: parts registered in the order
// of the start-up list; one poll() over every part's descriptors and the wake-up pipe
// of the stop signals, until the earliest part is due; then each part's step of a
// pass, in order. SIGTERM and SIGINT end the loop between passes. The loop reads the
// clock, once before a wait and once a pass; the parts only get the time it read.
//
// The loop keeps itself honest: a part that says it is due at once pass after pass
// (kSpinPasses in a row) makes no progress, and waking for it would spin a CPU, so
// the loop says so once on the console and waits at least kSpinBackoffMs for it until
// it reports a later time again. A poll() that fails (other than by a signal) is said
// once and followed by a pause of kPollErrorBackoffMs instead of a spin.
#ifndef APP_MAINLOOP_H
#define APP_MAINLOOP_H

#include <poll.h>

#include <cstdint>

#include "Console.h"
#include "LoopPart.h"
#include "Runtime.h"

// The wait itself: poll() and a plain sleep in the daemon; tests script them.
class tPoller {
 public:
  virtual ~tPoller() = default;
  virtual int Poll(struct pollfd *fds, int count, int timeoutMs);
  virtual void Sleep(uint32_t ms);
};

class tMainLoop {
 public:
  // The longest the loop sleeps even when nothing is timed.
  static constexpr uint32_t kMaxWaitMs = 60000;
  static constexpr int kMaxParts = 16;
  // Descriptors one wait watches: the wake-up pipe, the CAN link, the ports.
  static constexpr int kMaxPollFds = 258;
  static constexpr int kSpinPasses = 100;
  static constexpr uint32_t kSpinBackoffMs = 20;
  static constexpr uint32_t kPollErrorBackoffMs = 100;

  // poller, clock and console (where a spinning part and a failing wait are said)
  // outlive the loop.
  tMainLoop(tPoller &poller, tRuntime &clock, tConsole &console)
      : poller_(poller), clock_(clock), console_(console) {}
  ~tMainLoop();
  tMainLoop(const tMainLoop &) = delete;
  tMainLoop &operator=(const tMainLoop &) = delete;

  // Appends a part; the parts' steps run in the order they were added. False when
  // kMaxParts are there already. The part outlives the loop.
  bool Add(tLoopPart &part);
  // From now on SIGTERM and SIGINT end Run() instead of the process. False when the
  // wake-up pipe cannot be made.
  bool CatchStopSignals();
  // Asks Run() to end after the current pass, as a stop signal does.
  void RequestStop(int sig);
  // Passes until a stop arrives; returns the signal's number.
  int Run();
  // One pass: every part's step, in order.
  void Pass();
  // Waits for a descriptor or the earliest due part, at most maxWaitMs, and hands each
  // part its own entries. False once a stop has arrived.
  bool Wait(uint32_t maxWaitMs = kMaxWaitMs);
  // Waits that woke for nothing but the time (for figures).
  uint32_t TimedWakeups() const { return timedWakeups_; }

 private:
  uint32_t Due(int part, uint32_t now);

  tPoller &poller_;
  tRuntime &clock_;
  tConsole &console_;
  tLoopPart *parts_[kMaxParts] = {};
  int count_ = 0;
  int dueAtOnce_[kMaxParts] = {};  // passes in a row the part said it was due at once
  bool spinSaid_[kMaxParts] = {};
  bool pollErrorSaid_ = false;
  uint32_t timedWakeups_ = 0;
};

#endif
