#include "SimScheduler.h"

namespace {
// Milliseconds from now until due, negative once past, across the 32-bit wrap.
int32_t Until(uint32_t now, uint32_t due) {
  return static_cast<int32_t>(due - now);
}
}  // namespace

uint64_t tSimScheduler::Add(uint32_t due, uint32_t period,
                            std::shared_ptr<const tSimCommand> command) {
  tEvent e{due, period, nextId_++, nextOrder_++, std::move(command)};
  events_.push_back(std::move(e));
  return events_.back().id;
}

bool tSimScheduler::PopDue(uint32_t now, tDue &out) {
  size_t best = events_.size();
  for (size_t i = 0; i < events_.size(); i++) {
    if (Until(now, events_[i].due) > 0) continue;
    if (best == events_.size()) {
      best = i;
      continue;
    }
    const int32_t d = Until(events_[best].due, events_[i].due);
    if (d < 0 || (d == 0 && events_[i].order < events_[best].order)) best = i;
  }
  if (best == events_.size()) return false;
  tEvent &e = events_[best];
  out.command = e.command;
  out.id = e.id;
  out.repeats = e.period > 0;
  if (e.period > 0) {
    e.due += e.period;
    // A loop held up for longer than a period does not replay the missed runs.
    if (Until(now, e.due) < 0) e.due = now + e.period;
    e.order = nextOrder_++;
  } else {
    events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(best));
  }
  return true;
}

int64_t tSimScheduler::MsUntilNext(uint32_t now) const {
  int64_t best = -1;
  for (const tEvent &e : events_) {
    int64_t d = Until(now, e.due);
    if (d < 0) d = 0;
    if (best < 0 || d < best) best = d;
  }
  return best;
}

void tSimScheduler::Cancel(uint64_t id) {
  for (size_t i = 0; i < events_.size(); i++)
    if (events_[i].id == id) {
      events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}
