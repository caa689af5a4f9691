#include <gtest/gtest.h>

#include <vector>

#include "FastPacket.h"
#include "TestBus.h"

namespace {

const uint32_t kId127506From10 = 0x19F21210;  // priority 6, PGN 127506, source 0x10

tN2kMsg Payload(int len, uint8_t first = 0) {
  tN2kMsg m(0x10, 6, 127506, 0);
  for (int i = 0; i < len; i++) m.AddByte(static_cast<uint8_t>(first + i));
  return m;
}

std::vector<tCanFrame> Encode(const tN2kMsg &m, uint8_t seq, uint8_t src = 0x10) {
  std::vector<tCanFrame> f(kFastPacketMaxFrames);
  int n = FastPacketEncode(m, seq, src, f.data(), kFastPacketMaxFrames);
  f.resize(n);
  return f;
}

}  // namespace

TEST(FastPacketEncode, LaysOutFramesByHand) {
  tN2kMsg m = Payload(11, 0xA0);  // a0..aa
  auto f = Encode(m, 2);
  ASSERT_EQ(2u, f.size());
  const uint8_t f0[8] = {0x40, 0x0B, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
  const uint8_t f1[8] = {0x41, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xFF, 0xFF};
  EXPECT_EQ(kId127506From10, f[0].id);
  EXPECT_EQ(8, f[0].len);
  EXPECT_EQ(0, memcmp(f0, f[0].data, 8));
  EXPECT_EQ(0, memcmp(f1, f[1].data, 8));
}

TEST(FastPacketEncode, FrameCountsAtTheBoundaries) {
  EXPECT_EQ(1u, Encode(Payload(0), 0).size());
  EXPECT_EQ(1u, Encode(Payload(6), 0).size());
  EXPECT_EQ(2u, Encode(Payload(7), 0).size());
  EXPECT_EQ(2u, Encode(Payload(8), 0).size());
  EXPECT_EQ(2u, Encode(Payload(13), 0).size());
  EXPECT_EQ(3u, Encode(Payload(14), 0).size());
  auto big = Encode(Payload(223), 7);
  ASSERT_EQ(32u, big.size());
  EXPECT_EQ(0xFF, big[31].data[0]);  // sequence 7, frame 31
  EXPECT_EQ(0xD8, big[31].data[1]);  // bytes 216..222
  EXPECT_EQ(0xDE, big[31].data[7]);
  tN2kMsg tooLong = Payload(0);
  tooLong.DataLen = 224;
  EXPECT_EQ(0u, Encode(tooLong, 0).size());
}

TEST(FastPacketAssembler, RoundTripsEverySize) {
  for (int len : {0, 1, 6, 7, 8, 13, 14, 100, 222, 223}) {
    tFastPacketAssembler a(4);
    tN2kMsg in = Payload(len, 3);
    auto frames = Encode(in, len % 8);
    tN2kMsg out;
    tFastPacketAssembler::tResult r = tFastPacketAssembler::tResult::kPending;
    for (size_t i = 0; i < frames.size(); i++) {
      r = a.Add(frames[i], 100, out);
      if (i + 1 < frames.size()) {
        ASSERT_EQ(tFastPacketAssembler::tResult::kPending, r) << len;
      }
    }
    ASSERT_EQ(tFastPacketAssembler::tResult::kComplete, r) << len;
    EXPECT_EQ(len, out.DataLen);
    EXPECT_EQ(127506u, out.PGN);
    EXPECT_EQ(0x10, out.Source);
    EXPECT_EQ(6, out.Priority);
    EXPECT_EQ(0, memcmp(in.Data, out.Data, len)) << len;
    EXPECT_EQ(0u, a.InUse());
  }
}

TEST(FastPacketAssembler, LostRepeatedAndOutOfOrderFrames) {
  auto frames = Encode(Payload(30), 1);  // 5 frames
  ASSERT_EQ(5u, frames.size());
  tN2kMsg out;
  using R = tFastPacketAssembler::tResult;

  {  // a skipped frame drops the message; the rest of it is orphaned
    tFastPacketAssembler a(4);
    EXPECT_EQ(R::kPending, a.Add(frames[0], 0, out));
    EXPECT_EQ(R::kPending, a.Add(frames[1], 0, out));
    EXPECT_EQ(R::kDropped, a.Add(frames[3], 0, out));
    EXPECT_EQ(R::kDropped, a.Add(frames[4], 0, out));
    EXPECT_EQ(1u, a.Stats().lostFrames);
    EXPECT_EQ(1u, a.Stats().orphans);
    EXPECT_EQ(0u, a.Stats().completed);
  }
  {  // a repeated frame is ignored and the message still completes
    tFastPacketAssembler a(4);
    EXPECT_EQ(R::kPending, a.Add(frames[0], 0, out));
    EXPECT_EQ(R::kPending, a.Add(frames[1], 0, out));
    EXPECT_EQ(R::kPending, a.Add(frames[1], 0, out));
    for (int i = 2; i < 4; i++) EXPECT_EQ(R::kPending, a.Add(frames[i], 0, out));
    EXPECT_EQ(R::kComplete, a.Add(frames[4], 0, out));
    EXPECT_EQ(1u, a.Stats().repeated);
    EXPECT_EQ(30, out.DataLen);
  }
  {  // swapped frames: dropped, never delivered with the bytes in the wrong place
    tFastPacketAssembler a(4);
    a.Add(frames[0], 0, out);
    a.Add(frames[2], 0, out);
    a.Add(frames[1], 0, out);
    a.Add(frames[3], 0, out);
    EXPECT_EQ(R::kDropped, a.Add(frames[4], 0, out));
    EXPECT_EQ(0u, a.Stats().completed);
  }
  {  // a frame of the next message (other sequence id) ends the unfinished one
    tFastPacketAssembler a(4);
    auto next = Encode(Payload(30, 0x50), 2);
    a.Add(frames[0], 0, out);
    EXPECT_EQ(R::kDropped, a.Add(next[1], 0, out));
    EXPECT_EQ(0u, a.InUse());
  }
}

TEST(FastPacketAssembler, InterleavedSendersAndPgns) {
  tN2kMsg a1 = Payload(20, 0x10);
  tN2kMsg b1 = Payload(20, 0x80);
  tN2kMsg c1 = Payload(20, 0xC0);
  c1.PGN = 127513;
  auto fa = Encode(a1, 1, 0x10);
  auto fb = Encode(b1, 1, 0x20);  // same PGN and sequence, other sender
  auto fc = Encode(c1, 1, 0x10);  // same sender, other PGN
  tFastPacketAssembler asm_(4);
  tN2kMsg out;
  std::vector<tN2kMsg> done;
  for (size_t i = 0; i < fa.size(); i++)
    for (auto *fs : {&fa, &fb, &fc})
      if (asm_.Add((*fs)[i], 0, out) == tFastPacketAssembler::tResult::kComplete)
        done.push_back(out);
  ASSERT_EQ(3u, done.size());
  for (auto &m : done) {
    const tN2kMsg &want = m.Source == 0x20 ? b1 : (m.PGN == 127513 ? c1 : a1);
    EXPECT_EQ(0, memcmp(want.Data, m.Data, 20)) << int(m.Source) << " " << m.PGN;
  }
}

TEST(FastPacketAssembler, RejectsBadLengthsAndRunsOutOfBuffersSafely) {
  using R = tFastPacketAssembler::tResult;
  tFastPacketAssembler a(2);
  tN2kMsg out;
  // Announced length over 223.
  EXPECT_EQ(R::kDropped, a.Add(MakeFrame(kId127506From10, {0x00, 224, 1, 2, 3, 4, 5, 6}), 0, out));
  EXPECT_EQ(R::kDropped, a.Add(MakeFrame(kId127506From10, {0x00, 0xFF, 1, 2, 3, 4, 5, 6}), 0, out));
  // A first frame without the bytes it announces.
  EXPECT_EQ(R::kDropped, a.Add(MakeFrame(kId127506From10, {0x00, 5, 1, 2}), 0, out));
  EXPECT_EQ(R::kDropped, a.Add(MakeFrame(kId127506From10, {0x00}), 0, out));
  EXPECT_EQ(4u, a.Stats().badLength);
  // A short middle frame cannot be placed.
  EXPECT_EQ(R::kPending, a.Add(MakeFrame(kId127506From10, {0x00, 20, 1, 2, 3, 4, 5, 6}), 0, out));
  EXPECT_EQ(R::kDropped, a.Add(MakeFrame(kId127506From10, {0x01, 7, 8}), 0, out));
  // Two buffers: a third concurrent message is dropped, not written anywhere.
  for (uint8_t src : {1, 2, 3})
    a.Add(MakeFrame(0x19F21200 | src, {0x00, 20, 1, 2, 3, 4, 5, 6}), 0, out);
  EXPECT_EQ(1u, a.Stats().noSlot);
  EXPECT_EQ(2u, a.InUse());
}

TEST(FastPacketAssembler, StalledMessagesTimeOutAcrossTheClockWrap) {
  auto frames = Encode(Payload(20), 3);
  tFastPacketAssembler a(2);
  tN2kMsg out;
  const uint32_t start = 0xFFFFFF00u;  // the millisecond clock wraps during the message
  a.Add(frames[0], start, out);
  EXPECT_EQ(tFastPacketAssembler::tResult::kPending, a.Add(frames[1], start + 700, out));
  EXPECT_EQ(tFastPacketAssembler::tResult::kComplete, a.Add(frames[2], start + 1400, out));
  a.Add(frames[0], start, out);
  EXPECT_EQ(tFastPacketAssembler::tResult::kDropped,
            a.Add(frames[1], start + kFastPacketTimeoutMs + 1, out));
  EXPECT_EQ(1u, a.Stats().timeouts);
}
