// The simulator's command language: good lines become the right commands, bad lines
// give a message that names the problem, scenario files report file and line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "N2kMessages.h"
#include "RVCMessages.h"
#include "Scenario.h"
#include "SimCommand.h"
#include "SimScheduler.h"

namespace {

tSimCommand Parse(const std::string &line) {
  tSimCommand c;
  std::string error;
  EXPECT_EQ(ParseSimCommand(line, {"t", 1}, c, error), tSimParseResult::kCommand)
      << line << ": " << error;
  return c;
}

std::string ParseError(const std::string &line) {
  tSimCommand c;
  std::string error;
  EXPECT_EQ(ParseSimCommand(line, {"t", 1}, c, error), tSimParseResult::kError) << line;
  return error;
}

}  // namespace

TEST(SimCommand, NodeLineSetsEveryKey) {
  tSimCommand c = Parse(
      "node charger1 unique=0x1FFFFF mfr=2046 function=153 class=35 industry=0 sysinst=3 "
      "devinst=9 address=0x42 aac=0 product=500 model=\"RO500 sim\" sw=1.2 modelver=B "
      "serial=SN7 cert=2 len=4 n2kver=2101 mfrinfo=\"Acme Ltd\" desc1=\"aft bay\" desc2=x "
      "tx=127507,0x1FFC7 rx=1FEA3h mode=node behaviour=echo-terminal");
  ASSERT_EQ(c.kind, tSimCommandKind::kNode);
  const tSimNodeConfig &n = c.config;
  EXPECT_EQ(n.name, "charger1");
  EXPECT_EQ(n.unique, 0x1fffffu);
  EXPECT_TRUE(n.uniqueSet);
  EXPECT_EQ(n.manufacturer, 2046);
  EXPECT_EQ(n.function, 153);
  EXPECT_EQ(n.deviceClass, 35);
  EXPECT_EQ(n.industry, 0);
  EXPECT_EQ(n.systemInstance, 3);
  EXPECT_EQ(n.deviceInstance, 9);
  EXPECT_EQ(n.address, 0x42);
  EXPECT_FALSE(n.addressCapable);
  EXPECT_EQ(n.productCode, 500);
  EXPECT_EQ(n.model, "RO500 sim");
  EXPECT_EQ(n.sw, "1.2");
  EXPECT_EQ(n.modelVersion, "B");
  EXPECT_EQ(n.serial, "SN7");
  EXPECT_EQ(n.certification, 2);
  EXPECT_EQ(n.loadEquivalency, 4);
  EXPECT_EQ(n.n2kVersion, 2101);
  EXPECT_EQ(n.mfrInfo, "Acme Ltd");
  EXPECT_EQ(n.desc1, "aft bay");
  EXPECT_EQ(n.desc2, "x");
  EXPECT_EQ(n.tx, (std::vector<unsigned long>{127507, 0x1FFC7, 0}));
  EXPECT_EQ(n.rx, (std::vector<unsigned long>{0x1FEA3, 0}));
  EXPECT_EQ(n.mode, tSimNodeConfig::tMode::kNode);
  EXPECT_EQ(n.behaviour, "echo-terminal");

  EXPECT_EQ(Parse("node l mode=listen").config.mode, tSimNodeConfig::tMode::kListen);
  EXPECT_EQ(Parse("node s mode=send address=7").config.mode, tSimNodeConfig::tMode::kSend);
  tSimNodeConfig defaults = Parse("node plain").config;
  EXPECT_EQ(defaults.address, -1);
  EXPECT_FALSE(defaults.uniqueSet);
  EXPECT_TRUE(defaults.tx.empty());
  EXPECT_TRUE(defaults.addressCapable);
}

TEST(SimCommand, SendBuildsWithTheEncoderAndAppliesPriorityAndDestination) {
  tSimCommand c = Parse("send bat 127508 batteryinstance=2 BatteryVoltage=12.5 prio=3");
  ASSERT_EQ(c.kind, tSimCommandKind::kSend);
  EXPECT_EQ(c.node, "bat");
  tN2kMsg expected;
  SetN2kPGN127508(expected, 2, 12.5);
  ASSERT_EQ(c.msg.DataLen, expected.DataLen);
  EXPECT_EQ(0, memcmp(c.msg.Data, expected.Data, expected.DataLen));
  EXPECT_EQ(c.msg.Priority, 3);

  // Every PGN spelling names the same DGN.
  for (const char *pgn : {"131015", "0x1FFC7", "1FFC7h", "1ffc7"})
    EXPECT_EQ(Parse(std::string("send c ") + pgn + " instance=1").msg.PGN, 0x1FFC7u) << pgn;

  tSimCommand t = Parse("send c 17E00 destination=0x23 chars=\"$RAS:@\"");
  EXPECT_EQ(t.msg.Destination, 0x23);
  EXPECT_EQ(t.msg.Priority, 7);
  EXPECT_EQ(Parse("send c 17E00 chars=AB dest=0x30").msg.Destination, 0x30);

  // Raw payloads: single frame up to 8 bytes, fast packet up to 223, the PGN's priority;
  // a PDU1 PGN written with its destination byte is sent to that address.
  tSimCommand raw = Parse("send c 0x17E23 raw=4142FFFFFFFFFFFF");
  EXPECT_EQ(raw.msg.DataLen, 8);
  EXPECT_EQ(raw.msg.PGN, 0x17E00u);
  EXPECT_EQ(raw.msg.Destination, 0x23);
  EXPECT_EQ(raw.msg.Priority, 7);
  EXPECT_EQ(Parse("send c 17E23h chars=AB").msg.Destination, 0x23);
  EXPECT_EQ(Parse("send c 127508 raw=").msg.DataLen, 0);
  EXPECT_EQ(Parse("send c 1FFC7h raw=01").msg.Priority, 6);
  EXPECT_EQ(Parse("send c 126996 raw=" + std::string(2 * 134, 'A')).msg.DataLen, 134);
}

TEST(SimCommand, TimedCommandsNestAndTextCommandsKeepTheirText) {
  tSimCommand at = Parse("at 1500 every 250 send bat 127508 BatteryInstance=1");
  ASSERT_EQ(at.kind, tSimCommandKind::kAt);
  EXPECT_EQ(at.ms, 1500u);
  EXPECT_EQ(at.node, "bat");
  ASSERT_TRUE(at.inner);
  EXPECT_EQ(at.inner->kind, tSimCommandKind::kEvery);
  EXPECT_EQ(at.inner->ms, 250u);
  EXPECT_EQ(at.inner->inner->kind, tSimCommandKind::kSend);
  EXPECT_EQ(Parse("after 0 quit").inner->kind, tSimCommandKind::kQuit);

  EXPECT_EQ(Parse("log  start of # the test  ").text, "start of # the test");
  EXPECT_EQ(Parse("echo ready").text, "ready");
  EXPECT_EQ(Parse("rawline T18EEFF23\\x079\\a").text, "T18EEFF23\a9\a");
  EXPECT_EQ(Parse("do charger fault 3 on").text, "fault 3 on");
  tSimCommand claim = Parse("claim charger 0x23");
  EXPECT_EQ(claim.address, 0x23);
  EXPECT_EQ(Parse("silent charger").kind, tSimCommandKind::kSilent);
  EXPECT_EQ(Parse("resume charger # back").kind, tSimCommandKind::kResume);
  EXPECT_EQ(Parse("remove charger").kind, tSimCommandKind::kRemove);
  EXPECT_EQ(Parse("at 100 adapter reset").inner->kind, tSimCommandKind::kAdapter);

  tSimCommand f = Parse("frame 18EEFF23#0102030405060708");
  EXPECT_EQ(f.frame.id, 0x18EEFF23u);
  EXPECT_EQ(f.frame.len, 8);
  EXPECT_EQ(f.frame.data[7], 8);
  EXPECT_EQ(Parse("frame 1#").frame.len, 0);

  tSimCommand c;
  std::string error;
  for (const char *empty : {"", "   ", "# comment", "  # indented comment", "\r"})
    EXPECT_EQ(ParseSimCommand(empty, {"t", 1}, c, error), tSimParseResult::kEmpty) << empty;
}

TEST(SimCommand, BadLinesSayWhatIsWrong) {
  const std::pair<const char *, const char *> cases[] = {
      {"bogus 1 2", "unknown command 'bogus'"},
      {"node", "usage: node"},
      {"node a/b", "bad node name"},
      {"node a loose", "expected key=value"},
      {"node a colour=red", "unknown node key 'colour'"},
      {"node a address=254", "address='254'"},
      {"node a unique=0x200000", "unique="},
      {"node a aac=2", "aac="},
      {"node a mode=chatty", "mode="},
      {"node a behaviour=dance", "unknown behaviour 'dance'"},
      {"node a tx=127508,,1", "tx="},
      {"node a address=1 address=2", "given twice"},
      {"node a name=0x0001000000000000", "bit 48"},
      {"node a name=-1", "name="},
      {"node a model=\"open", "unterminated quote"},
      {"send b 127508 BatteryVoltage=twelve", "BatteryVoltage='twelve'"},
      {"send b 127508 BatteryVoltage=nan", "BatteryVoltage='nan'"},
      {"send b 127508 Colour=1", "no field 'Colour'"},
      {"send b 127508 SID=1 sid=2", "given twice"},
      {"send b 127508 BatteryInstance=256", "BatteryInstance='256'"},
      {"send b 127488 EngineTiltTrim=-129", "EngineTiltTrim='-129'"},
      {"send b 1FFC7 EnableAtPO=maybe", "EnableAtPO='maybe'"},
      {"send b 17E00 chars=NINECHARS", "Chars='NINECHARS'"},
      {"send b 130000 x=1", "no encoder for PGN 130000"},
      {"send b 0x40000 raw=00", "bad PGN"},
      {"send b 127508 raw=010203040506070809", "not a fast-packet PGN"},
      {"send b 127508 raw=012", "raw="},
      {"send b 127508 raw=01 SID=1", "cannot be mixed"},
      {"send b 127508 prio=8", "prio="},
      {"send b 127508 dest=256", "dest="},
      {"send b", "usage: send"},
      {"claim b 254", "not 0..253"},
      {"claim b", "usage: claim"},
      {"silent", "usage: silent"},
      {"frame 20000000#00", "usage: frame"},
      {"frame 18EEFF23#123", "usage: frame"},
      {"frame 18EEFF23#010203040506070809", "usage: frame"},
      {"frame 18EEFF23", "usage: frame"},
      {"at soon echo x", "needs a time in ms"},
      {"every 0 echo x", "at least 1"},
      {"after 10", "needs a command"},
      {"at 10 bogus", "unknown command 'bogus'"},
      {"rawline bad\\q", "unknown escape"},
      {"do charger", "usage: do"},
      {"quit now", "quit takes nothing"},
      {"adapter", "usage: adapter reset"},
      {"adapter off", "usage: adapter reset"},
  };
  for (const auto &tc : cases)
    EXPECT_NE(ParseError(tc.first).find(tc.second), std::string::npos)
        << tc.first << " gave: " << ParseError(tc.first);
}

TEST(SimScenario, KeepsGoodLinesAndReportsBadOnesWithFileAndLine) {
  char path[] = "/tmp/sim_scenario_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::ofstream(path) << "# a scenario\n"
                         "node bat address=50\r\n"
                         "send bat 127508 Colour=1\n"
                         "\n"
                         "at 100 send bat 127508 BatteryInstance=1\n"
                         "launch rockets\n";
  std::vector<tSimCommand> commands;
  FILE *err = tmpfile();
  ASSERT_NE(err, nullptr);
  EXPECT_EQ(LoadScenario(path, commands, err), 2);
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].config.address, 50);
  EXPECT_EQ(commands[1].where.line, 5);
  rewind(err);
  char text[512] = {0};
  size_t n = fread(text, 1, sizeof(text) - 1, err);
  fclose(err);
  const std::string errors(text, n);
  EXPECT_NE(errors.find(std::string(path) + ":3: "), std::string::npos) << errors;
  EXPECT_NE(errors.find(std::string(path) + ":6: unknown command 'launch'"), std::string::npos);
  unlink(path);

  commands.clear();
  EXPECT_EQ(LoadScenario("/nonexistent/scenario", commands, stderr), -1);
}

TEST(SimScheduler, RunsInTimeOrderRepeatsAndSurvivesTheClockWrap) {
  tSimScheduler s;
  auto cmd = [](const char *text) {
    auto c = std::make_shared<tSimCommand>();
    c->text = text;
    return std::shared_ptr<const tSimCommand>(c);
  };
  const uint32_t t0 = 0xFFFFFF00u;  // 256 ms before the wrap
  s.Add(t0 + 300, 0, cmd("late"));
  const uint64_t every = s.Add(t0 + 100, 100, cmd("tick"));
  s.Add(t0 + 100, 0, cmd("same-time-second"));
  EXPECT_EQ(s.MsUntilNext(t0), 100);

  tSimScheduler::tDue due;
  EXPECT_FALSE(s.PopDue(t0 + 99, due));
  std::vector<std::string> ran;
  for (uint32_t t = t0; t != t0 + 400; t += 50)
    while (s.PopDue(t, due)) ran.push_back(due.command->text);
  EXPECT_EQ(ran, (std::vector<std::string>{"tick", "same-time-second", "tick", "late", "tick"}));
  // A loop held up for many periods runs a repeating command once, not many times.
  ran.clear();
  while (s.PopDue(t0 + 5000, due)) ran.push_back(due.command->text);
  EXPECT_EQ(ran, std::vector<std::string>{"tick"});
  EXPECT_EQ(s.MsUntilNext(t0 + 5000), 100);
  s.Cancel(every);
  EXPECT_EQ(s.Size(), 0u);
  EXPECT_EQ(s.MsUntilNext(t0), -1);
}
