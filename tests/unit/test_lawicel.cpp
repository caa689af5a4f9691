#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "LawicelAdapter.h"
#include "LawicelCodec.h"
#include "LawicelTransport.h"

namespace {

tCanFrame MakeFrame(uint32_t id, std::vector<uint8_t> data) {
  tCanFrame f;
  f.id = id;
  f.len = static_cast<uint8_t>(data.size());
  for (size_t i = 0; i < data.size(); ++i) f.data[i] = data[i];
  return f;
}

bool SameFrame(const tCanFrame &a, const tCanFrame &b) {
  return a.id == b.id && a.len == b.len && memcmp(a.data, b.data, a.len) == 0;
}

tLawicelParsed Parse(const std::string &line) {
  return LawicelParseLine(line.data(), line.size());
}

std::string Format(const tCanFrame &f) {
  char buf[kLawicelFrameLineSize];
  int n = LawicelFormatFrame(f, buf, sizeof(buf));
  return n < 0 ? std::string("<fail>") : std::string(buf, static_cast<size_t>(n));
}

}  // namespace

TEST(LawicelCodec, FormatsExtendedFrames) {
  EXPECT_EQ(Format(MakeFrame(0x18EEFF23, {1, 2, 3, 4, 5, 6, 7, 8})),
            "T18EEFF2380102030405060708\r");
  EXPECT_EQ(Format(MakeFrame(0x1, {})), "T000000010\r");
  EXPECT_EQ(Format(MakeFrame(0x1FFFFFFF, {0xAB, 0x0C})), "T1FFFFFFF2AB0C\r");

  char buf[kLawicelFrameLineSize];
  tCanFrame f = MakeFrame(0x0DF01000, {0xFF});
  EXPECT_EQ(LawicelFormatFrameStamped(f, 0xEA5F, buf, sizeof(buf)), 17);
  EXPECT_EQ(std::string(buf, 17), "T0DF010001FFEA5F\r");

  // Bounded: one byte short fails and writes nothing past the buffer.
  tCanFrame full = MakeFrame(0x18EEFF23, {1, 2, 3, 4, 5, 6, 7, 8});
  char tight[28];
  memset(tight, '#', sizeof(tight));
  EXPECT_EQ(LawicelFormatFrame(full, tight, 26), -1);
  EXPECT_EQ(tight[26], '#');
  EXPECT_EQ(LawicelFormatFrame(full, tight, 27), 27);
  EXPECT_EQ(LawicelFormatFrameStamped(full, 0, buf, 30), -1);
  EXPECT_EQ(LawicelFormatFrameStamped(full, 0, buf, 31), 31);

  tCanFrame tooLong;
  tooLong.len = 9;
  EXPECT_EQ(LawicelFormatFrame(tooLong, buf, sizeof(buf)), -1);
}

TEST(LawicelCodec, ParsesFramesAndClassifiesEveryOtherLine) {
  struct Case {
    const char *line;
    tLawicelLine kind;
    uint8_t arg;
  };
  const Case cases[] = {
      {"T18EEFF2380102030405060708", tLawicelLine::kFrame, 0},
      {"T0DF010000", tLawicelLine::kFrame, 0},      // no data
      {"T0DF0100001234", tLawicelLine::kFrame, 0},  // no data, timestamp
      {"", tLawicelLine::kOk, 0},
      {"z", tLawicelLine::kTxAck, 0},
      {"Z", tLawicelLine::kTxAck, 0},
      {"\a", tLawicelLine::kBell, 0},
      {"O", tLawicelLine::kOpen, 0},
      {"L", tLawicelLine::kListenOnly, 0},
      {"C", tLawicelLine::kClose, 0},
      {"S0", tLawicelLine::kBitrate, 0},
      {"S5", tLawicelLine::kBitrate, 5},
      {"S8", tLawicelLine::kBitrate, 8},
      {"V", tLawicelLine::kVersion, 0},
      {"v", tLawicelLine::kVersionDetail, 0},
      {"N", tLawicelLine::kSerial, 0},
      {"F", tLawicelLine::kStatusFlags, 0},
      {"Z0", tLawicelLine::kTimestamps, 0},
      {"Z1", tLawicelLine::kTimestamps, 1},
      {"T18EEFF238010203040506070G", tLawicelLine::kBadHex, 0},  // data
      {"T18EEFG2380102030405060708", tLawicelLine::kBadHex, 0},  // id
      {"T18EEFF23G", tLawicelLine::kBadHex, 0},                  // length digit
      {"T0DF010001FFEA5G", tLawicelLine::kBadHex, 0},            // timestamp
      {"T18EEFF23901020304050607080900", tLawicelLine::kBadLength, 0},
      {"T18EEFF23F", tLawicelLine::kBadLength, 0},
      {"T20000000100", tLawicelLine::kBadId, 0},
      {"TFFFFFFFF100", tLawicelLine::kBadId, 0},
      {"T", tLawicelLine::kBadLineLength, 0},
      {"T18EEFF23", tLawicelLine::kBadLineLength, 0},
      {"T18EEFF238010203040506070", tLawicelLine::kBadLineLength, 0},    // a digit short
      {"T18EEFF23801020304050607080", tLawicelLine::kBadLineLength, 0},  // a digit over
      {"T18EEFF2380102030405060708123", tLawicelLine::kBadLineLength, 0},
      {"T18EEFF238010203040506070812345", tLawicelLine::kBadLineLength, 0},
      {"t12380102030405060708", tLawicelLine::kStandardFrame, 0},
      {"R18EEFF230", tLawicelLine::kRemoteFrame, 0},
      {"r1230", tLawicelLine::kRemoteFrame, 0},
      {"S9", tLawicelLine::kUnknown, 0},
      {"Z2", tLawicelLine::kUnknown, 0},
      {"V1013", tLawicelLine::kUnknown, 0},  // a reply to V is no command
  };
  for (const Case &c : cases) {
    tLawicelParsed p = Parse(c.line);
    EXPECT_EQ(p.kind, c.kind) << c.line;
    EXPECT_EQ(p.arg, c.arg) << c.line;
  }
  EXPECT_EQ(Parse(std::string("T18EEFF23\0", 10)).kind, tLawicelLine::kBadHex);

  // Lower-case hex, largest id, and a timestamp that is not taken for data.
  tLawicelParsed p = Parse("T1fffffff2ab0cEA5F");
  ASSERT_EQ(p.kind, tLawicelLine::kFrame);
  EXPECT_TRUE(SameFrame(p.frame, MakeFrame(0x1FFFFFFF, {0xAB, 0x0C})));
}

TEST(LawicelCodec, FormatParseRoundTrip) {
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  char buf[kLawicelFrameLineSize];
  for (int i = 0; i < 2000; ++i) {
    tCanFrame f;
    f.id = next() & kCanIdMask;
    f.len = static_cast<uint8_t>(next() % 9);
    for (int b = 0; b < f.len; ++b) f.data[b] = static_cast<uint8_t>(next());
    int n = i % 2 ? LawicelFormatFrameStamped(f, static_cast<uint16_t>(next()), buf, sizeof(buf))
                  : LawicelFormatFrame(f, buf, sizeof(buf));
    ASSERT_GT(n, 0);
    ASSERT_EQ(buf[n - 1], '\r');
    tLawicelParsed p = LawicelParseLine(buf, static_cast<size_t>(n - 1));
    ASSERT_EQ(p.kind, tLawicelLine::kFrame) << std::string(buf, static_cast<size_t>(n));
    ASSERT_TRUE(SameFrame(p.frame, f)) << std::string(buf, static_cast<size_t>(n));
  }
}

// The node's transport and the simulator's adapter over a real pty pair.
class LawicelLink : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(adapter_.OpenNewPty());
    node_.reset(new tLawicelTransport(adapter_.PeerPath()));
  }

  // Moves bytes both ways until done() holds; false if it never does within a few
  // seconds (a guard against hanging, not a speed check).
  template <typename Done>
  bool PumpUntil(Done done) {
    for (int round = 0; round < 5000; ++round) {
      tCanFrame f;
      tCanIo io;
      while ((io = adapter_.Receive(f)) == tCanIo::kOk) fromNode_.push_back(f);
      adapterLastIo_ = io;
      if (node_->IsOpen()) {
        while (node_->Read(f) == tCanIo::kOk) toNode_.push_back(f);
      }
      if (done()) return true;
      struct pollfd fds[2] = {{adapter_.Fd(), POLLIN, 0}, {node_->Fd(), POLLIN, 0}};
      poll(fds, node_->IsOpen() ? 2 : 1, 1);
    }
    return false;
  }

  void OpenNode() {
    ASSERT_TRUE(node_->Open());
    ASSERT_TRUE(PumpUntil([&] { return adapter_.ChannelOpen() && node_->TxPending() == 0; }));
  }

  tLawicelAdapterLink adapter_;
  std::unique_ptr<tLawicelTransport> node_;
  std::vector<tCanFrame> fromNode_, toNode_;
  tCanIo adapterLastIo_ = tCanIo::kNone;
};

TEST_F(LawicelLink, OpenHandshakeThenFramesBothWays) {
  // The adapter forwards nothing before the node opens the channel.
  EXPECT_EQ(adapter_.Send(MakeFrame(0x18EEFF23, {1})), tCanIo::kError);
  EXPECT_EQ(adapter_.Stats().droppedClosed, 1u);

  OpenNode();
  EXPECT_EQ(adapter_.Bitrate(), 5);
  EXPECT_FALSE(adapter_.ListenOnly());
  EXPECT_EQ(adapter_.Stats().commands, 4u);  // C, S5, O, F
  EXPECT_EQ(adapter_.Stats().refused, 0u);

  tCanFrame out = MakeFrame(0x09F80123, {0xDE, 0xAD, 0xBE, 0xEF});
  ASSERT_EQ(node_->Write(out), tCanIo::kOk);
  tCanFrame in = MakeFrame(0x18EAFF05, {0x00, 0xEE, 0x00});
  ASSERT_EQ(adapter_.Send(in), tCanIo::kOk);
  ASSERT_TRUE(PumpUntil([&] { return fromNode_.size() == 1 && toNode_.size() == 1; }));
  EXPECT_TRUE(SameFrame(fromNode_[0], out));
  EXPECT_TRUE(SameFrame(toNode_[0], in));

  // Replies ("\r" x3, "Z") were consumed, not taken for bad input.
  ASSERT_TRUE(PumpUntil([&] { return adapter_.TxPending() == 0; }));
  EXPECT_EQ(node_->Stats().rxDropped, 0u);
  EXPECT_EQ(node_->Stats().txErrors, 0u);
  EXPECT_EQ(node_->Stats().txFrames, 1u);

  tCanFrame tooLong;
  tooLong.len = 9;
  EXPECT_EQ(node_->Write(tooLong), tCanIo::kError);
  EXPECT_EQ(node_->Stats().txErrors, 1u);
}

TEST_F(LawicelLink, BurstOfThousandFramesEachWayLosesNone) {
  OpenNode();
  const int kFrames = 1000;
  auto frameNo = [](int i) {
    return MakeFrame(0x0DF11900u + static_cast<uint32_t>(i & 0xff),
                     {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 3, 4, 5, 6, 7, 8});
  };
  int sentByNode = 0, sentByAdapter = 0;
  ASSERT_TRUE(PumpUntil([&] {
    while (sentByNode < kFrames && node_->Write(frameNo(sentByNode)) == tCanIo::kOk) ++sentByNode;
    while (sentByAdapter < kFrames && adapter_.Send(frameNo(sentByAdapter)) == tCanIo::kOk) {
      ++sentByAdapter;
    }
    return fromNode_.size() == kFrames && toNode_.size() == kFrames;
  }));
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_TRUE(SameFrame(fromNode_[i], frameNo(i))) << i;
    ASSERT_TRUE(SameFrame(toNode_[i], frameNo(i))) << i;
  }
  EXPECT_EQ(node_->Stats().rxDropped, 0u);
  EXPECT_EQ(adapter_.Stats().framesFromNode, static_cast<uint32_t>(kFrames));
}

TEST_F(LawicelLink, GarbageIsDroppedAndCountedAndTheNextFrameArrives) {
  OpenNode();
  const char *bad[] = {
      "T18EEFF239000000000000000000",  // length 9
      "T18EEFF2380102",                // too short for its length
      "T18EEFF23801020304050607080",   // one digit too many
      "T2000000000",                   // 30-bit id
      "T18EEFF231ZZ",                  // bad hex
      "t12380102030405060708",         // standard frame
      "R18EEFF230",                    // remote frame
      "hello",
  };
  for (const char *line : bad) ASSERT_TRUE(adapter_.SendRawLine(line));
  std::string overlong(300, '7');  // no terminator for far too long
  ASSERT_TRUE(adapter_.SendRawLine(overlong.c_str()));
  ASSERT_TRUE(adapter_.SendRaw("\a", 1));                 // adapter error reply
  ASSERT_TRUE(adapter_.SendRaw("T18EEFF23142\r\n", 14));  // CR LF tolerated
  tCanFrame good = MakeFrame(0x18EEFF23, {0x42});

  ASSERT_TRUE(PumpUntil([&] { return toNode_.size() == 1; }));
  EXPECT_TRUE(SameFrame(toNode_[0], good));
  EXPECT_EQ(node_->Stats().rxDropped, 9u);
  EXPECT_EQ(node_->Stats().txErrors, 1u);  // the BEL

  // Frames keep flowing afterwards.
  ASSERT_EQ(adapter_.Send(good), tCanIo::kOk);
  ASSERT_TRUE(PumpUntil([&] { return toNode_.size() == 2; }));
}

TEST_F(LawicelLink, AdapterRefusesWhatARealAdapterRefuses) {
  // Raw commands typed at the adapter's pty, as a terminal user would.
  int fd = open(adapter_.PeerPath(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  std::string replies;
  auto exchange = [&](const char *text) {
    replies.clear();
    ASSERT_EQ(write(fd, text, strlen(text)), static_cast<ssize_t>(strlen(text)));
    tCanFrame f;
    for (int i = 0; i < 200; ++i) {
      while (adapter_.Receive(f) == tCanIo::kOk) fromNode_.push_back(f);
      char buf[256];
      ssize_t n = read(fd, buf, sizeof(buf));
      if (n > 0) replies.append(buf, static_cast<size_t>(n));
      if (n <= 0 && !replies.empty() && adapter_.TxPending() == 0) return;
      poll(nullptr, 0, 1);
    }
  };
  exchange("T18EEFF2300\r");  // channel closed
  EXPECT_EQ(replies, "\a");
  exchange("Z1\rS4\rV\rN\rF\rQ\r");  // no status flags while closed
  EXPECT_EQ(replies, "\r\rV1013\rNTW01\r\a\a");
  exchange("O\rS5\rO\rF\r");  // bit rate and second open refused while open
  EXPECT_EQ(replies, "\r\a\aF00\r");
  EXPECT_EQ(adapter_.Bitrate(), 4);
  EXPECT_TRUE(adapter_.Timestamps());
  exchange("T18EEFF23155\r");
  EXPECT_EQ(replies, "Z\r");
  ASSERT_EQ(fromNode_.size(), 1u);
  EXPECT_TRUE(SameFrame(fromNode_[0], MakeFrame(0x18EEFF23, {0x55})));
  exchange("C\rL\rT18EEFF2300\r");  // listen-only: nothing transmitted
  EXPECT_EQ(replies, "\r\r\a");
  EXPECT_TRUE(adapter_.ListenOnly());
  close(fd);
}

TEST_F(LawicelLink, AdapterResetClosesTheChannelUntilTheNodeOpensItAgain) {
  OpenNode();
  adapter_.ResetChannel();
  EXPECT_FALSE(adapter_.ChannelOpen());
  EXPECT_EQ(adapter_.Bitrate(), -1);
  // The node's frames are refused with BEL, frames for it are dropped.
  ASSERT_EQ(node_->Write(MakeFrame(0x18EEFF23, {1})), tCanIo::kOk);
  ASSERT_TRUE(PumpUntil([&] { return node_->Stats().txErrors == 1; }));
  EXPECT_TRUE(fromNode_.empty());
  EXPECT_EQ(adapter_.Send(MakeFrame(0x18EEFF42, {2})), tCanIo::kError);
  EXPECT_EQ(adapter_.Stats().resets, 1u);

  // Its open sequence brings the channel back.
  node_->Close();
  OpenNode();
  ASSERT_EQ(node_->Write(MakeFrame(0x18EEFF23, {3})), tCanIo::kOk);
  ASSERT_EQ(adapter_.Send(MakeFrame(0x18EEFF42, {4})), tCanIo::kOk);
  ASSERT_TRUE(PumpUntil([&] { return fromNode_.size() == 1 && toNode_.size() == 1; }));
  EXPECT_EQ(fromNode_[0].data[0], 3);
  EXPECT_EQ(toNode_[0].data[0], 4);
}

TEST_F(LawicelLink, LinkLossGivesGoneAndReopenWorks) {
  OpenNode();
  // The node goes away: the adapter notices and closes its channel.
  node_->Close();
  ASSERT_TRUE(PumpUntil([&] { return adapterLastIo_ == tCanIo::kGone; }));
  EXPECT_FALSE(adapter_.ChannelOpen());
  EXPECT_EQ(adapter_.Stats().peerGone, 1u);

  // It comes back, as after its one-second reopen.
  OpenNode();
  EXPECT_EQ(node_->Stats().reopens, 1u);
  ASSERT_EQ(node_->Write(MakeFrame(0x18EEFF23, {7})), tCanIo::kOk);
  ASSERT_TRUE(PumpUntil([&] { return fromNode_.size() == 1; }));

  // The adapter goes away (unplugged): reads and writes say so, and reopening fails
  // while it is gone.
  adapter_.Close();
  tCanFrame f;
  EXPECT_EQ(node_->Read(f), tCanIo::kGone);
  EXPECT_EQ(node_->Write(f), tCanIo::kGone);
  node_->Close();
  EXPECT_FALSE(node_->Open());
  EXPECT_EQ(node_->Read(f), tCanIo::kGone);
}

TEST(LawicelTransport, RefusesWhatIsNotAUsableTty) {
  std::string longPath = "/" + std::string(tLawicelTransport::kMaxPathLen, 'x');
  const char *paths[] = {"/dev/tidewire-no-such-tty", "/dev/null", longPath.c_str(), nullptr};
  for (const char *path : paths) {
    tLawicelTransport t(path);
    EXPECT_FALSE(t.Open()) << (path ? path : "null");
    EXPECT_EQ(t.Fd(), -1);
    tCanFrame f;
    EXPECT_EQ(t.Read(f), tCanIo::kGone);
    EXPECT_EQ(t.Write(f), tCanIo::kGone);
  }
}
