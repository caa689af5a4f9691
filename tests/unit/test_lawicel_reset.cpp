// The node's serial-line transport against an adapter that resets behind its back:
// the test plays the adapter by hand on a pty pair, line by line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "LawicelTransport.h"

namespace {

class tHandAdapter {
 public:
  tHandAdapter() {
    struct termios raw;
    cfmakeraw(&raw);
    if (openpty(&master_, &slave_, name_, &raw, nullptr) != 0) master_ = slave_ = -1;
    if (master_ >= 0) fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~tHandAdapter() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }
  const char *Path() const { return name_; }
  bool Ok() const { return master_ >= 0; }

  bool channelOpen = false;
  bool answersStatus = true;       // a LAWICEL adapter answers "F" (BEL when closed)
  std::vector<std::string> lines;  // every line the node sent

  // Answers every complete line the node has sent so far, as the adapter would.
  void Answer() {
    char buf[512];
    ssize_t n;
    while ((n = read(master_, buf, sizeof(buf))) > 0) {
      for (ssize_t i = 0; i < n; i++) {
        if (buf[i] != '\r') {
          partial_ += buf[i];
          continue;
        }
        lines.push_back(partial_);
        Reply(partial_);
        partial_.clear();
      }
    }
  }
  void Raw(const std::string &text) { Write(text); }
  int Count(const std::string &line) const {
    int c = 0;
    for (auto &l : lines) c += l == line;
    return c;
  }

 private:
  void Write(const std::string &text) {
    ssize_t w = write(master_, text.data(), text.size());
    (void)w;
  }
  void Reply(const std::string &line) {
    if (line.empty()) return;  // the flush before the open sequence
    switch (line[0]) {
      case 'C':
        channelOpen = false;
        return Write("\r");
      case 'S':
        return Write(channelOpen ? "\a" : "\r");
      case 'O':
        channelOpen = true;
        return Write("\r");
      case 'F':
        return Write(answersStatus && channelOpen ? "F00\r" : "\a");
      case 'T':
        return Write(channelOpen ? "Z\r" : "\a");
      default:
        return Write("\a");
    }
  }
  int master_ = -1, slave_ = -1;
  char name_[128] = {0};
  std::string partial_;
};

class LawicelReset : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(adapter_.Ok());
    node_.reset(new tLawicelTransport(adapter_.Path()));
    ASSERT_TRUE(node_->Open());
  }
  // Lets the adapter answer and the node read, a few rounds; the node's last result.
  tCanIo Exchange() {
    tCanIo last = tCanIo::kNone;
    for (int round = 0; round < 20; round++) {
      adapter_.Answer();
      struct pollfd p = {node_->Fd(), POLLIN, 0};
      poll(&p, 1, 2);
      tCanFrame f;
      while ((last = node_->Read(f)) == tCanIo::kOk) {
      }
      if (last == tCanIo::kGone) return last;
    }
    return last;
  }
  tCanFrame Frame() {
    tCanFrame f;
    f.id = 0x18EEFFB1;
    f.len = 8;
    return f;
  }

  tHandAdapter adapter_;
  std::unique_ptr<tLawicelTransport> node_;
};

TEST_F(LawicelReset, OpensWithTheStatusQuestionAndKeepsAWorkingLink) {
  EXPECT_EQ(tCanIo::kNone, Exchange());
  EXPECT_TRUE(adapter_.channelOpen);
  ASSERT_GE(adapter_.lines.size(), 4u);
  EXPECT_EQ(1, adapter_.Count("O"));
  EXPECT_EQ(1, adapter_.Count("F"));
  for (int i = 0; i < 5; i++) ASSERT_EQ(tCanIo::kOk, node_->Write(Frame()));
  EXPECT_EQ(tCanIo::kNone, Exchange());  // acknowledged frames: nothing wrong
}

TEST_F(LawicelReset, FramesRefusedThreeTimesInARowMeanTheChannelIsClosed) {
  Exchange();
  adapter_.channelOpen = false;  // power lost: the tty stays, the channel is gone
  ASSERT_EQ(tCanIo::kOk, node_->Write(Frame()));
  ASSERT_EQ(tCanIo::kOk, node_->Write(Frame()));
  EXPECT_EQ(tCanIo::kNone, Exchange());  // two refusals are not yet a reset
  ASSERT_EQ(tCanIo::kOk, node_->Write(Frame()));
  EXPECT_EQ(tCanIo::kGone, Exchange());

  // The node reopens: the open sequence again, and the channel works.
  node_->Close();
  ASSERT_TRUE(node_->Open());
  EXPECT_EQ(tCanIo::kNone, Exchange());
  EXPECT_EQ(2, adapter_.Count("O"));
  EXPECT_TRUE(adapter_.channelOpen);
  EXPECT_EQ(1u, node_->Stats().reopens);
}

TEST_F(LawicelReset, RefusalsBrokenByAnAcknowledgementOrBeforeAnyAnswerDoNotCount) {
  // BELs ahead of the answers to the open sequence (an adapter that refuses empty lines).
  adapter_.Raw("\a\a\a\a");
  EXPECT_EQ(tCanIo::kNone, Exchange());
  for (int round = 0; round < 4; round++) {
    adapter_.Raw("\a\a");
    ASSERT_EQ(tCanIo::kOk, node_->Write(Frame()));  // acknowledged: the run starts over
    EXPECT_EQ(tCanIo::kNone, Exchange());
  }
}

TEST_F(LawicelReset, AQuietAdapterIsAskedAfterTwoSecondsAndARefusalMeansClosed) {
  Exchange();
  const uint32_t t0 = 10000;
  EXPECT_EQ(tCanIo::kNone, node_->Service(t0));
  EXPECT_EQ(2000u, node_->MsUntilDue(t0));
  EXPECT_EQ(tCanIo::kNone, node_->Service(t0 + 1999));
  EXPECT_EQ(1, adapter_.Count("F"));
  EXPECT_EQ(tCanIo::kNone, node_->Service(t0 + 2000));
  EXPECT_EQ(tCanIo::kNone, Exchange());  // answered "F00": all is well
  EXPECT_EQ(2, adapter_.Count("F"));

  node_->Service(t0 + 2001);  // the answer counts as hearing from the adapter
  EXPECT_EQ(2000u, node_->MsUntilDue(t0 + 2001));
  adapter_.channelOpen = false;
  node_->Service(t0 + 4001);
  EXPECT_EQ(tCanIo::kGone, Exchange());
}

TEST_F(LawicelReset, AnUnansweredProbeIsWaitedForOneSecondThenAskedAgainLater) {
  Exchange();
  const uint32_t t0 = 10000;
  node_->Service(t0);
  node_->Service(t0 + 2000);  // the probe; the adapter says nothing for now
  EXPECT_EQ(1000u, node_->MsUntilDue(t0 + 2000));
  node_->Service(t0 + 2999);
  EXPECT_EQ(1u, node_->MsUntilDue(t0 + 2999));
  node_->Service(t0 + 3000);  // no answer within a second: asked again 2 s after the probe
  EXPECT_EQ(1000u, node_->MsUntilDue(t0 + 3000));
  // A BEL now answers no probe: one refusal alone does not mean a closed channel.
  adapter_.Raw("\a");
  EXPECT_EQ(tCanIo::kNone, Exchange());
}

TEST_F(LawicelReset, AnAdapterWithoutStatusFlagsIsNeverAsked) {
  adapter_.answersStatus = false;
  EXPECT_EQ(tCanIo::kNone, Exchange());  // its BEL for "F" at the open is harmless
  node_->Service(20000);
  node_->Service(30000);
  EXPECT_EQ(kN2kNeverDue, node_->MsUntilDue(30000));
  EXPECT_EQ(1, adapter_.Count("F"));
}

}  // namespace
