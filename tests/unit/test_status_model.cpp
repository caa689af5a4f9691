#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "StatusModel.h"
#include "TerminalTest.h"

namespace {
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A bridge and the model it hands its text to, as a charger's record wires them.
struct tWired {
  // The model's status timing starts at rt's time; rt catches what is sent.
  tWired(int canAddr, const tRunSettings &settings, tFakeRuntime &rt, tConsole &console)
      : bridge(canAddr, settings, rt, console), model(bridge, console, rt.now) {
    bridge.SetListener(&model);
  }
  tTerminalBridge bridge;
  tStatusModel model;
};

class tStatus : public tTerminalTest {
 protected:
  void SetUp() override {
    bridge.OpenPort(port.path, rt.now);
    ASSERT_NE(-1, bridge.TtyFd());
  }

  tWired charger{140, settings, rt, console};
  tTerminalBridge &bridge = charger.bridge;
  tStatusModel &model = charger.model;
};
}  // namespace

TEST(ChargeStateCode, MapsTheRvcStatesAndLeavesOthersAlone) {
  const int expected[] = {-1, 0, 12, 21, 22, 38, 30, 39};
  for (int s = 0; s <= 7; s++) EXPECT_EQ(expected[s], chargeStateCode(s)) << s;
  EXPECT_EQ(-1, chargeStateCode(8));
  EXPECT_EQ(-1, chargeStateCode(255));
  EXPECT_EQ(-1, chargeStateCode(-1));
}

TEST_F(tStatus, AnswersReachThePortOnceTheyHoldALineFeed) {
  bridge.UpdTerminalFromCAN("AST;,1", rt.now);
  bridge.poll_serialOut(rt.now);
  EXPECT_EQ("", port.Read(50));
  bridge.UpdTerminalFromCAN(", ,\n", rt.now);
  bridge.poll_serialOut(rt.now);
  EXPECT_EQ("AST;,1, ,\n", port.Read());
  EXPECT_TRUE(model.Ast().Parsed());
  EXPECT_FLOAT_EQ(1.0f, model.Ast().Field(1));
  EXPECT_FALSE(bridge.Receiving());
}

TEST_F(tStatus, WithoutKSemicolonTheSuspensionEndsMoreThan20SecondsAfterTheLastTick) {
  // "K" and ";" in two pieces do not: the suspension then ends more than 20 s after
  // the last status tick.
  bridge.UpdTerminalFromCAN("AST;,1\n", rt.now);
  bridge.poll_serialOut(rt.now);
  bridge.terminal2CAN("$RAS:@", rt.now);
  ASSERT_EQ(rt.now, model.LastStatusTick());
  bridge.UpdTerminalFromCAN("AOK", rt.now);
  bridge.UpdTerminalFromCAN(";\r\n", rt.now);
  EXPECT_TRUE(bridge.Suspended());
  rt.now += 20000;
  model.poll_status(rt.now);
  EXPECT_TRUE(bridge.Suspended());
  rt.now += 1;
  model.poll_status(rt.now);
  EXPECT_FALSE(bridge.Suspended());
  EXPECT_EQ(rt.now, model.LastStatusTick());  // the tick follows in the same call
}

TEST_F(tStatus, EveryCompleteLineIsFiledByItsOwnTag) {
  // The charger echoes the typed command before its answer.
  bridge.UpdTerminalFromCAN("$RAS:@\r\n", rt.now);
  bridge.UpdTerminalFromCAN("AST;,7, ,1,2,3,4, ,5,6,7,8, ,9,10, ,11, ,12,13,14,15\r\n", rt.now);
  bridge.UpdTerminalFromCAN("CST;,1,2\r\nSST;,3\r\n", rt.now);
  bridge.UpdTerminalFromCAN("..FLT;,12,3\n..", rt.now);
  bridge.poll_serialOut(rt.now);
  EXPECT_EQ(
      "$RAS:@\r\nAST;,7, ,1,2,3,4, ,5,6,7,8, ,9,10, ,11, ,12,13,14,15\r\nCST;,1,2\r\nSST;,3\r\n"
      "..FLT;,12,3\n..",
      port.Read());
  EXPECT_TRUE(model.Ast().Parsed());
  EXPECT_FLOAT_EQ(7.0f, model.Ast().Field(1));
  EXPECT_FLOAT_EQ(15.0f, model.Ast().Field(16));
  EXPECT_EQ("CST;,1,2\r\n", model.StoredLine("CST"));
  EXPECT_EQ("SST;,3\r\n", model.StoredLine("SST"));
  EXPECT_EQ("FLT;,12,3\n", model.StoredLine("FLT"));

  // A line whose start went to the port with an earlier flush is still filed whole.
  bridge.UpdTerminalFromCAN("CPE;,1\nNPC", rt.now);
  bridge.poll_serialOut(rt.now);
  bridge.UpdTerminalFromCAN(";,2\nENG;,3\nSCV;,4\n", rt.now);
  bridge.poll_serialOut(rt.now);
  EXPECT_EQ("CPE;,1\n", model.StoredLine("CPE"));
  EXPECT_EQ("NPC;,2\n", model.StoredLine("NPC"));
  EXPECT_EQ("ENG;,3\n", model.StoredLine("ENG"));
  EXPECT_EQ("SCV;,4\n", model.StoredLine("SCV"));
  // Lines of other kinds only go to the port.
  bridge.UpdTerminalFromCAN("XYZ;,1\nAOK;\n", rt.now);
  bridge.poll_serialOut(rt.now);
  EXPECT_EQ("CPE;,1\n", model.StoredLine("CPE"));
}

TEST_F(tStatus, WithoutAPortAnswersAreStillFiled) {
  console.SetDebugLevel(1);
  tWired portless(141, settings, rt, console);
  portless.bridge.UpdTerminalFromCAN("AST;,3, ,1\r\nCST;,9\r\n", rt.now);
  portless.bridge.poll_serialOut(rt.now);
  EXPECT_FLOAT_EQ(3.0f, portless.model.Ast().Field(1));
  EXPECT_EQ("CST;,9\r\n", portless.model.StoredLine("CST"));
  EXPECT_FALSE(portless.bridge.Receiving());
  EXPECT_TRUE(console.Has("tRO500::poll_serialOut: No serial port\r\n"));
  // Chunks queued before still go to the charger.
  portless.bridge.terminal2CAN("$RAS:@", rt.now);
  rt.now += 50;
  portless.bridge.poll_terminal(rt.now);
  EXPECT_EQ(std::vector<std::string>({"$RAS:@"}), SentChars());
}

TEST_F(tStatus, StatusTicksOncePerSecondAndLogsEveryNinth) {
  char logPath[] = "/tmp/tw-ro500-log-XXXXXX";
  int fd = mkstemp(logPath);
  ASSERT_NE(-1, fd);
  close(fd);
  bridge.OpenLog(logPath);
  fd = bridge.LogFd();
  ASSERT_NE(-1, fd);
  // No AST line yet: the tick asks for one instead of writing.
  rt.now += 1000;
  model.poll_status(rt.now);
  EXPECT_TRUE(bridge.Suspended());
  EXPECT_EQ("$RAS:@", bridge.CommandText());
  EXPECT_EQ(1, model.StatusTick());

  bridge.UpdTerminalFromCAN(
      "AST;,1, ,2,3,4,5, ,6,7,8,9, ,10,11, ,12, ,13,14,15,16\nCPE;,42\nAOK;\n", rt.now);
  bridge.poll_serialOut(rt.now);
  port.Read();
  rt.now += 999;
  model.poll_status(rt.now);
  EXPECT_EQ("", port.Read(50));
  const std::string ast = "AST;,1.00, ,2.00,3.0,4.0,5, ,6.00,7,8,9, ,10,11, ,12, ,13.00,14,15,16\n";
  std::string written;
  for (int tick = 2; tick <= 8; tick++) {
    rt.now += 1000;
    model.poll_status(rt.now);
    written += port.Read();
  }
  std::string expect;
  for (int i = 0; i < 7; i++) expect += ast;
  EXPECT_EQ(expect, written);
  struct stat st;
  fstat(fd, &st);
  EXPECT_EQ(0, st.st_size);  // nothing logged in the first eight ticks
  rt.now += 1000;
  model.poll_status(rt.now);
  EXPECT_EQ(ast + "CPE;,42\n", port.Read());
  EXPECT_EQ(0, model.StatusTick());
  EXPECT_EQ(1, model.Rotation());
  std::ifstream log(logPath);
  std::stringstream content;
  content << log.rdbuf();
  // Each log line: the 20-character UTC stamp, then the line.
  std::string text = content.str();
  ASSERT_EQ(20 + ast.size() + 20 + 8, text.size());
  EXPECT_EQ(ast, text.substr(20, ast.size()));
  EXPECT_EQ("CPE;,42\n", text.substr(40 + ast.size()));
  EXPECT_EQ(' ', text[19]);
  EXPECT_EQ('-', text[4]);
  unlink(logPath);
}

TEST_F(tStatus, DcSourceAndChargerValuesReachTheAstLine) {
  const tAST &ast = model.Ast();
  model.Update(tDCSourceStatus1{1, 100, kNaN, 10.0f});
  model.Update(tDCSourceStatus1{1, 100, 13.2f, kNaN});
  EXPECT_FLOAT_EQ(13.2f, ast.Field(2));
  EXPECT_FLOAT_EQ(10.0f, ast.Field(4));
  EXPECT_FLOAT_EQ(132.0f, ast.Field(5));
  model.Update(tDCSourceStatus1{1, 100, kNaN, -2.5f});
  EXPECT_FLOAT_EQ(13.2f, ast.Field(2));
  EXPECT_FLOAT_EQ(-33.0f, ast.Field(5));

  model.Update(tDCSourceStatus4{1, 100, 3, 14.4f, 30.0f, 2});
  EXPECT_FLOAT_EQ(432.0f, ast.Field(8));
  EXPECT_FLOAT_EQ(21.0f, ast.Field(9));
  model.Update(tDCSourceStatus4{1, 100, 0, kNaN, 10.0f, 2});
  EXPECT_FLOAT_EQ(144.0f, ast.Field(8));
  EXPECT_FLOAT_EQ(21.0f, ast.Field(9));  // state 0 leaves it alone

  model.Update(tChargerStatus{0, 1, 13.95f, 5.0f, 80, 6, 1, 1, 0});
  EXPECT_FLOAT_EQ(13.95f, ast.Field(13));
  EXPECT_FLOAT_EQ(5.0f, ast.Field(3));
  EXPECT_FLOAT_EQ(30.0f, ast.Field(9));
  EXPECT_FLOAT_EQ(80.0f, ast.Field(16));
  model.Update(tChargerStatus{0, 1, kNaN, kNaN, 255, 255, 1, 1, 0});
  EXPECT_FLOAT_EQ(13.95f, ast.Field(13));
  EXPECT_FLOAT_EQ(30.0f, ast.Field(9));
  EXPECT_FLOAT_EQ(255.0f, ast.Field(16));

  model.Update(tChargerStatus2{0, 1, 1, 100, 14.2f, -5.0f, 35.0f});
  model.Update(tEngineSpeed{0, 1800.5, 0, 0});
  EXPECT_FLOAT_EQ(1800.5f, ast.Field(12));
  model.Update(tEngineSpeed{0, -1e9, 0, 0});  // the library's "not available"
  model.Update(tEngineSpeed{0, std::nan(""), 0, 0});
  EXPECT_FLOAT_EQ(1800.5f, ast.Field(12));
}

TEST_F(tStatus, AChangedChargerConfigurationAsksForTheStatusAgain) {
  console.SetDebugLevel(1);
  // The registration's "$RAS:@" goes out and is answered.
  bridge.terminal2CAN("$RAS:@", rt.now);
  rt.now += 50;
  bridge.poll_terminal(rt.now);
  bridge.UpdTerminalFromCAN("AOK;\n", rt.now);
  ASSERT_FALSE(bridge.Sending());
  ASSERT_FALSE(bridge.Suspended());
  model.Update(tChargerConfig{0, 1, 2, 0, 1, 0, 0, 2, 200, 40}, rt.now);  // the first: remembered
  EXPECT_FALSE(bridge.Sending());
  model.Update(tChargerConfig{0, 1, 2, 0, 1, 0, 0, 2, 200, 40}, rt.now);
  EXPECT_FALSE(bridge.Sending());
  model.Update(tChargerConfig{0, 1, 2, 0, 1, 0, 0, 3, 200, 40}, rt.now);
  ASSERT_TRUE(bridge.Sending());
  EXPECT_EQ("$RAS:@", bridge.CommandText());
  EXPECT_TRUE(bridge.Suspended());
  EXPECT_TRUE(console.Has(
      "tDevices::UpdateCCS: detected change in status requesting RAS status.\n"
      "RVCChargerConfigStat(140): Type=0, Instance=1, ChrgAlg=2, ChrgMode=0, BatSense=1, "
      "Line=0, Linked=0, BatType=3, BatSize=200, MaxAmps=40\n"
      "RVCChargerConfigStat(140): Type=0, Instance=1, ChrgAlg=2, ChrgMode=0, BatSense=1, "
      "Line=0, Linked=0, BatType=2, BatSize=200, MaxAmps=40\n"));
}

TEST_F(tStatus, ALitLampThatIsNewBecomesAFaultLine) {
  model.Update(tDiagnostic{1, 1, 0, 1, 74, 100, 2, 1, 255, 15});
  EXPECT_EQ("FLT;,100,-99\n", port.Read());
  EXPECT_EQ("FLT;,100,-99\n", model.StoredLine("FLT"));
  model.Update(tDiagnostic{1, 1, 0, 1, 74, 100, 2, 1, 255, 15});
  EXPECT_EQ("", port.Read(50));
  model.Update(tDiagnostic{1, 1, 0, 1, 74, 100, 2, 2, 255, 15});  // count raised
  EXPECT_EQ("FLT;,100,-99\n", port.Read());
  // Both lamps off: no line, but remembered, so the same fault again is a transition.
  model.Update(tDiagnostic{1, 1, 0, 0, 74, 7, 2, 2, 255, 15});
  EXPECT_EQ("", port.Read(50));
  console.SetDebugLevel(1);
  model.Update(tDiagnostic{1, 1, 1, 0, 74, 0x8000 + 100, 2, 2, 255, 15});
  EXPECT_EQ("FLT;,100,-99\n", port.Read());
  EXPECT_TRUE(console.Has(
      "tDevices::UpdateDiag: FAULT detected. Status transition:\n"
      "\tUpdateDiag(140): On=1, Active=1, Red=0, Yellow=0, DSA=74, SPN=7, FMI=2, Count=2, "
      "DSA_ext=255, Bank=15\n"
      "\tUpdateDiag(140): On=1, Active=1, Red=1, Yellow=0, DSA=74, SPN=32868, FMI=2, Count=2, "
      "DSA_ext=255, Bank=15\n"));
  // No port: stored all the same.
  tWired portless(141, settings, rt, console);
  portless.model.Update(tDiagnostic{1, 1, 1, 0, 74, 300, 2, 2, 255, 15});
  EXPECT_EQ("FLT;,300,-99\n", portless.model.StoredLine("FLT"));
}
