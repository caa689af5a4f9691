// Commands waiting for their time: "at", "after" and "every". Times are millis()
// values; every comparison is a wrap-safe 32-bit difference.
#ifndef SIM_SIMSCHEDULER_H
#define SIM_SIMSCHEDULER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "SimCommand.h"

class tSimScheduler {
 public:
  struct tDue {
    std::shared_ptr<const tSimCommand> command;
    uint64_t id = 0;  // to cancel a repeating event with Cancel
    bool repeats = false;
  };

  // Runs command at time due; then, when period > 0, every period ms after that.
  uint64_t Add(uint32_t due, uint32_t period, std::shared_ptr<const tSimCommand> command);
  // The earliest event due at now (a repeating one is moved on by its period).
  // False when none is due.
  bool PopDue(uint32_t now, tDue &out);
  // Milliseconds until the next event (0 when one is due), or -1 when none waits.
  int64_t MsUntilNext(uint32_t now) const;
  void Cancel(uint64_t id);
  size_t Size() const { return events_.size(); }

 private:
  struct tEvent {
    uint32_t due;
    uint32_t period;
    uint64_t id;
    uint64_t order;  // events due at the same time run in the order they were added
    std::shared_ptr<const tSimCommand> command;
  };
  std::vector<tEvent> events_;
  uint64_t nextId_ = 1;
  uint64_t nextOrder_ = 0;
};

#endif
