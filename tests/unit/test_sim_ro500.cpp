// The RO500 charger model on a simulated node with a clock the test moves: heartbeat,
// the terminal console (echo, "$RAS:@" answer, chunking and pacing), status,
// configuration and diagnostics on command, silence.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ClockedSimNode.h"
#include "RO500Charger.h"

namespace {

class SimRO500 : public tSimNodeTest {
 protected:
  void SetUp() override {
    Start("c1", "ro500");
    if (HasFatalFailure()) return;
    Run(300);  // address settled
    ASSERT_TRUE(node_->IsReady());
    seen_.clear();
  }

  void Type(uint8_t from, const std::string &text) {
    tCanFrame f = MakeFrame(0x1D7E4200u | from, {});
    f.len = 8;
    for (int i = 0; i < 8; i++) f.data[i] = i < static_cast<int>(text.size()) ? text[i] : 0xff;
    probe_.Send(f);
  }
  // The text of the TERMINAL messages to an address, and each message's own text.
  std::string Said(uint8_t to, std::vector<std::string> *pieces = nullptr) const {
    std::string text;
    for (const tSeen &s : Frames(0x1D7E0042u | to << 8)) {
      std::string piece;
      for (int i = 0; i < s.frame.len && s.frame.data[i] != 0xff; i++)
        piece += static_cast<char>(s.frame.data[i]);
      text += piece;
      if (pieces != nullptr) pieces->push_back(piece);
    }
    return text;
  }
  tRO500Charger &Charger() { return *static_cast<tRO500Charger *>(node_->Behaviour()); }
};

}  // namespace

TEST(SimRO500Keys, ItsIdentityIsWhatTheDaemonLooksForAndKeysOverrideIt) {
  tSimNodeConfig c;
  std::string error;
  ASSERT_TRUE(ParseNodeConfig("c1", {"behaviour=ro500"}, c, error)) << error;
  EXPECT_EQ(c.manufacturer, 963);
  EXPECT_EQ(c.productCode, 200);
  EXPECT_EQ(c.model, "RO500");
  EXPECT_EQ(c.sw, "RODE2.1.5");
  ASSERT_TRUE(ParseNodeConfig("c2", {"model=RO500 B", "mfr=100", "behaviour=ro500"}, c, error));
  EXPECT_EQ(c.model, "RO500 B");
  EXPECT_EQ(c.manufacturer, 100);
}

TEST_F(SimRO500, HeartbeatEvery500msWithValuesTheCommandsSet) {
  Run(1600);
  std::vector<tSeen> beats = Frames(0x19FEA342);
  ASSERT_GE(beats.size(), 3u);
  for (size_t i = 1; i < beats.size(); i++) EXPECT_EQ(beats[i].at - beats[i - 1].at, 500u);
  // Instance 1, DC instance 1, priority 80, 13.95 V, 4.5 A, 40 C.
  EXPECT_EQ(Payloads(0x19FEA342)[0],
            (std::vector<uint8_t>{0x01, 0x01, 0x50, 0x17, 0x01, 0x5A, 0x7D, 0x50}));

  ASSERT_TRUE(Do("output volts=14.2 amps=30 temp=35"));
  ASSERT_TRUE(Do("heartbeat off"));
  seen_.clear();
  Run(1200);
  EXPECT_TRUE(Frames(0x19FEA342).empty());
  ASSERT_TRUE(Do("heartbeat on"));
  Run(10);
  EXPECT_EQ(Payloads(0x19FEA342),
            (std::vector<std::vector<uint8_t>>{{0x01, 0x01, 0x50, 0x1C, 0x01, 0x58, 0x7F, 0x4B}}));
  EXPECT_FALSE(Do("output volts=-1"));
}

TEST_F(SimRO500, StatusRequestIsAnsweredLineByLineInPacedPiecesEndingWithAok) {
  Type(0x23, "$RAS:@");
  Run(3000);
  std::vector<std::string> pieces;
  const std::string text = Said(0x23, &pieces);
  EXPECT_EQ(text.substr(0, 8), "$RAS:@\r\n");  // its echo, then the console's new line
  EXPECT_NE(text.find("\r\nAST;,100.50, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, "
                      ",13.95,7,8,90\r\n"),
            std::string::npos)
      << text;
  // The tags in order, each line starting a message of its own.
  std::vector<std::string> tags;
  for (const std::string &p : pieces)
    if (p.size() >= 4 && p[3] == ';') tags.push_back(p.substr(0, 3));
  EXPECT_EQ(tags, (std::vector<std::string>{"AST", "CPE", "NPC", "CST", "SCV", "SST", "ENG", "FLT",
                                            "AOK"}));
  EXPECT_EQ(pieces.back(), "AOK;\r\n");

  const std::vector<tSeen> frames = Frames(0x1D7E2342);
  for (size_t i = 0; i < frames.size(); i++) {
    EXPECT_EQ(frames[i].frame.len, 8);
    if (i > 0) {
      EXPECT_GE(frames[i].at - frames[i - 1].at, 50u);
    }
  }
  EXPECT_TRUE(Frames(0x1D7E2442).empty());  // nobody else hears the answer

  ASSERT_TRUE(Do("pace 10"));
  seen_.clear();
  Type(0x23, "$RAS:@");
  Run(1000);
  const std::vector<tSeen> fast = Frames(0x1D7E2342);
  ASSERT_GT(fast.size(), 20u);
  EXPECT_EQ(fast[1].at - fast[0].at, 10u);
}

TEST_F(SimRO500, EchoesWhatEachSenderTypesAndAnswersEachLine) {
  ASSERT_TRUE(Do("pace 5"));
  Type(0x23, "hello\n");
  Run(100);
  EXPECT_EQ(Said(0x23), "hello\nAOK;\r\n");

  // Lines are collected per sender: 0x24's line does not finish 0x23's command.
  seen_.clear();
  Type(0x23, "$RA");
  Type(0x24, "x\n");
  Type(0x23, "S:@");
  Run(1000);
  EXPECT_EQ(Said(0x24), "x\nAOK;\r\n");
  EXPECT_NE(Said(0x23).find("AST;"), std::string::npos);

  // A line over two messages is answered once; without echo only the answer comes.
  ASSERT_TRUE(Do("echo off"));
  seen_.clear();
  Type(0x23, "abcdefgh");
  Type(0x23, "ijk\r\n");
  Run(100);
  EXPECT_EQ(Said(0x23), "AOK;\r\n");
}

TEST_F(SimRO500, FaultRaiseCountsOccurrencesAndClearTurnsTheLampsOff) {
  ASSERT_TRUE(Do("fault 100 3"));
  ASSERT_TRUE(Do("fault 100 3"));
  ASSERT_TRUE(Do("fault 100 3 yellow"));
  EXPECT_EQ(Charger().StatusLine("FLT"), "FLT;,100,3");
  ASSERT_TRUE(Do("clear"));
  EXPECT_FALSE(Do("fault 100 31"));  // FMI 31 means none
  Run(10);
  // On, active, red lamp; DSA 74; SPN 100; FMI 3; count 1, 2, then 3 with the yellow lamp.
  EXPECT_EQ(Payloads(0x19FECA42), (std::vector<std::vector<uint8_t>>{
                                      {0x45, 0x4A, 0x00, 0x0C, 0x83, 0x81, 0xFF, 0xFF},
                                      {0x45, 0x4A, 0x00, 0x0C, 0x83, 0x82, 0xFF, 0xFF},
                                      {0x15, 0x4A, 0x00, 0x0C, 0x83, 0x83, 0xFF, 0xFF},
                                      {0x05, 0x4A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                  }));
}

TEST_F(SimRO500, StatusAndConfigurationGoOutOnCommand) {
  ASSERT_TRUE(Do("status"));
  ASSERT_TRUE(Do("config"));
  ASSERT_TRUE(Do("configure battery=3 size=400"));
  EXPECT_FALSE(Do("configure battery=16"));
  EXPECT_FALSE(Do("bogus"));
  Run(10);
  // 14.4 V, 4.5 A, 45 %, absorption, enabled at power-on, auto-recharge, not forced.
  EXPECT_EQ(Payloads(0x19FFC742),
            (std::vector<std::vector<uint8_t>>{{0x01, 0x20, 0x01, 0x5A, 0x7D, 0x5A, 0x03, 0x05}}));
  // Three-stage, stand-alone, sensor, line 1, AGM, 200 Ah, 30 A; then LiFePO4, 400 Ah.
  EXPECT_EQ(Payloads(0x19FFC642), (std::vector<std::vector<uint8_t>>{
                                      {0x01, 0x02, 0x00, 0x21, 0xC8, 0x00, 0x58, 0x7F},
                                      {0x01, 0x02, 0x00, 0x31, 0x90, 0x01, 0x58, 0x7F},
                                  }));
}

TEST_F(SimRO500, SilentSendsNothingAndComesBackWithAClaimAndItsHeartbeat) {
  Type(0x23, "$RAS:@");
  Run(100);
  node_->SetSilent(true);  // what it had queued goes out first
  probe_.Drain();
  seen_.clear();
  Run(2000);
  EXPECT_TRUE(seen_.empty());
  node_->SetSilent(false);
  Run(1600);
  ASSERT_FALSE(Frames(0x18EEFF42).empty());
  ASSERT_FALSE(Frames(0x19FEA342).empty());
  EXPECT_GE(Frames(0x19FEA342)[0].at - Frames(0x18EEFF42)[0].at, 250u);
  EXPECT_EQ(Said(0x23), "");  // the answer it was giving is gone
}
