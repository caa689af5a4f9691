// The simulator's loop with no link: nodes on its bus, commands, the schedule and the
// control FIFO. The bus delivers synchronously, so one Step settles an exchange.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "FastPacket.h"
#include "N2kGroupMessages.h"
#include "Simulator.h"
#include "TestBus.h"

namespace {

class SimLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    out_ = tmpfile();
    err_ = tmpfile();
    ASSERT_TRUE(out_ && err_);
    sim_.SetOutput(out_, err_);
  }
  void TearDown() override {
    fclose(out_);
    fclose(err_);
  }
  static std::string Read(FILE *f) {
    fflush(f);
    rewind(f);
    std::string text;
    char buf[1024];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
    return text;
  }
  bool Run(const std::string &line) { return sim_.ExecuteLine(line, {"test", ++line_}); }
  // Steps until done() holds; a guard against hanging, not a speed check.
  template <typename Done>
  bool StepUntil(Done done) {
    for (int i = 0; i < 5000; i++) {
      sim_.Step(1);
      if (done()) return true;
    }
    return false;
  }
  // The frames probe sees, with fast packets put together.
  std::vector<tN2kMsg> Messages() {
    std::vector<tN2kMsg> out;
    for (const tCanFrame &f : probe_.Drain()) {
      tN2kMsg msg;
      if (IsDefaultFastPacketMessage(f.Id().PGN())) {
        if (assembler_.Add(f, 0, msg) != tFastPacketAssembler::tResult::kComplete) continue;
      } else {
        msg.SetPGN(f.Id().PGN(), f.Id().Priority());
        msg.Source = f.Id().Source();
        msg.Destination = f.Id().Destination();
        msg.AddBuf(f.data, f.len);
      }
      out.push_back(msg);
    }
    return out;
  }
  void Request(uint8_t to, unsigned long pgn) {
    probe_.Send(MakeFrame(tCanId::Make(6, kPgnIsoRequest, to, 0x23).Raw(),
                          {static_cast<uint8_t>(pgn), static_cast<uint8_t>(pgn >> 8),
                           static_cast<uint8_t>(pgn >> 16)}));
  }

  tSimulator sim_{nullptr, nullptr};
  tProbe probe_{sim_.Bus()};
  tFastPacketAssembler assembler_;
  FILE *out_ = nullptr;
  FILE *err_ = nullptr;
  int line_ = 0;
};

const tN2kMsg *Find(const std::vector<tN2kMsg> &msgs, unsigned long pgn, uint8_t source) {
  for (const auto &m : msgs)
    if (m.PGN == pgn && m.Source == source) return &m;
  return nullptr;
}

bool Has(const std::vector<tN2kMsg> &msgs, unsigned long pgn, uint8_t source) {
  return Find(msgs, pgn, source) != nullptr;
}

}  // namespace

TEST_F(SimLoop, NodesClaimAnswerRequestsAndFallSilent) {
  ASSERT_TRUE(Run("node charger address=0x42 model=\"RO500 sim\" tx=0x1FFC7"));
  ASSERT_FALSE(Run("node charger"));  // exists
  std::vector<tN2kMsg> seen;
  ASSERT_TRUE(StepUntil([&] {
    for (auto &m : Messages()) seen.push_back(m);
    return Has(seen, kPgnHeartbeat, 0x42);  // claimed and settled
  }));
  EXPECT_TRUE(Has(seen, kPgnIsoAddressClaim, 0x42));

  Request(0x42, kPgnProductInformation);
  sim_.Step(0);
  std::vector<tN2kMsg> answer = Messages();
  const tN2kMsg *product = Find(answer, kPgnProductInformation, 0x42);
  ASSERT_NE(product, nullptr);
  tN2kProductInfo info;
  ASSERT_TRUE(ParseN2kPGN126996(*product, info));
  EXPECT_STREQ(info.ModelID, "RO500 sim");

  // Silent: no answer at all, not even a NAK; sends are skipped without an error.
  ASSERT_TRUE(Run("silent charger"));
  ASSERT_TRUE(Run("send charger 1FFC7h instance=1"));
  Request(0x42, kPgnProductInformation);
  Request(0x42, 127750);
  for (int i = 0; i < 5; i++) sim_.Step(0);
  EXPECT_TRUE(Messages().empty());

  // Back again: it claims its address anew and answers.
  ASSERT_TRUE(Run("resume charger"));
  seen.clear();
  ASSERT_TRUE(StepUntil([&] {
    for (auto &m : Messages()) seen.push_back(m);
    return Has(seen, kPgnIsoAddressClaim, 0x42);
  }));
  EXPECT_EQ(Read(err_), "test:2: node 'charger' exists\n");
}

TEST_F(SimLoop, ScheduleEchoFramesAndRemoval) {
  ASSERT_TRUE(Run("node bat address=50"));
  ASSERT_TRUE(Run("every 1 send bat 127508 BatteryInstance=1 BatteryVoltage=12.5"));
  ASSERT_TRUE(Run("after 0 echo soon"));
  ASSERT_TRUE(Run("frame 18EEFF23#0102"));
  sim_.Step(0);
  EXPECT_EQ(Read(out_), "soon\n");
  std::vector<tCanFrame> frames = probe_.Drain();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].id, 0x18EEFF23u);  // injected at once
  EXPECT_EQ(frames[0].len, 2);
  EXPECT_EQ(frames[1].id, 0x18EEFF32u);  // bat's claim, on the first pass of the loop
  EXPECT_EQ(sim_.Stats().injected, 1u);

  int batteryStatus = 0;
  ASSERT_TRUE(StepUntil([&] {
    for (const auto &m : Messages()) batteryStatus += m.PGN == 127508 && m.Source == 50;
    return batteryStatus >= 3;
  }));

  // Removing the node stops its repeating send after one error.
  ASSERT_TRUE(Run("remove bat"));
  ASSERT_TRUE(StepUntil([&] { return Read(err_).find("dropped") != std::string::npos; }));
  for (int i = 0; i < 20; i++) sim_.Step(1);
  const std::string errors = Read(err_);
  EXPECT_NE(errors.find("no node 'bat'"), std::string::npos);
  EXPECT_EQ(errors.find("no node", errors.find("no node") + 1), std::string::npos) << errors;
  EXPECT_FALSE(Run("claim bat 7"));
  EXPECT_FALSE(Run("rawline O"));  // no link
  EXPECT_FALSE(Run("do bat x"));
  ASSERT_TRUE(Run("quit"));
  EXPECT_TRUE(sim_.QuitRequested());
}

TEST_F(SimLoop, NodeWithoutAddressCapabilityClaimsWithThatNameBitClear) {
  ASSERT_TRUE(Run("node low aac=0 address=60"));
  ASSERT_TRUE(Run("node high address=61"));
  sim_.Step(0);
  std::vector<tCanFrame> frames = probe_.Drain();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].id, 0x18EEFF3Cu);
  EXPECT_EQ(frames[0].data[7] & 0x80, 0);
  EXPECT_EQ(frames[1].data[7] & 0x80, 0x80);
  EXPECT_EQ(sim_.FindNode("low")->GetName() >> 63, 0u);
  // Asked again, it answers with the same NAME.
  Request(255, kPgnIsoAddressClaim);
  sim_.Step(0);
  frames = probe_.Drain();
  ASSERT_FALSE(frames.empty());
  for (const tCanFrame &f : frames) {
    if (f.id == 0x18EEFF3Cu) {
      EXPECT_EQ(f.data[7] & 0x80, 0);
    }
  }
}

TEST_F(SimLoop, BehaviourAnswersAndListenOnlyNodesStayQuiet) {
  ASSERT_TRUE(Run("node term address=0x42 behaviour=echo-terminal"));
  ASSERT_TRUE(Run("node ear mode=listen"));
  EXPECT_FALSE(Run("send ear 127508 BatteryInstance=1"));
  EXPECT_FALSE(Run("do term hello"));  // echo-terminal takes no commands
  ASSERT_TRUE(StepUntil([&] { return sim_.FindNode("term")->IsReady(); }));
  probe_.Drain();
  probe_.Send(MakeFrame(0x1D7E4223, {'H', 'I', 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}));
  sim_.Step(0);
  std::vector<tCanFrame> frames = probe_.Drain();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].id, 0x1D7E2342u);
  EXPECT_EQ(frames[0].data[0], 'H');
  EXPECT_EQ(frames[0].data[2], 0xff);
}

TEST_F(SimLoop, ControlFifoIsCreatedAndHeardAcrossWriters) {
  char dir[] = "/tmp/sim_fifo_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/control";
  std::string error;
  std::unique_ptr<tSimLineInput> fifo = tSimLineInput::OpenFifo(path, error);
  ASSERT_TRUE(fifo) << error;
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  sim_.AddInput(std::move(fifo));

  // Two writers one after the other; the second leaves without a final newline.
  const std::pair<const char *, const char *> writes[] = {{"echo one\nbogus\n", "one\n"},
                                                          {"echo two", "two\n"}};
  for (const auto &w : writes) {
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, w.first, strlen(w.first)), static_cast<ssize_t>(strlen(w.first)));
    close(fd);
    ASSERT_TRUE(StepUntil([&] { return Read(out_).find(w.second) != std::string::npos; }));
  }
  EXPECT_EQ(Read(out_), "one\ntwo\n");
  EXPECT_EQ(Read(err_), path + ":2: unknown command 'bogus'\n");

  // Not a FIFO: refused.
  EXPECT_FALSE(tSimLineInput::OpenFifo(dir, error));
  unlink(path.c_str());
  rmdir(dir);
}
