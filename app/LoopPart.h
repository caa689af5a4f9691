// One part of the daemon's loop: what it waits on, when it next has timed work, and
// its step of a pass. The loop knows its parts only through this.
#ifndef APP_LOOPPART_H
#define APP_LOOPPART_H

#include <poll.h>

#include <cstdint>

#include "N2kTime.h"

class tLoopPart {
 public:
  virtual ~tLoopPart() = default;
  // For the console ("the CAN link", "the RO500 ports").
  virtual const char *Name() const = 0;
  // Appends the descriptors to wait on (fd and events) to fds, at most room of them;
  // returns how many.
  virtual int PollFds(struct pollfd *fds, int room) {
    (void)fds;
    (void)room;
    return 0;
  }
  // After the wait: exactly the entries this part appended, their revents filled in
  // (all zero when the wait timed out).
  virtual void Ready(const struct pollfd *fds, int count) {
    (void)fds;
    (void)count;
  }
  // Milliseconds from now until the part has timed work: 0 for at once, kN2kNeverDue
  // when only its descriptors can bring work.
  virtual uint32_t MsUntilDue(uint32_t now) const {
    (void)now;
    return kN2kNeverDue;
  }
  // The part's step of a pass; now is the pass's time, and the only time the step and
  // whatever it calls may go by: none of them reads a clock.
  virtual void Pass(uint32_t now) = 0;
};

#endif
