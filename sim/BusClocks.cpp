#include "BusClocks.h"

#include <sys/time.h>

#include <cmath>
#include <ctime>

#include "N2kMessages.h"
#include "N2kPgns.h"
#include "RVCMessages.h"
#include "SimText.h"

using namespace simtext;

namespace {
constexpr double kSecondsPerDay = 86400;
constexpr double kMaxOffsetS = 10 * 365 * kSecondsPerDay;
constexpr int kSecondsPerHour = 3600;
}  // namespace

double RealWallClock() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  return tv.tv_sec + tv.tv_usec / 1e6;
}

bool tBusClock::Extra(tSimNode &, const std::vector<std::string> &words, std::string &) {
  double offset;
  if (words.size() == 2 && words[0] == "offset" && ParseNumber(words[1], offset) &&
      std::fabs(offset) <= kMaxOffsetS) {
    offset_ = offset;
    return true;
  }
  if (words.size() == 1 && words[0] == "real") {
    fixed_ = false;
    return true;
  }
  return false;
}

bool tN2kClock::Build(tN2kMsg &msg) {
  uint16_t date = static_cast<uint16_t>(date_);
  double time = time_;
  if (!fixed_) {
    const double now = Now();
    const double days = std::floor(now / kSecondsPerDay);
    date = static_cast<uint16_t>(days);
    time = now - days * kSecondsPerDay;
  }
  SetN2kPGN126992(msg, static_cast<unsigned char>(sid_), date, time,
                  static_cast<tN2kTimeSource>(source_));
  return true;
}

bool tN2kClock::Set(const std::string &key, const std::string &value) {
  if (key == "source") return Integer(value, 0, 15, 15, source_);
  if (key == "sid") return Integer(value, 0, 255, 0xff, sid_);
  if (key == "date") {
    if (!fixed_) time_ = N2kDoubleNA;
    fixed_ = true;
    return Integer(value, 0, 0xffff, 0xffff, date_);
  }
  if (key == "time") {
    if (!fixed_) date_ = 0xffff;
    fixed_ = true;
    // Past a day too, to show what a peer does with it (the encoder sends it as n/a).
    return Number(value, 0, 429496.7292, time_);
  }
  return false;
}

bool tRVCClock::Build(tN2kMsg &msg) {
  int year = year_, month = month_, day = day_, weekday = weekday_;
  int hour = hour_, minute = minute_, second = second_;
  if (!fixed_) {
    // Local time of the zone: the byte counts hours behind UTC modulo 24, so 13..23
    // are zones ahead of it; from 242 up it is a negative number.
    const int zoneHours = zone_ <= 12    ? zone_
                          : zone_ < 24   ? zone_ - 24
                          : zone_ >= 242 ? zone_ - 256
                                         : 0;
    const time_t local =
        static_cast<time_t>(std::floor(Now())) - static_cast<time_t>(zoneHours) * kSecondsPerHour;
    struct tm tm;
    gmtime_r(&local, &tm);
    year = tm.tm_year - 100;
    month = tm.tm_mon + 1;
    day = tm.tm_mday;
    weekday = tm.tm_wday + 1;  // 1 = Sunday
    hour = tm.tm_hour;
    minute = tm.tm_min;
    second = tm.tm_sec;
  }
  auto u8 = [](int v) { return static_cast<uint8_t>(v); };
  const tRVCTimeZone zone = static_cast<tRVCTimeZone>(zone_);
  if (dgn_ == kDgnSetDateTimeCommand)
    SetRVCPGN1FFFE(msg, u8(year), u8(month), u8(day), u8(weekday), u8(hour), u8(minute), u8(second),
                   zone);
  else if (dgn_ == kDgnDateTime1FFA0)
    SetRVCPGN1FFA0(msg, u8(year), u8(month), u8(day), u8(weekday), u8(hour), u8(minute), u8(second),
                   zone);
  else
    SetRVCPGN1FFFF(msg, u8(year), u8(month), u8(day), u8(weekday), u8(hour), u8(minute), u8(second),
                   zone);
  return true;
}

bool tRVCClock::Set(const std::string &key, const std::string &value) {
  if (key == "zone") return Integer(value, 0, 255, 255, zone_);
  if (key == "dgn") {
    unsigned long dgn;
    if (!ParsePgn(value, dgn) ||
        (dgn != kDgnDateTimeStatus && dgn != kDgnSetDateTimeCommand && dgn != kDgnDateTime1FFA0))
      return false;
    dgn_ = dgn;
    return true;
  }
  int *field = key == "year"      ? &year_
               : key == "month"   ? &month_
               : key == "day"     ? &day_
               : key == "weekday" ? &weekday_
               : key == "hour"    ? &hour_
               : key == "minute"  ? &minute_
               : key == "second"  ? &second_
                                  : nullptr;
  if (field == nullptr) return false;
  fixed_ = true;
  return Integer(value, 0, 255, 255, *field);
}
