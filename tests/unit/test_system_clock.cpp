// The clock from bus time, with the wall clock faked and /bin/date never run: the
// 16-second threshold, 64-bit times past 2038, System Time and RV-C date and time
// through HandleN2kMsg, and the times that must never set the clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "ChargerAt140.h"
#include "N2kMessages.h"
#include "RVCMessages.h"
#include "SystemClock.h"

namespace {

// Commands are caught by the fake runtime, so that no test ever runs /bin/date.
class SystemClock : public tChargerAt140 {
 protected:
  void SetUp() override {
    tChargerAt140::SetUp();
    // A router in central Europe, as OpenWrt sets it: bus times must not move with it.
    const char *tz = getenv("TZ");
    oldTz_ = tz != nullptr ? tz : "";
    hadTz_ = tz != nullptr;
    UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
  }
  static void UseZone(const char *zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  void TearDown() override {
    tChargerAt140::TearDown();
    if (hadTz_)
      setenv("TZ", oldTz_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  void Deliver(tN2kMsg m) { tChargerAt140::Deliver(m, 0x30); }
  void SystemTime(uint16_t date, double seconds) {
    tN2kMsg m;
    SetN2kPGN126992(m, 1, date, seconds, N2ktimes_GPS);
    Deliver(m);
  }
  void RvcTime(uint8_t year, uint8_t month, uint8_t day, uint8_t hour, uint8_t zone,
               uint8_t minute = 0, uint8_t second = 0) {
    tN2kMsg m;
    SetRVCPGN1FFFF(m, year, month, day, 2, hour, minute, second, static_cast<tRVCTimeZone>(zone));
    Deliver(m);
  }

  std::vector<std::string> &commands = rt.commands;

 private:
  std::string oldTz_;
  bool hadTz_ = false;
};

}  // namespace

TEST_F(SystemClock, SixteenSecondsApartSetsTheClock) {
  rt.wall = 1700000000;
  SetSystemTime(ctx, "N2kSysDateTime", 1700000015);
  SetSystemTime(ctx, "N2kSysDateTime", 1699999985);
  EXPECT_TRUE(commands.empty());
  SetSystemTime(ctx, "N2kSysDateTime", 1700000016);
  SetSystemTime(ctx, "RVCDateTime", 1699999984);
  EXPECT_EQ(commands, (std::vector<std::string>{"/bin/date -s '@1700000016' 2>&1",
                                                "/bin/date -s '@1699999984' 2>&1"}));
  // Logged from level 4 only.
  EXPECT_EQ(console.text, "");
  console.SetDebugLevel(4);
  SetSystemTime(ctx, "RVCDateTime", 1700000100);
  EXPECT_EQ(console.text, "RVCDateTime: /bin/date -s '@1700000100'\n");
  // One clock command at a time: a bus time that comes while one runs is left out.
  rt.holdCommands = true;
  commands.clear();
  SetSystemTime(ctx, "N2kSysDateTime", 1700000200);
  SetSystemTime(ctx, "N2kSysDateTime", 1700000300);
  EXPECT_EQ(std::vector<std::string>{"/bin/date -s '@1700000200' 2>&1"}, commands);
  rt.Complete();
  SetSystemTime(ctx, "N2kSysDateTime", 1700000400);
  EXPECT_EQ(2u, commands.size());
}

// A router that may not set its clock (no CAP_SYS_TIME) is told so once, with date's
// words, however often the bus says the time; again only after the clock was set.
TEST_F(SystemClock, AClockThatCannotBeSetIsSaidOnce) {
  rt.runStatus = 1;
  rt.runOutput = "date: can't set date: Operation not permitted\n";
  const std::string said =
      "N2kSysDateTime: the clock could not be set (date: can't set date: Operation not "
      "permitted); it is left alone until it can be\n";
  SystemTime(20000, 0);
  SystemTime(20000, 1);
  EXPECT_EQ(commands.size(), 2u);
  EXPECT_EQ(console.text, said);
  rt.runStatus = 0;
  SystemTime(20000, 2);
  rt.runStatus = 1;
  rt.runOutput.clear();
  SystemTime(20000, 3);
  EXPECT_EQ(console.text, said +
                              "N2kSysDateTime: the clock could not be set (exit status 1); it is "
                              "left alone until it can be\n");
}

TEST_F(SystemClock, NoWrapIn2038) {
  // 2038-06-13: 25000 days, past 2^31 s; the clock 20 s behind it.
  rt.wall = 2160000000 - 20;
  SystemTime(25000, 0.5);
  EXPECT_EQ(commands, std::vector<std::string>{"/bin/date -s '@2160000000' 2>&1"});
  // A clock still in 2023 is far away from it, not "close" through a wrap.
  commands.clear();
  rt.wall = 1700000000;
  SystemTime(25000, 0);
  EXPECT_EQ(commands, std::vector<std::string>{"/bin/date -s '@2160000000' 2>&1"});
  commands.clear();
  rt.wall = 2160000000;
  SystemTime(25000, 10);
  EXPECT_TRUE(commands.empty());
}

TEST_F(SystemClock, SystemTimeIsUtcWithoutFraction) {
  rt.wall = 1000;
  console.SetDebugLevel(8);
  SystemTime(2, 3600.75);  // 50 hours after the epoch
  EXPECT_EQ(commands, std::vector<std::string>{"/bin/date -s '@176400' 2>&1"});
  EXPECT_TRUE(console.Has("N2kSysDateTime(48): SSID=1, Date=2, time=3600.75, Source=0\n"));
}

TEST_F(SystemClock, SystemTimeNotAvailableNeverSetsTheClock) {
  rt.wall = 1700000000;
  console.SetDebugLevel(4);
  SystemTime(0xFFFF, 43200);  // date not available
  SystemTime(0xFFFE, 43200);  // date error
  SystemTime(19723, N2kDoubleNA);
  // Raw 900000000 (25:00:00), as an encoder that did not check its range sent it.
  tN2kMsg late = tN2kMsg();
  late.PGN = 126992;
  late.Priority = 3;
  late.DataLen = 8;
  const uint8_t bytes[8] = {0x01, 0xF0, 0x0B, 0x4D, 0x00, 0xE9, 0xA4, 0x35};
  for (int i = 0; i < 8; i++) late.Data[i] = bytes[i];
  Deliver(late);
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(console.text, std::string(4, 'x').replace(0, 4, "") +
                              "N2kSysDateTime(48): date or time not available, clock left alone\n"
                              "N2kSysDateTime(48): date or time not available, clock left alone\n"
                              "N2kSysDateTime(48): date or time not available, clock left alone\n"
                              "N2kSysDateTime(48): date or time not available, clock left alone\n");
}

TEST_F(SystemClock, RvcLocalTimePlusZone) {
  rt.wall = 0;
  RvcTime(24, 1, 1, 0, 0);  // 2024-01-01 00:00:00
  // Hour 23 in zone 2 is hour 25: 01:00 the next day.
  RvcTime(24, 1, 1, 23, 2);
  // Hour 0 in a zone of -2 (byte 254) is 22:00 the day before, not 254 hours on.
  RvcTime(24, 1, 10, 0, 254);
  // A zone that is not available adds nothing.
  RvcTime(24, 1, 1, 12, 255, 30, 15);
  EXPECT_EQ(commands, (std::vector<std::string>{
                          "/bin/date -s '@1704067200' 2>&1", "/bin/date -s '@1704157200' 2>&1",
                          "/bin/date -s '@1704837600' 2>&1", "/bin/date -s '@1704112215' 2>&1"}));
}

TEST_F(SystemClock, RvcTimeIsTheSameInstantInEveryRouterZone) {
  // 2024-07-01 12:00:00 in zone 0 (UTC) and 14:00 in zone 22 (CEST, two hours ahead).
  rt.wall = 0;
  for (const char *zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0"}) {
    UseZone(zone);
    RvcTime(24, 7, 1, 12, 0);
    RvcTime(24, 7, 1, 14, 22);
  }
  EXPECT_EQ(commands, std::vector<std::string>(6, "/bin/date -s '@1719835200' 2>&1"));
  // A CET router one hour behind a correct bus clock is set, not "in step".
  commands.clear();
  UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
  rt.wall = 1704067200 - 3600;
  RvcTime(24, 1, 1, 0, 0);
  EXPECT_EQ(commands, std::vector<std::string>{"/bin/date -s '@1704067200' 2>&1"});
  // February 30th carries into March, as a calendar would.
  commands.clear();
  RvcTime(24, 2, 30, 0, 0);
  EXPECT_EQ(commands, std::vector<std::string>{"/bin/date -s '@1709251200' 2>&1"});
}

TEST_F(SystemClock, AllThreeRvcMessagesReachTheHandler) {
  rt.wall = 0;
  console.SetDebugLevel(8);
  tN2kMsg m;
  SetRVCPGN1FFFE(m, 24, 1, 1, 2, 0, 0, 0, RVCTZ_GMT);
  Deliver(m);
  SetRVCPGN1FFA0(m, 24, 1, 1, 2, 0, 0, 1, RVCTZ_GMT);
  Deliver(m);
  EXPECT_EQ(commands, (std::vector<std::string>{"/bin/date -s '@1704067200' 2>&1",
                                                "/bin/date -s '@1704067201' 2>&1"}));
  EXPECT_TRUE(
      console.Has("RVCDateTime(48): Year=24, Month=1, Date=1, DayOfWeek=2, Hour=0, "
                  "Minute=0, Second=1, TimeZone=0\n"));
}

TEST_F(SystemClock, RvcFieldsOutOfRangeNeverSetTheClock) {
  rt.wall = 0;
  console.SetDebugLevel(4);
  RvcTime(255, 1, 1, 0, 0);  // year not available
  RvcTime(24, 0, 1, 0, 0);   // month 0
  RvcTime(24, 13, 1, 0, 0);  // month 13
  RvcTime(24, 1, 0, 0, 0);   // day 0
  RvcTime(24, 1, 32, 0, 0);  // day 32
  RvcTime(24, 1, 1, 24, 0);  // hour 24
  RvcTime(24, 1, 1, 0, 0, 60);
  RvcTime(24, 1, 1, 0, 0, 0, 60);
  RvcTime(24, 1, 1, 0, 100);  // no zone
  RvcTime(24, 1, 1, 0, 241);
  EXPECT_TRUE(commands.empty());
  size_t lines = 0;
  for (size_t at = 0; (at = console.text.find("clock left alone\n", at)) != std::string::npos; at++)
    lines++;
  EXPECT_EQ(lines, 10u);
  EXPECT_TRUE(console.Has("RVCDateTime(48): date or time out of range, clock left alone\n"));
}
