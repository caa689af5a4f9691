// The router's clock follows the bus: NMEA 2000 System Time (126992) and the RV-C
// date and time messages (1FFFFh, 1FFFEh, 1FFA0h) set it with "/bin/date -s '@<t>'"
// when it is 16 s or more away from the bus time. Times are 64-bit throughout, so
// nothing wraps in 2038 even where time_t is 32 bits.
#ifndef HANDLERS_SYSTEMCLOCK_H
#define HANDLERS_SYSTEMCLOCK_H

#include <cstdint>

#include "HandlerContext.h"
#include "N2kMsg.h"

// A difference of exactly this many seconds sets the clock.
constexpr int64_t kClockToleranceS = 16;

// Compares t (Unix seconds, UTC) with ctx.runtime.Time(); when they are kClockToleranceS
// or more apart and no clock command is running, logs "<name>: /bin/date -s '@<t>'" at
// debug level 4 and up and has ctx.clock run the command, its error output with its
// output (tests catch it, so that no test ever runs /bin/date). The next bus time
// tries again after a failure.
void SetSystemTime(tHandlerContext &ctx, const char *name, int64_t t);

// The Unix time of an RV-C date and time. The time-zone byte counts hours behind UTC
// modulo 24 (5 EST, 22 CEST), so 0..12 add that many hours to the local hour and
// 13..23 take 24 - zone hours off it; bytes 242..254 are zones sent as negative numbers
// (254 = -2); 255, not available, adds nothing. The sum is UTC and carries into at
// most the next or the previous day; a day past the month's end carries into the next
// month. The router's own time zone plays no part. False when a field is out of its
// range (year 0..250, month 1..12, day 1..31, hour 0..23, minute and second 0..59,
// zone bytes 24..241).
bool RVCDateTimeToUnix(uint8_t year, uint8_t month, uint8_t date, uint8_t hour, uint8_t minute,
                       uint8_t second, uint8_t timeZone, int64_t &t);

// Handlers of the dispatch table.
void N2kSysDateTime(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCDateTime(tHandlerContext &ctx, const tN2kMsg &msg);

#endif
