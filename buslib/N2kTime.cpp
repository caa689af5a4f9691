#include "N2kTime.h"

#include <time.h>

uint32_t millis() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000;
  return static_cast<uint32_t>(ms);
}
