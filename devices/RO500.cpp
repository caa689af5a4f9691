#include "RO500.h"

#include "N2kTime.h"

tRO500::tRO500(int canAddr, const tRunSettings &settings, tMsgSender &bus, tConsole &console,
               uint32_t now)
    : settings_(settings), bridge_(canAddr, settings, bus, console), model_(bridge_, console, now) {
  bridge_.SetListener(&model_);
}

void tRO500::markAlive(uint32_t now) {
  lastHeartbeat_ = now;
}

bool tRO500::isAlive(uint32_t now) const {
  return now - lastHeartbeat_ < kHeartbeatTimeoutMs;
}

void tRO500::poll(uint32_t now) {
  bridge_.poll_terminal(now);
  bridge_.poll_serialIn(now);
  bridge_.poll_serialOut(now);
  if (settings_.statusUpdates) model_.poll_status(now);
}

uint32_t tRO500::MsUntilDue(uint32_t now) const {
  uint32_t due = N2kMsLeft(now, lastHeartbeat_, kHeartbeatTimeoutMs);
  const uint32_t bridge = bridge_.MsUntilDue(now);
  if (bridge < due) due = bridge;
  if (settings_.statusUpdates) {
    const uint32_t status = model_.MsUntilDue(now);
    if (status < due) due = status;
  }
  return due;
}
