// Frames to messages: fast packets and BAM broadcasts from a few senders, in any order,
// with any lengths, counters and gaps in time, into a fixed number of buffers.
#include <fuzzer/FuzzedDataProvider.h>

#include "BamReceiver.h"
#include "FastPacket.h"
#include "FuzzCheck.h"
#include "N2kGroupMessages.h"

namespace {
// Product information (a fast packet), TP.CM and TP.DT, a single-frame PGN.
constexpr uint32_t kPgns[] = {kPgnProductInformation, kPgnIsoTpControl, kPgnIsoTpData,
                              kPgnBatteryStatus};

tCanFrame NextFrame(FuzzedDataProvider &in) {
  const uint32_t pgn = kPgns[in.ConsumeIntegralInRange<size_t>(0, 3)];
  const uint8_t source = in.ConsumeIntegralInRange<uint8_t>(0, 3);
  const uint8_t destination = in.ConsumeBool() ? kN2kGlobalAddress : source;
  tCanFrame f;
  f.id = tCanId::Make(in.ConsumeIntegralInRange<uint8_t>(0, 7), pgn, destination, source).Raw();
  f.len = in.ConsumeIntegralInRange<uint8_t>(0, kCanMaxDataLen);
  for (int i = 0; i < f.len; i++) f.data[i] = in.ConsumeIntegral<uint8_t>();
  return f;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  const size_t slots = in.ConsumeIntegralInRange<size_t>(1, 8);
  tFastPacketAssembler fast(slots);
  tBamReceiver bam;
  uint32_t now = in.ConsumeIntegral<uint32_t>();  // anywhere, the wrap included
  while (in.remaining_bytes() > 0) {
    now += in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 2000) : 0;
    const tCanFrame f = NextFrame(in);
    const uint32_t pgn = f.Id().PGN();
    tN2kMsg msg;
    if (pgn == kPgnIsoTpControl) {
      bam.HandleControl(f, now);
    } else if (pgn == kPgnIsoTpData) {
      if (bam.HandleData(f, now, msg) == tBamReceiver::tResult::kComplete) {
        FUZZ_CHECK(msg.DataLen >= 1 && msg.DataLen <= kN2kMaxDataLen);
        FUZZ_CHECK(msg.Source == f.Id().Source() && msg.PGN <= 0x3ffff);
      }
    } else if (IsDefaultFastPacketMessage(pgn)) {
      if (fast.Add(f, now, msg) == tFastPacketAssembler::tResult::kComplete) {
        FUZZ_CHECK(msg.DataLen >= 0 && msg.DataLen <= kN2kMaxDataLen);
        FUZZ_CHECK(msg.PGN == pgn && msg.Source == f.Id().Source());
      }
    }
    FUZZ_CHECK(fast.InUse() <= slots);
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0) {
      fast.Expire(now);
      bam.Expire(now);
    }
  }
  return 0;
}
