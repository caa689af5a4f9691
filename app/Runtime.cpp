#include "Runtime.h"

#include "N2kTime.h"
#include "ProcessObjects.h"

uint32_t tRuntime::Millis() {
  return millis();
}

time_t tRuntime::Time() {
  return time(nullptr);
}

bool tRuntime::SendMsg(const tN2kMsg &msg) {
  return NMEA2000.SendMsg(msg, 0);
}

static tRuntime ProcessRuntime;
tRuntime *Runtime = &ProcessRuntime;
