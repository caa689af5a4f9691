#include "RawBroadcast.h"

#include "Console.h"
#include "ProcessObjects.h"
#include "RawLines.h"
#include "RunSettings.h"
#include "Runtime.h"

namespace {
constexpr int kRawLogLevel = 4;
constexpr uint32_t kPortMask = 0xffff;
}  // namespace

tRawTargets RawTargets;

bool tRawTargets::Get(tRawLink &link, uint32_t now) {
  if (valid_ && now - readAt_ < kRefreshMs) return true;
  const int n = link.ReadTargets(targets_, kMaxTargets);
  if (n < 0) {
    valid_ = false;
    return false;
  }
  count_ = n;
  valid_ = true;
  readAt_ = now;
  return true;
}

void PackNSendRAW(const tN2kMsg &msg) {
  if (RunSettings.udpPort == -1) return;
  if (!RawLink->Open()) return;
  if (!RawTargets.Get(*RawLink, Runtime->Millis())) return;

  static tRawLines lines;  // 2.6 kB, built once per message
  FormatRawLines(msg, NMEA2000.GetN2kSource(0), lines);
  const uint16_t port = static_cast<uint16_t>(RunSettings.udpPort & kPortMask);
  tRawDatagram datagrams[tRawTargets::kMaxTargets];
  for (int k = 0; k < lines.count; k++) {
    const int n = RawTargets.Count();
    for (int t = 0; t < n; t++)
      datagrams[t] = {lines.text[k], static_cast<size_t>(lines.length[k]), RawTargets.Targets()[t]};
    RawLink->Send(datagrams, n, port);
    if (RunSettings.debugLevel < kRawLogLevel) continue;
    if (lines.fastPacket)
      StreamPrintf(Console, "PackNSendRAW2(%d):%d %s", static_cast<int>(msg.PGN), k, lines.text[k]);
    else
      StreamPrintf(Console, "PackNSendRAW1(%d): %s", static_cast<int>(msg.PGN), lines.text[k]);
  }
}
