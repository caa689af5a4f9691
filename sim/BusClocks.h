// Time sources: an NMEA 2000 System Time sender (126992, once a second, UTC) and an
// RV-C DATE_TIME_STATUS sender (1FFFFh, once a second, local time and a time-zone
// byte). Both tell the real time moved by an offset, so that a test can put the bus
// 15 s or 16 s away from the router's clock; "set" fixes fields instead (the clock
// then sends them as they stand until "real").
//
//   offset SECONDS   the bus time is the real time plus SECONDS (may be negative)
//   real             back to the real time (plus the offset) after fixed fields
#ifndef SIM_BUSCLOCKS_H
#define SIM_BUSCLOCKS_H

#include <cstdint>

#include "N2kPgns.h"
#include "PeriodicSender.h"

// Seconds since the epoch, with fractions: the real clock; tests give their own.
typedef double (*tWallClock)();
double RealWallClock();

class tBusClock : public tPeriodicSender {
 public:
  tBusClock() : tPeriodicSender(1000) {}
  void SetWallClock(tWallClock clock) { wall_ = clock; }

 protected:
  double Now() const { return wall_() + offset_; }
  bool Extra(tSimNode &node, const std::vector<std::string> &words, std::string &error) override;
  bool fixed_ = false;

 private:
  tWallClock wall_ = RealWallClock;
  double offset_ = 0;
};

class tN2kClock : public tBusClock {
 protected:
  bool Build(tN2kMsg &msg) override;
  bool Set(const std::string &key, const std::string &value) override;
  const char *Keys() const override { return "date (days), time (s), source, sid"; }

 private:
  int date_ = 0xffff;
  double time_ = N2kDoubleNA;
  int source_ = 0;  // GPS
  int sid_ = 0xff;
};

class tRVCClock : public tBusClock {
 protected:
  bool Build(tN2kMsg &msg) override;
  bool Set(const std::string &key, const std::string &value) override;
  const char *Keys() const override {
    return "zone (hours behind UTC, sent as it is), dgn (1FFFFh, 1FFFEh or 1FFA0h); fixed: year, "
           "month, day, weekday, hour, minute, second";
  }

 private:
  int zone_ = 0;
  unsigned long dgn_ = kDgnDateTimeStatus;
  int year_ = 24, month_ = 1, day_ = 1, weekday_ = 2, hour_ = 0, minute_ = 0, second_ = 0;
};

#endif
