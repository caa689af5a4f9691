// NMEA 2000 System Time and the RV-C date and time messages.
#include "Console.h"
#include "DecodedFields.h"
#include "N2kDescriptions.h"
#include "N2kMessages.h"
#include "SystemClock.h"

namespace {

constexpr int kTimeLogLevel = 8;
constexpr int kRefusedLogLevel = 4;
constexpr int64_t kSecondsPerDay = 86400;
constexpr uint16_t kMaxDate = 65532;  // 0xFFFD..0xFFFF: reserved, error, not available

// RV-C ranges (protocol.md E.8).
constexpr uint8_t kMaxYear = 250;  // 2000..2250
constexpr uint8_t kMaxHour = 23;
constexpr uint8_t kMaxMinuteSecond = 59;
constexpr uint8_t kMaxMonth = 12;
constexpr uint8_t kMaxDay = 31;
constexpr uint8_t kZoneNotAvailable = 255;
// Zone bytes count hours behind UTC modulo 24 (5 EST, 22 CEST). A zone more than
// 12 hours behind is one ahead of UTC: 13..23 are -11..-1 hours. Bytes from 242 up
// are zones sent as negative numbers (254 = -2).
constexpr int kMaxZoneBehind = 12;
constexpr int kZonesModulo = 24;
constexpr int kMinSignedZoneByte = 242;  // -14 hours
constexpr int kRvcYearBase = 2000;
constexpr int64_t kSecondsPerHour = 3600;
constexpr int64_t kSecondsPerMinute = 60;
// The date and time fields, in wire order (the day of the week has no say).
enum { kYear, kMonth, kDate, kDayOfWeek, kHour, kMinute, kSecond, kTimeZone };

// The zone byte as hours to add to the local hour; false for a byte that is no zone.
// The sum stays within -14..35 hours: at most one day of carry either way.
bool ZoneHours(uint8_t zone, int &hours) {
  if (zone == kZoneNotAvailable) {
    hours = 0;
  } else if (zone <= kMaxZoneBehind) {
    hours = zone;
  } else if (zone < kZonesModulo) {
    hours = zone - kZonesModulo;
  } else if (zone >= kMinSignedZoneByte) {
    hours = zone - 256;
  } else {
    return false;
  }
  return true;
}

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's days_from_civil).
// Pure arithmetic: the router's time zone has no say, unlike mktime. A day past the
// month's end carries into the next month, as mktime does.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

bool RVCDateTimeToUnix(uint8_t year, uint8_t month, uint8_t date, uint8_t hour, uint8_t minute,
                       uint8_t second, uint8_t timeZone, int64_t &t) {
  int zoneHours;
  if (year > kMaxYear || month < 1 || month > kMaxMonth || date < 1 || date > kMaxDay ||
      hour > kMaxHour || minute > kMaxMinuteSecond || second > kMaxMinuteSecond ||
      !ZoneHours(timeZone, zoneHours))
    return false;
  const int64_t days = DaysFromCivil(kRvcYearBase + year, month, date);
  t = days * kSecondsPerDay + (hour + zoneHours) * kSecondsPerHour + minute * kSecondsPerMinute +
      second;
  return true;
}

void N2kSysDateTime(tHandlerContext &ctx, const tN2kMsg &msg) {
  unsigned char sid;
  uint16_t date;
  double timeOfDay;
  tN2kTimeSource source;
  if (!ParseN2kPGN126992(msg, sid, date, timeOfDay, source)) return;
  if (ctx.console.Logging(kTimeLogLevel))
    StreamPrintf(&ctx.console, "N2kSysDateTime(%d): SSID=%d, Date=%d, time=%g, Source=%d\n",
                 msg.Source, sid, date, timeOfDay, source);
  // The decoder gives N2kDoubleNA for a time that is not available or past 86401 s.
  if (date > kMaxDate || N2kIsNA(timeOfDay) || timeOfDay < 0) {
    if (ctx.console.Logging(kRefusedLogLevel))
      StreamPrintf(&ctx.console,
                   "N2kSysDateTime(%d): date or time not available, clock left alone\n",
                   msg.Source);
    return;
  }
  // UTC, no zone; the fraction of a second is dropped.
  const int64_t t = static_cast<int64_t>(date) * kSecondsPerDay + static_cast<int64_t>(timeOfDay);
  SetSystemTime(ctx, "N2kSysDateTime", t);
}

void RVCDateTime(tHandlerContext &ctx, const tN2kMsg &msg) {
  // Three DGNs, one layout: the description of msg's own.
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescDateTimeStatus, msg, f) &&
      !N2kDecodeFields(kRvcDescSetDateTimeCommand, msg, f) &&
      !N2kDecodeFields(kRvcDescDateTime1FFA0, msg, f))
    return;
  if (ctx.console.Logging(kTimeLogLevel))
    LogFields(ctx.console, f, kRvcDescDateTimeStatus.FieldCount, tFieldShow::kCodes,
              "RVCDateTime(%d): ", msg.Source);
  int64_t t;
  if (!RVCDateTimeToUnix(Code8(f[kYear]), Code8(f[kMonth]), Code8(f[kDate]), Code8(f[kHour]),
                         Code8(f[kMinute]), Code8(f[kSecond]), Code8(f[kTimeZone]), t)) {
    if (ctx.console.Logging(kRefusedLogLevel))
      StreamPrintf(&ctx.console, "RVCDateTime(%d): date or time out of range, clock left alone\n",
                   msg.Source);
    return;
  }
  SetSystemTime(ctx, "RVCDateTime", t);
}
