// The battery registry: registration from the device list, log file names, the DCS
// line, its 10-second interval across the counter's wrap, the NaN rules of the
// updates, and records that belong to one node and DC instance.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "Batteries.h"
#include "BatteryLogPath.h"
#include "FakeRuntime.h"
#include "KnownDevices.h"

namespace {
const float kNaN = std::nanf("");

std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The DCS lines of a log file, each without its stamp; the stamps must be UTC
// "YYYY-MM-DD HH:MM:SS ".
std::vector<std::string> Lines(const std::string &path) {
  std::vector<std::string> out;
  std::istringstream in(ReadFile(path));
  static const std::regex kStamp("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} ");
  for (std::string line; std::getline(in, line);) {
    EXPECT_TRUE(std::regex_search(line, kStamp)) << line;
    out.push_back(line.size() > 20 ? line.substr(20) : line);
  }
  return out;
}

std::string Line(const tBattery &b) {
  char buf[tBattery::kLineSize];
  b.FormatLine(buf, sizeof(buf));
  return buf;
}

class tBatteryRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tidewire-bat-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    dir = tmpl;
    // 35: the example battery; 36 and 37 lack an identity.
    bus.Add(35, 471, 135, 0, "X1", "");
    bus.Add(36, 0, 135, 0, "X1", "");
    bus.Add(37, 472, 0, 0, "X1", "");
    bus.Settle();
  }
  void TearDown() override {
    batteries.Clear();
    if (DIR *d = opendir(dir.c_str())) {
      while (dirent *e = readdir(d))
        if (e->d_name[0] != '.' || strlen(e->d_name) > 2) unlink((dir + "/" + e->d_name).c_str());
      closedir(d);
    }
    rmdir(dir.c_str());
  }
  void LogToDir() { settings.logDir = dir.c_str(); }

  tFakeRuntime rt;
  tRunSettings settings;
  tTestConsole console;
  tKnownDevices bus;
  tBatteries batteries{settings, bus, console};
  std::string dir;
};
}  // namespace

TEST_F(tBatteryRegistry, RegistersOnlyNodesTheListKnowsWithAnIdentity) {
  console.SetDebugLevel(9);
  EXPECT_EQ(nullptr, batteries.Add(40, 1, 120, rt.now));  // nobody at 40
  EXPECT_EQ(nullptr, batteries.Add(36, 1, 120, rt.now));  // unique number 0
  EXPECT_EQ(nullptr, batteries.Add(37, 1, 120, rt.now));  // manufacturer code 0
  batteries.Update(40, tDCSourceStatus1{1, 120, 13.0f, 1.0f}, rt.now);
  EXPECT_EQ("", console.text);
  // Status 5 says what it got before it finds it cannot register the sender.
  batteries.Update(40, tDCSourceStatus5{1, 120, 13.25f, 0.5f}, rt.now);
  EXPECT_EQ("UpdateDCSS5(40): 13.250000 0.500000\n", console.text);
  EXPECT_EQ(0u, batteries.Count());

  console.text.clear();
  console.SetDebugLevel(4);
  LogToDir();
  tBattery *b = batteries.Add(35, 1, 120, rt.now);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(35, b->canAddr);
  EXPECT_EQ(5000u, b->lastPoll);
  EXPECT_NE(-1, b->logFd);
  EXPECT_EQ(
      "tBatteries::Add: Found new Battery at CANAddr=35/1/120/135/471\n"
      "tBatteries::Add: Opened logfile(" +
          std::to_string(b->logFd) + ") " + dir + "/BAT-35:135:471:X1.log\n",
      console.text);
  // Known now: the same record, instance and priority of the first message.
  console.text.clear();
  EXPECT_EQ(b, batteries.Add(35, 1, 100, rt.now));
  EXPECT_EQ(120, b->devPri);
  EXPECT_EQ("", console.text);

  // Without a log directory: no file and no "Opened logfile" line.
  batteries.Clear();
  settings.logDir = nullptr;
  b = batteries.Add(35, 1, 120, rt.now);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(-1, b->logFd);
  EXPECT_EQ("tBatteries::Add: Found new Battery at CANAddr=35/1/120/135/471\n", console.text);
  console.SetDebugLevel(3);
  console.text.clear();
  batteries.Clear();
  EXPECT_NE(nullptr, batteries.Add(35, 1, 120, rt.now));
  EXPECT_EQ("", console.text);
}

TEST(BatteryLogPath, LeavesOutWhatIsUnknownAndStaysInItsDirectory) {
  char p[kBatteryLogPathSize];
  ASSERT_TRUE(BatteryLogPath(p, sizeof(p), "/data/can", 35, 135, 471, 0, "X1", "", 7));
  EXPECT_STREQ("/data/can/BAT-35.7:135:471:X1.log", p);
  ASSERT_TRUE(BatteryLogPath(p, sizeof(p), "/data/can", 35, 135, 471, 0, "X1", ""));
  EXPECT_STREQ("/data/can/BAT-35:135:471:X1.log", p);
  ASSERT_TRUE(BatteryLogPath(p, sizeof(p), "/data/can", 35, 135, 471, 12, "X1", ""));
  EXPECT_STREQ("/data/can/BAT-35:135:471:12:X1.log", p);
  ASSERT_TRUE(BatteryLogPath(p, sizeof(p), "/data/can", 35, 135, 471, 12, "", "B"));
  EXPECT_STREQ("/data/can/BAT-35:135:471:12:B.log", p);
  ASSERT_TRUE(BatteryLogPath(p, sizeof(p), "/data/can", 35, 135, 471, 0, "", ""));
  EXPECT_STREQ("/data/can/BAT-35:135:471.log", p);
  ASSERT_TRUE(BatteryLogPath(p, sizeof(p), "d", 2, 2046, 2097151, 65535, "LFP 200Ah", "rev:2"));
  EXPECT_STREQ("d/BAT-2:2046:2097151:65535:LFP 200Ah:rev:2.log", p);
  // From the bus: only '/' could make a path of it; ".." without one names a file.
  ASSERT_TRUE(BatteryLogPath(p, sizeof(p), "d", 35, 135, 471, 0, "../../etc/cron.d/x", "a/.."));
  EXPECT_STREQ("d/BAT-35:135:471:.._.._etc_cron.d_x:a_...log", p);
  ASSERT_TRUE(BatteryLogPath(p, sizeof(p), "d", 35, 135, 471, 0, "..", ".."));
  EXPECT_STREQ("d/BAT-35:135:471:..:...log", p);
  // A path that does not fit is no path: cut, it would name another file.
  EXPECT_FALSE(BatteryLogPath(p, 31, "/data/can", 35, 135, 471, 0, "X1", ""));
  EXPECT_STREQ("", p);
  EXPECT_TRUE(BatteryLogPath(p, 32, "/data/can", 35, 135, 471, 0, "X1", ""));
}

TEST(BatteryLine, EachGroupFormattedAsLogged) {
  tFakeRuntime rt;
  tTestConsole console;
  tBattery b(35, console, rt.now);
  b.instance = 1;
  b.devPri = 120;
  EXPECT_EQ("DCS;,1,120, ,0,0, ,0,0,0, ,0,0,0,0, ,0,0,0,0, ,0,0, ,0,0,0,0, ,0,0,0,0,0,0\n",
            Line(b));

  b.setDCSS1(13.27f, 150.0f);
  b.setDCSS2(25.0f, 255, 600);
  b.setDCSS3(190, 150, 166, 0.12f);
  b.setDCSS4(2, 14.4f, 150.0f, 3);
  b.setDCSS5(13.25f, -0.5f);
  b.setDCSS6(true, false, false, true);
  b.setDCSS11(true, true, false, false, 200, 65535);
  EXPECT_EQ(
      "DCS;,1,120, ,13,1.5e+02, ,25,255,600, ,190,150,166,0.12, ,2,14,150,3, ,13,-0.5, ,1,0,0,1, "
      ",1,1,0,0,200,65535\n",
      Line(b));
  // Desired values store "not available" as it comes.
  b.setDCSS4(6, kNaN, -12.5f, 2);
  EXPECT_EQ(
      "DCS;,1,120, ,13,1.5e+02, ,25,255,600, ,190,150,166,0.12, ,6,nan,-12.5,2, ,13,-0.5, "
      ",1,0,0,1, ,1,1,0,0,200,65535\n",
      Line(b));
}

TEST_F(tBatteryRegistry, UpdatesKeepOldValuesForNotAvailableWhereTheyShould) {
  console.SetDebugLevel(8);
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.25f, kNaN}, rt.now);
  tBattery *b = batteries.Find(35, 1);
  ASSERT_NE(nullptr, b);
  EXPECT_FLOAT_EQ(13.25f, b->Vdc);
  EXPECT_FLOAT_EQ(0.0f, b->Adc);
  batteries.Update(35, tDCSourceStatus1{1, 120, kNaN, -4.5f}, rt.now);
  EXPECT_FLOAT_EQ(13.25f, b->Vdc);
  EXPECT_FLOAT_EQ(-4.5f, b->Adc);

  batteries.Update(35, tDCSourceStatus2{1, 120, 25.0f, 175, 600}, rt.now);
  batteries.Update(35, tDCSourceStatus2{1, 120, -std::nanf(""), 255, 65535},
                   rt.now);  // a NaN of either sign
  EXPECT_FLOAT_EQ(25.0f, b->Temp);
  EXPECT_EQ(255, b->SOC);
  EXPECT_EQ(65535, b->TR);

  batteries.Update(35, tDCSourceStatus3{1, 120, 190, 150, 166, 0.12f}, rt.now);
  batteries.Update(35, tDCSourceStatus3{1, 120, 255, 65535, 255, kNaN}, rt.now);
  EXPECT_FLOAT_EQ(0.12f, b->Ripple);
  EXPECT_EQ(65535, b->CapRem);

  batteries.Update(35, tDCSourceStatus4{1, 120, 2, kNaN, INFINITY, 3}, rt.now);
  EXPECT_TRUE(std::isnan(b->DesVolt));
  EXPECT_TRUE(std::isinf(b->DesAmp));

  batteries.Update(35, tDCSourceStatus5{1, 120, 13.25f, 0.5f}, rt.now);
  batteries.Update(35, tDCSourceStatus5{1, 120, kNaN, kNaN}, rt.now);
  EXPECT_FLOAT_EQ(13.25f, b->Vdc5);
  EXPECT_FLOAT_EQ(0.5f, b->dVdT);
  batteries.Update(35, tDCSourceStatus5{1, 120, 0.0f, -INFINITY}, rt.now);

  batteries.Update(35, tDCSourceStatus6{1, 120, true, true, false, true}, rt.now);
  batteries.Update(35, tDCSourceStatus11{1, 120, true, false, true, false, 200, 60}, rt.now);
  batteries.Update(35, tDCSourceStatus11{1, 120, false, true, false, true, 0, 0}, rt.now);
  EXPECT_EQ(
      "DCS;,1,120, ,13,-4.5, ,25,255,65535, ,255,65535,255,0.12, ,2,nan,inf,3, ,0,-inf, ,1,1,0,1, "
      ",0,1,0,1,0,0\n",
      Line(*b));

  // One debug line per update (none for status 4), after the registration.
  EXPECT_TRUE(console.Has("UpdateDCSS1(35): 13.250000 nan\nUpdateDCSS1(35): nan -4.500000\n"));
  EXPECT_TRUE(console.Has("UpdateDCSS2(35): 25.000000 175 600\n"));
  EXPECT_TRUE(console.Has("UpdateDCSS3(35): 190 150 166 0.120000\n"));
  EXPECT_TRUE(console.Has("UpdateDCSS6(35): 1 1 0 1\n"));
  EXPECT_TRUE(console.Has("UpdateDCSS11(35): 1 0 1 0 200 60\n"));
  EXPECT_FALSE(console.Has("UpdateDCSS4"));
  console.SetDebugLevel(7);
  console.text.clear();
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.0f, 1.0f}, rt.now);
  EXPECT_EQ("", console.text);
}

TEST_F(tBatteryRegistry, EveryStatusMessageIsTheLastTimeTheBatteryWasHeard) {
  // A battery that sends one of its seven messages every 30 s, for three and a half
  // minutes: each one stamps the record.
  tBattery *b = batteries.Add(35, 1, 120, rt.now);  // at 5000 ms
  ASSERT_NE(nullptr, b);
  rt.now = 35000;
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.0f, 1.0f}, rt.now);
  EXPECT_EQ(35000u, b->lastHeard);
  rt.now = 65000;
  batteries.Update(35, tDCSourceStatus2{1, 120, 25.0f, 175, 600}, rt.now);
  EXPECT_EQ(65000u, b->lastHeard);
  rt.now = 95000;
  batteries.Update(35, tDCSourceStatus3{1, 120, 190, 150, 166, 0.12f}, rt.now);
  EXPECT_EQ(95000u, b->lastHeard);
  rt.now = 125000;
  batteries.Update(35, tDCSourceStatus4{1, 120, 2, 14.4f, 150.0f, 3}, rt.now);
  EXPECT_EQ(125000u, b->lastHeard);
  rt.now = 155000;
  batteries.Update(35, tDCSourceStatus5{1, 120, 13.25f, 0.5f}, rt.now);
  EXPECT_EQ(155000u, b->lastHeard);
  rt.now = 185000;
  batteries.Update(35, tDCSourceStatus6{1, 120, true, false, false, false}, rt.now);
  EXPECT_EQ(185000u, b->lastHeard);
  rt.now = 215000;
  batteries.Update(35, tDCSourceStatus11{1, 120, true, true, false, false, 200, 60}, rt.now);
  EXPECT_EQ(215000u, b->lastHeard);
}

TEST_F(tBatteryRegistry, ALineEveryTenSecondsAcrossTheCounterWrap) {
  LogToDir();
  EXPECT_EQ(0xFFFFFFFFu, batteries.MsUntilDue(rt.now));  // nothing to write
  rt.now = 0xFFFFF000u;                                  // 4096 ms before the wrap
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.25f, -4.5f}, rt.now);
  const std::string file = dir + "/BAT-35:135:471:X1.log";
  EXPECT_EQ(10000u, batteries.MsUntilDue(rt.now));
  rt.now += 2000;  // still before the wrap
  batteries.poll(rt.now);
  rt.now += 7999;
  EXPECT_EQ(1u, batteries.MsUntilDue(rt.now));
  batteries.poll(rt.now);
  EXPECT_EQ("", ReadFile(file));
  rt.now += 1;
  EXPECT_EQ(0u, batteries.MsUntilDue(rt.now));
  console.SetDebugLevel(8);
  batteries.poll(rt.now);
  const std::string first =
      "DCS;,1,120, ,13,-4.5, ,0,0,0, ,0,0,0,0, ,0,0,0,0, ,0,0, ,0,0,0,0, ,0,0,0,0,0,0\n";
  EXPECT_EQ(std::vector<std::string>{first.substr(0, first.size() - 1)}, Lines(file));
  EXPECT_EQ("tBattery::poll:" + first, console.text);

  // The next one ten seconds after this one, not after it was due.
  EXPECT_EQ(10000u, batteries.MsUntilDue(rt.now));
  rt.now += 9999;
  batteries.poll(rt.now);
  EXPECT_EQ(1u, Lines(file).size());
  rt.now += 1;
  batteries.poll(rt.now);
  EXPECT_EQ(2u, Lines(file).size());

  // A second battery registered later: the earlier due one counts.
  rt.now += 4000;
  bus.Add(38, 473, 135, 0, "X2", "");
  bus.Settle();
  ASSERT_NE(nullptr, batteries.Add(38, 1, 120, rt.now));
  EXPECT_EQ(6000u, batteries.MsUntilDue(rt.now));
}

TEST_F(tBatteryRegistry, EachInstanceOfAnAddressHasItsRecordAndFile) {
  LogToDir();
  // A house battery (instance 1) and a starter battery (2) from one monitor.
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.25f, -4.5f}, rt.now);
  batteries.Update(35, tDCSourceStatus1{2, 100, 12.0f, -3.0f}, rt.now);
  batteries.Update(35, tDCSourceStatus2{2, 100, 20.0f, 90, 50}, rt.now);
  ASSERT_EQ(2u, batteries.Count());
  EXPECT_FLOAT_EQ(13.25f, batteries.Find(35, 1)->Vdc);
  EXPECT_FLOAT_EQ(0.0f, batteries.Find(35, 1)->Temp);
  rt.now += 10000;
  batteries.poll(rt.now);
  std::vector<std::string> house = Lines(dir + "/BAT-35:135:471:X1.log");
  std::vector<std::string> starter = Lines(dir + "/BAT-35.2:135:471:X1.log");
  ASSERT_EQ(1u, house.size());
  ASSERT_EQ(1u, starter.size());
  EXPECT_EQ(0u, house[0].find("DCS;,1,120, ,13,-4.5, ,0,0,0, ,"));
  EXPECT_EQ(0u, starter[0].find("DCS;,2,100, ,12,-3, ,20,90,50, ,"));

  // Another node at the address closes both; a full registry takes no more.
  bus.Add(35, 999, 135, 0, "Y2", "");
  bus.Settle();
  batteries.Update(35, tDCSourceStatus1{2, 100, 12.0f, 1.0f}, rt.now);
  EXPECT_EQ(1u, batteries.Count());
  EXPECT_EQ(nullptr, batteries.Find(35, 1));
  EXPECT_EQ(999u, batteries.Find(35, 2)->uniqueNumber);
  settings.logDir = nullptr;
  for (int i = 0; i < 300; i++) batteries.Add(35, static_cast<uint8_t>(i), 100, rt.now);
  EXPECT_EQ(256u, batteries.Count());
}

TEST_F(tBatteryRegistry, AnotherNodeAtTheAddressGetsARecordAndFileOfItsOwn) {
  LogToDir();
  console.SetDebugLevel(4);
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.25f, -4.5f}, rt.now);
  batteries.Update(35, tDCSourceStatus2{1, 120, 25.0f, 175, 600}, rt.now);
  ASSERT_EQ(1u, batteries.Count());

  // While a rebuilt list does not know the node yet, its records go on as they are.
  bus.Rebuild();
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.0f, -5.0f}, rt.now);
  EXPECT_FLOAT_EQ(-5.0f, batteries.Find(35, 1)->Adc);

  // The node leaves; another maker's node with the same unique number takes its address.
  bus.Add(35, 471, 277, 0, "Y2", "");
  bus.Settle();
  console.text.clear();
  batteries.Update(35, tDCSourceStatus1{1, 120, 12.0f, 1.0f}, rt.now);
  ASSERT_EQ(1u, batteries.Count());
  tBattery *b = batteries.Find(35, 1);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(277, b->manufacturerCode);
  EXPECT_FLOAT_EQ(0.0f, b->Temp);  // nothing of the old node's
  EXPECT_TRUE(console.Has("tBatteries::Add: Battery 135:471 no longer at CANAddr=35\n"));
  EXPECT_TRUE(console.Has("tBatteries::Add: Found new Battery at CANAddr=35/1/120/277/471\n"));
  rt.now += 10000;
  batteries.poll(rt.now);
  EXPECT_EQ("", ReadFile(dir + "/BAT-35:135:471:X1.log"));
  std::vector<std::string> lines = Lines(dir + "/BAT-35:277:471:Y2.log");
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(0u, lines[0].find("DCS;,1,120, ,12,1, ,0,0,0, ,"));

  // The same maker's node without a unique number at the address: the old record
  // goes, nothing new comes.
  bus.Add(35, 0, 277, 0, "Y2", "");
  bus.Settle();
  batteries.Update(35, tDCSourceStatus1{1, 120, 12.0f, 1.0f}, rt.now);
  EXPECT_EQ(0u, batteries.Count());
}

TEST_F(tBatteryRegistry, ClearClosesEveryFile) {
  LogToDir();
  tBattery *b = batteries.Add(35, 1, 120, rt.now);
  ASSERT_NE(nullptr, b);
  const int fd = b->logFd;
  ASSERT_NE(-1, fcntl(fd, F_GETFD));
  batteries.Clear();
  EXPECT_EQ(0u, batteries.Count());
  EXPECT_EQ(-1, fcntl(fd, F_GETFD));
}

TEST_F(tBatteryRegistry, ALogFolderThatComesLaterGetsTheNextLine) {
  // The folder is not there yet when the battery registers (a stick mounted later).
  const std::string later = dir + "/later";
  settings.logDir = later.c_str();
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.25f, -4.5f}, rt.now);
  tBattery *b = batteries.Find(35, 1);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(-1, b->logFd);
  rt.now += 10000;
  batteries.poll(rt.now);
  ASSERT_EQ(0, mkdir(later.c_str(), 0755));
  rt.now += 10000;
  batteries.poll(rt.now);
  EXPECT_EQ(std::vector<std::string>{"DCS;,1,120, ,13,-4.5, ,0,0,0, ,0,0,0,0, ,0,0,0,0, ,0,0, "
                                     ",0,0,0,0, ,0,0,0,0,0,0"},
            Lines(later + "/BAT-35:135:471:X1.log"));
  batteries.Clear();
  unlink((later + "/BAT-35:135:471:X1.log").c_str());
  rmdir(later.c_str());
}
