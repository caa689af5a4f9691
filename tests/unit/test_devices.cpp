#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>

#include "Devices.h"
#include "FakeDirectories.h"
#include "FakeRuntime.h"
#include "PtyPort.h"

namespace {
class tRegistry : public ::testing::Test {
 protected:
  void SetUp() override { ttys.path = port.path; }
  tFakeRuntime rt;
  tRunSettings settings;
  tTestConsole console;
  tPtyPort port;
  tFakeTtys ttys;
  tEmptyDirectory list;
  tDevices devices{settings, ttys, list, rt, console};
};
}  // namespace

TEST(VersionText, DropsRodeDotsAndEverythingFromTheFirstDash) {
  EXPECT_EQ("215", VersionText("RODE2.1.5-beta7"));
  EXPECT_EQ("1102", VersionText("1.10.2"));
  EXPECT_EQ("3", VersionText("RODE3-rc.1"));
  EXPECT_EQ(" 40", VersionText("RODE 4.0"));
  EXPECT_EQ("", VersionText("-x"));
  EXPECT_EQ("RODE", VersionText("RORODEDE"));  // one pass, as a regex replacement
}

TEST_F(tRegistry, AChargerFoundWhileItsTableReadIsPendingComesOnlineWhenItCompletes) {
  tPtyPort second;
  ttys.hold = true;
  EXPECT_EQ(nullptr, devices.Add(140, 204, "RODE2.1.5", "RO500", rt.now));
  EXPECT_EQ(nullptr, devices.Add(141, 205, "RODE2.1.5", "RO500", rt.now));
  EXPECT_EQ(nullptr, devices.Add(142, 205, "RODE2.1.5", "RO500", rt.now));  // 205 moved to 142
  EXPECT_EQ(2u, ttys.assigned.size());
  EXPECT_EQ(0u, devices.Count());
  EXPECT_EQ("", port.Read(50));
  rt.now += 50;
  devices.poll(rt.now);
  EXPECT_TRUE(rt.sent.empty());  // no status request before the port

  ttys.Answer(0, port.path, rt.now);
  ASSERT_NE(nullptr, devices.Find(140));
  EXPECT_EQ("RO500 #204 ONLINE\n", port.Read());
  EXPECT_EQ(std::vector<int>{}, ttys.inUse[1]);  // asked before 204 had its port
  rt.now += 50;
  devices.poll(rt.now);
  ASSERT_EQ(1u, rt.sent.size());
  EXPECT_EQ(140, rt.sent[0].Destination);
  ttys.Answer(1, second.path, rt.now);
  EXPECT_EQ(nullptr, devices.Find(141));
  ASSERT_NE(nullptr, devices.Find(142));
  EXPECT_EQ("RO500 #205 ONLINE\n", second.Read());
  EXPECT_EQ(0u, devices.Waiting());
  // An answer for a charger no longer waiting does nothing.
  devices.TtyAssigned(205, second.path, rt.now);
  EXPECT_EQ(2u, devices.Count());
}

TEST_F(tRegistry, AddOpensAnnouncesAndQueuesAStatusRequestOnce) {
  tRO500 *r = devices.Add(140, 204, "RODE2.1.5-beta7", "RO500", rt.now);
  ASSERT_NE(nullptr, r);
  ASSERT_EQ(1u, ttys.assigned.size());
  EXPECT_EQ(204, ttys.assigned[0].first);
  EXPECT_EQ("RO500", ttys.assigned[0].second);
  EXPECT_EQ(140, r->CanAddr());
  EXPECT_EQ(204, r->UniqueNumber());
  EXPECT_EQ(215, r->Version());
  EXPECT_EQ(-1, r->Bridge().LogFd());
  EXPECT_EQ("RO500 #204 ONLINE\n", port.Read());
  EXPECT_TRUE(r->Bridge().Suspended());
  rt.now += 50;
  devices.poll(rt.now);
  ASSERT_EQ(1u, rt.sent.size());
  EXPECT_EQ(140, rt.sent[0].Destination);

  EXPECT_EQ(r, devices.Add(140, 999, "9", "X", rt.now));  // known address: nothing happens
  EXPECT_EQ(1u, ttys.assigned.size());
  EXPECT_EQ("", port.Read(50));
  EXPECT_EQ(1u, devices.Count());
  EXPECT_EQ(r, devices.Find(140));
  EXPECT_EQ(nullptr, devices.Find(141));
  EXPECT_EQ(140, devices.FindUniqueNumber(204));
  EXPECT_EQ(-1, devices.FindUniqueNumber(205));

  // Versions that are no number, or too big for an int, read as 0.
  ttys.path = "";
  EXPECT_EQ(0, devices.Add(1, 1, "beta", "M", rt.now)->Version());
  EXPECT_EQ(0, devices.Add(2, 2, "99999999999", "M", rt.now)->Version());
  EXPECT_EQ(40, devices.Add(3, 3, "RODE 4.0", "M", rt.now)->Version());
}

TEST_F(tRegistry, LogFilesStayInTheLogDirectoryWhateverTheModelId) {
  char dir[] = "/tmp/tw-logs-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  settings.logDir = dir;
  tRO500 *r = devices.Add(140, 1234, "1.0", "RO500", rt.now);
  ASSERT_NE(-1, r->Bridge().LogFd());
  std::string plain = std::string(dir) + "/RO500-1234:RO500.log";
  struct stat st;
  EXPECT_EQ(0, stat(plain.c_str(), &st));
  r = devices.Add(141, 77, "1.0", "../../x/y", rt.now);
  ASSERT_NE(-1, r->Bridge().LogFd());
  std::string tame = std::string(dir) + "/RO500-77:.._.._x_y.log";
  EXPECT_EQ(0, stat(tame.c_str(), &st));
  // A blank is no danger to a path: the name keeps it.
  r = devices.Add(142, 78, "1.0", "RO500 Pro", rt.now);
  EXPECT_EQ(std::string(dir) + "/RO500-78:RO500 Pro.log", r->Bridge().LogPath());
  EXPECT_EQ(0, stat(r->Bridge().LogPath().c_str(), &st));
  devices.Clear();
  std::string rm = std::string("rm -rf ") + dir;
  ASSERT_EQ(0, system(rm.c_str()));
}

TEST_F(tRegistry, ALogFolderThatComesLaterGetsTheNextLogLines) {
  char dir[] = "/tmp/tw-logs-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string later = std::string(dir) + "/later";
  settings.logDir = later.c_str();
  tRO500 *r = devices.Add(140, 1234, "1.0", "RO500", rt.now);
  EXPECT_EQ(-1, r->Bridge().LogFd());
  r->Bridge().UpdTerminalFromCAN("AST;,1, ,2,3,4,5, ,6,7,8,9, ,10,11, ,12, ,13,14,15,16\nAOK;\n",
                                 rt.now);
  r->Bridge().poll_serialOut(rt.now);
  ASSERT_EQ(0, mkdir(later.c_str(), 0755));
  // The ninth status tick writes the log lines.
  for (int tick = 0; tick < 9; tick++) {
    rt.now += 1000;
    r->markAlive(rt.now);
    r->Model().poll_status(rt.now);
  }
  EXPECT_NE(-1, r->Bridge().LogFd());
  std::ifstream log(later + "/RO500-1234:RO500.log");
  std::string line;
  ASSERT_TRUE(std::getline(log, line));
  EXPECT_EQ("AST;,1.00, ,2.00,3.0,4.0,5, ,6.00,7,8,9, ,10,11, ,12, ,13.00,14,15,16",
            line.substr(20));
  devices.Clear();
  std::string rm = std::string("rm -rf ") + dir;
  ASSERT_EQ(0, system(rm.c_str()));
}

TEST_F(tRegistry, ASilentChargerIsRemovedAfter1500Ms) {
  rt.now = 0xFFFFFF00u;  // the millisecond counter wraps in between
  devices.Add(140, 204, "1", "A", rt.now);
  port.Read();
  rt.now += 1499;
  devices.poll(rt.now);
  EXPECT_EQ(1u, devices.Count());
  devices.heartbeat(140, rt.now);
  devices.heartbeat(99, rt.now);  // unknown: nothing
  rt.now += 1499;
  devices.poll(rt.now);
  EXPECT_EQ(1u, devices.Count());
  EXPECT_EQ(0, list.rebuilds);
  rt.now += 1;
  devices.poll(rt.now);
  EXPECT_EQ(0u, devices.Count());
  EXPECT_EQ(1, list.rebuilds);
  EXPECT_EQ("RO500 #204 OFFLINE\n", port.Read());
}

TEST_F(tRegistry, ALoopHeldUpJudgesNoChargerDead) {
  devices.Add(140, 204, "1", "A", rt.now);
  port.Read();
  devices.poll(rt.now);
  rt.now += 3000;  // a uci ran into its time limit: no heartbeat could be read
  devices.poll(rt.now);
  EXPECT_EQ(1u, devices.Count());
  rt.now += 1499;
  devices.poll(rt.now);
  EXPECT_EQ(1u, devices.Count());
  rt.now += 1;  // 1500 ms after the hold-up without a heartbeat: dead after all
  devices.poll(rt.now);
  EXPECT_EQ(0u, devices.Count());
  EXPECT_EQ("RO500 #204 OFFLINE\n", port.Read());
}

TEST_F(tRegistry, OneDeadChargerIsRemovedPerPass) {
  tPtyPort other;
  devices.Add(140, 204, "1", "A", rt.now);
  ttys.path = other.path;
  devices.Add(141, 301, "1", "B", rt.now);
  rt.now += 1500;
  devices.poll(rt.now);
  EXPECT_EQ(1u, devices.Count());
  EXPECT_EQ(1, list.rebuilds);
  devices.poll(rt.now);
  EXPECT_EQ(0u, devices.Count());
  EXPECT_EQ(2, list.rebuilds);
  EXPECT_EQ("RO500 #204 ONLINE\nRO500 #204 OFFLINE\n", port.Read());
  EXPECT_EQ("RO500 #301 ONLINE\nRO500 #301 OFFLINE\n", other.Read());
}

TEST_F(tRegistry, ClearClosesEverythingWithoutAnOfflineLine) {
  tRO500 *r = devices.Add(140, 204, "1", "A", rt.now);
  int fd = r->Bridge().TtyFd();
  port.Read();
  devices.Clear();
  EXPECT_EQ(0u, devices.Count());
  EXPECT_EQ("", port.Read(50));
  EXPECT_EQ(-1, fcntl(fd, F_GETFD));
}

TEST_F(tRegistry, TellsTheLoopWhatToWaitOnAndForHowLong) {
  struct pollfd fds[4];
  EXPECT_EQ(UINT32_MAX, devices.MsUntilDue(rt.now));
  EXPECT_EQ(0, devices.AddPollFds(fds, 4));

  rt.now = 0xFFFFFFF0u;  // across the wrap
  tRO500 *r = devices.Add(140, 204, "1", "A", rt.now);
  // "$RAS:@" queued: the first chunk in 50 ms.
  EXPECT_EQ(50u, devices.MsUntilDue(rt.now));
  EXPECT_EQ(20u, devices.MsUntilDue(rt.now + 30));
  EXPECT_EQ(0u, devices.MsUntilDue(rt.now + 50));
  EXPECT_EQ(0u, devices.MsUntilDue(rt.now + 5000));
  rt.now += 50;
  devices.poll(rt.now);  // sent; suspended until "K;" or more than 20000 ms after the last tick
  EXPECT_EQ(1450u, devices.MsUntilDue(rt.now));  // heartbeat limit
  devices.heartbeat(140, rt.now);
  rt.now += 1000;
  devices.heartbeat(140, rt.now);
  EXPECT_EQ(1500u, devices.MsUntilDue(rt.now));
  rt.now += 18900;
  devices.heartbeat(140, rt.now);
  EXPECT_EQ(51u, devices.MsUntilDue(rt.now));  // 20001 ms after the last tick
  // Running: the status tick, once a second.
  r->Bridge().UpdTerminalFromCAN("AOK;\n", rt.now);
  EXPECT_EQ(0u, devices.MsUntilDue(rt.now));
  devices.poll(rt.now);  // the tick: no AST yet, so "$RAS:@" again
  r->Bridge().UpdTerminalFromCAN("AST;,1\nAOK;\n", rt.now);
  rt.now += 50;
  devices.poll(rt.now);
  EXPECT_FALSE(r->Bridge().Suspended());
  EXPECT_EQ(950u, devices.MsUntilDue(rt.now));
  settings.statusUpdates = false;
  EXPECT_EQ(1450u, devices.MsUntilDue(rt.now));

  ASSERT_EQ(1, devices.AddPollFds(fds, 4));
  EXPECT_EQ(r->Bridge().TtyFd(), fds[0].fd);
  EXPECT_EQ(POLLIN, fds[0].events);
  EXPECT_EQ(0, devices.AddPollFds(fds, 0));

  // A hung-up port rests: out of the wait, and due again 1000 ms later.
  port.CloseUser();
  devices.heartbeat(140, rt.now);
  devices.poll(rt.now);
  EXPECT_EQ(0, devices.AddPollFds(fds, 4));
  EXPECT_EQ(1000u, devices.MsUntilDue(rt.now));
  // A charger without a port is not waited on.
  ttys.path = "";
  devices.Add(141, 301, "1", "B", rt.now);
  EXPECT_EQ(0, devices.AddPollFds(fds, 4));
}

TEST_F(tRegistry, ATypedLineReachesTheChargerOnlyWhenTheWaitSaysItsPortHasInput) {
  tPtyPort late;
  tRO500 *typed = devices.Add(140, 204, "1", "A", rt.now);
  ttys.path = late.path;
  tRO500 *other = devices.Add(141, 205, "1", "B", rt.now);
  rt.now += 50;
  devices.poll(rt.now);  // the "$RAS:@" each registration queued
  rt.sent.clear();

  port.Type("$RAS:@\n");
  ASSERT_TRUE(WaitReadable(typed->Bridge().TtyFd()));
  struct pollfd fds[4];
  const int n = devices.AddPollFds(fds, 4);
  ASSERT_EQ(2, n);
  ASSERT_EQ(1, poll(fds, n, 0));
  devices.NoteReady(fds, n);
  late.Type("$RAS:@\n");  // after the wait: left for the next one
  ASSERT_TRUE(WaitReadable(other->Bridge().TtyFd()));
  devices.poll(rt.now);
  rt.now += 50;
  devices.poll(rt.now);
  ASSERT_EQ(1u, rt.sent.size());
  EXPECT_EQ(0x17E00u, rt.sent[0].PGN);  // TERMINAL to 140: "$RAS:@" and two FF
  EXPECT_EQ(140, rt.sent[0].Destination);
  const unsigned char wire[8] = {0x24, 0x52, 0x41, 0x53, 0x3A, 0x40, 0xFF, 0xFF};
  ASSERT_EQ(8, rt.sent[0].DataLen);
  EXPECT_EQ(0, memcmp(wire, rt.sent[0].Data, 8));

  ASSERT_EQ(2, devices.AddPollFds(fds, 4));
  ASSERT_EQ(1, poll(fds, n, 0));
  devices.NoteReady(fds, n);
  devices.poll(rt.now);
  rt.now += 50;
  devices.poll(rt.now);
  ASSERT_EQ(2u, rt.sent.size());
  EXPECT_EQ(141, rt.sent[1].Destination);
}

TEST_F(tRegistry, BusValuesGoToTheRecordAtTheSendersAddress) {
  tRO500 *r = devices.Add(140, 204, "1", "A", rt.now);
  devices.Update(140, tChargerStatus2{0, 1, 1, 100, 14.2f, -5.0f, 35.0f});
  devices.Update(141, tChargerStatus2{0, 1, 1, 100, 1.0f, 1.0f, 1.0f});  // nobody there
  EXPECT_FLOAT_EQ(14.2f, r->Model().Ast().Field(13));
  double v = 1, a = 2, t = 3;
  EXPECT_TRUE(devices.GetBatStat(140, v, a, t));
  EXPECT_DOUBLE_EQ(static_cast<double>(14.2f), v);
  EXPECT_DOUBLE_EQ(-5.0, a);
  EXPECT_DOUBLE_EQ(35.0, t);
  v = 1;
  EXPECT_FALSE(devices.GetBatStat(141, v, a, t));
  EXPECT_EQ(1.0, v);
}
