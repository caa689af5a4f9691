#include "RawBroadcast.h"

#include "Console.h"

namespace {
constexpr int kRawLogLevel = 4;
constexpr uint32_t kPortMask = 0xffff;
}  // namespace

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

void tRawBroadcast::ForwardMsg(const tN2kMsg &msg, uint32_t now) {
  if (settings_.udpPort == -1 && settings_.udpTimedPort == -1) return;
  if (!link_.Open()) return;
  if (!targets_.Get(link_, now)) return;

  if (settings_.udpPort != -1) {
    FormatRawLines(msg, node_.GetN2kSource(0), lines_);
    SendLines(msg, settings_.udpPort);
  }
  if (settings_.udpTimedPort != -1) {
    FormatTimedRawLines(msg, node_.GetN2kSource(0),
                        static_cast<uint32_t>(clock_.TimeMs() % kRawMsPerDay), lines_);
    SendLines(msg, settings_.udpTimedPort);
  }
}

void tRawBroadcast::SendLines(const tN2kMsg &msg, int udpPort) {
  const uint16_t port = static_cast<uint16_t>(udpPort & kPortMask);
  tRawDatagram datagrams[tRawTargets::kMaxTargets];
  for (int k = 0; k < lines_.count; k++) {
    const int n = targets_.Count();
    for (int t = 0; t < n; t++)
      datagrams[t] = {lines_.text[k], static_cast<size_t>(lines_.length[k]), targets_.Targets()[t]};
    dropped_ += static_cast<uint64_t>(link_.Send(datagrams, n, port));
    if (!console_.Logging(kRawLogLevel)) continue;
    if (lines_.fastPacket)
      StreamPrintf(&console_, "PackNSendRAW2(%d):%d %s", static_cast<int>(msg.PGN), k,
                   lines_.text[k]);
    else
      StreamPrintf(&console_, "PackNSendRAW1(%d): %s", static_cast<int>(msg.PGN), lines_.text[k]);
  }
}
