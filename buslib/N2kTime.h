// The library's one clock. Elapsed times are always unsigned 32-bit differences,
// which stay right across the wrap (about every 49.7 days).
#ifndef BUSLIB_N2KTIME_H
#define BUSLIB_N2KTIME_H

#include <cstdint>

// "Nothing timed": what a MsUntilDue() says when only traffic can bring work.
constexpr uint32_t kN2kNeverDue = 0xffffffffu;

// Milliseconds from the monotonic clock, 32 bits, wrapping.
uint32_t millis();

// True when at least interval ms have passed since start, across the wrap.
inline bool N2kElapsed(uint32_t now, uint32_t start, uint32_t interval) {
  return static_cast<uint32_t>(now - start) >= interval;
}

// Milliseconds from now until interval has passed since start: 0 once it has.
inline uint32_t N2kMsLeft(uint32_t now, uint32_t start, uint32_t interval) {
  const uint32_t elapsed = now - start;
  return elapsed >= interval ? 0 : interval - elapsed;
}

#endif
