#include "BamReceiver.h"

#include <cstring>

#include "N2kTime.h"

tBamReceiver::tSession *tBamReceiver::Find(uint8_t source) {
  for (auto &s : sessions_)
    if (s.used && s.source == source) return &s;
  return nullptr;
}

void tBamReceiver::Expire(uint32_t now) {
  for (auto &s : sessions_) {
    if (s.used && N2kElapsed(now, s.lastTime, kBamTimeoutMs + 1)) {
      s.used = false;
      stats_.timeouts++;
    }
  }
}

tBamReceiver::tResult tBamReceiver::HandleControl(const tCanFrame &frame, uint32_t now) {
  tCanId id = frame.Id();
  if (frame.len < 8 || frame.data[0] != kTpControlBam || id.Destination() != kN2kGlobalAddress) {
    stats_.ignored++;
    return tResult::kDropped;
  }
  const int size = frame.data[1] | (frame.data[2] << 8);
  const int packets = frame.data[3];
  const uint32_t pgn =
      frame.data[5] | (frame.data[6] << 8) | (static_cast<uint32_t>(frame.data[7] & 0x03) << 16);
  tSession *s = Find(id.Source());
  if (s != nullptr) s->used = false;  // a new announcement replaces an unfinished one
  // A message is at most 223 bytes here; the packet count must match the size exactly.
  if (size < 1 || size > kN2kMaxDataLen || packets != (size + 6) / 7) {
    stats_.badAnnounce++;
    return tResult::kDropped;
  }
  Expire(now);
  if (s == nullptr) {
    for (auto &c : sessions_)
      if (!c.used) {
        s = &c;
        break;
      }
  }
  if (s == nullptr) {
    stats_.noSlot++;
    return tResult::kDropped;
  }
  s->used = true;
  s->source = id.Source();
  s->priority = id.Priority();
  s->pgn = pgn;
  s->size = size;
  s->packets = static_cast<uint8_t>(packets);
  s->next = 1;
  s->lastTime = now;
  return tResult::kPending;
}

tBamReceiver::tResult tBamReceiver::HandleData(const tCanFrame &frame, uint32_t now, tN2kMsg &out) {
  tCanId id = frame.Id();
  if (id.Destination() != kN2kGlobalAddress) {
    stats_.ignored++;
    return tResult::kDropped;
  }
  tSession *s = Find(id.Source());
  if (s == nullptr) {
    stats_.orphans++;
    return tResult::kDropped;
  }
  if (N2kElapsed(now, s->lastTime, kBamTimeoutMs + 1)) {
    s->used = false;
    stats_.timeouts++;
    return tResult::kDropped;
  }
  if (frame.len < 2 || frame.data[0] != s->next) {
    s->used = false;
    stats_.sequenceErrors++;
    return tResult::kDropped;
  }
  const int offset = (s->next - 1) * 7;
  int want = s->size - offset;
  if (want > 7) want = 7;
  if (want <= 0 || want > frame.len - 1 || offset + want > kN2kMaxDataLen) {
    s->used = false;
    stats_.sequenceErrors++;
    return tResult::kDropped;
  }
  std::memcpy(s->data + offset, frame.data + 1, want);
  s->lastTime = now;
  if (s->next < s->packets) {
    s->next++;
    return tResult::kPending;
  }
  out.SetPGN(s->pgn, s->priority);
  out.Source = s->source;
  out.Destination = kN2kGlobalAddress;
  std::memcpy(out.Data, s->data, s->size);
  out.DataLen = s->size;
  out.MsgTime = now;
  s->used = false;
  stats_.completed++;
  return tResult::kComplete;
}
