#include "RO500.h"

#include "N2kTime.h"
#include "Runtime.h"

tRO500::tRO500(int canAddr, const tRunSettings &settings, tMsgSender &bus, tConsole &console)
    : settings_(settings), bridge_(canAddr, settings, bus, console), model_(bridge_, console) {
  bridge_.SetListener(&model_);
}

void tRO500::markAlive() {
  lastHeartbeat_ = Runtime->Millis();
}

bool tRO500::isAlive() const {
  return Runtime->Millis() - lastHeartbeat_ < kHeartbeatTimeoutMs;
}

void tRO500::poll() {
  bridge_.poll_terminal();
  bridge_.poll_serialIn();
  bridge_.poll_serialOut();
  if (settings_.statusUpdates) model_.poll_status();
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
