#include "Runtime.h"

#include "N2kTime.h"

uint32_t tRuntime::Millis() {
  return millis();
}

time_t tRuntime::Time() {
  return time(nullptr);
}

uint64_t tRuntime::TimeMs() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}
