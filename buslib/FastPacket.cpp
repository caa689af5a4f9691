#include "FastPacket.h"

#include <cstring>

#include "N2kTime.h"

int FastPacketFrameCount(int dataLen) {
  if (dataLen <= 6) return 1;
  return 1 + (dataLen - 6 + 6) / 7;
}

int FastPacketEncode(const tN2kMsg &msg, uint8_t sequence, uint8_t source, tCanFrame *frames,
                     int maxFrames) {
  if (msg.DataLen < 0 || msg.DataLen > kN2kMaxDataLen) return 0;
  int count = FastPacketFrameCount(msg.DataLen);
  if (count > maxFrames) return 0;
  uint32_t id = tCanId::Make(msg.Priority, msg.PGN, msg.Destination, source).Raw();
  int pos = 0;
  for (int k = 0; k < count; k++) {
    tCanFrame &f = frames[k];
    f.id = id;
    f.len = 8;
    std::memset(f.data, 0xff, sizeof(f.data));
    f.data[0] = static_cast<uint8_t>(((sequence & 7) << 5) | k);
    int at = 1;
    if (k == 0) f.data[at++] = static_cast<uint8_t>(msg.DataLen);
    while (at < 8 && pos < msg.DataLen) f.data[at++] = msg.Data[pos++];
  }
  return count;
}

tFastPacketAssembler::tFastPacketAssembler(size_t slots)
    : slots_(slots ? new tSlot[slots] : nullptr), count_(slots) {}

size_t tFastPacketAssembler::InUse() const {
  size_t n = 0;
  for (size_t i = 0; i < count_; i++) n += slots_[i].used ? 1 : 0;
  return n;
}

tFastPacketAssembler::tSlot *tFastPacketAssembler::Find(uint8_t source, uint32_t pgn) {
  for (size_t i = 0; i < count_; i++)
    if (slots_[i].used && slots_[i].source == source && slots_[i].pgn == pgn) return &slots_[i];
  return nullptr;
}

tFastPacketAssembler::tSlot *tFastPacketAssembler::Allocate(uint32_t now) {
  Expire(now);
  for (size_t i = 0; i < count_; i++)
    if (!slots_[i].used) return &slots_[i];
  return nullptr;
}

void tFastPacketAssembler::Expire(uint32_t now) {
  for (size_t i = 0; i < count_; i++) {
    if (slots_[i].used && N2kElapsed(now, slots_[i].lastTime, kFastPacketTimeoutMs + 1)) {
      slots_[i].used = false;
      stats_.timeouts++;
    }
  }
}

void tFastPacketAssembler::Deliver(const tSlot &slot, uint32_t now, tN2kMsg &out) {
  out.SetPGN(slot.pgn, slot.priority);
  out.Source = slot.source;
  out.Destination = slot.destination;
  std::memcpy(out.Data, slot.data, slot.length);
  out.DataLen = slot.length;
  out.MsgTime = now;
}

tFastPacketAssembler::tResult tFastPacketAssembler::Add(const tCanFrame &frame, uint32_t now,
                                                        tN2kMsg &out) {
  tCanId id = frame.Id();
  if (frame.len < 1 || frame.len > kCanMaxDataLen) {
    stats_.badLength++;
    return tResult::kDropped;
  }
  const uint8_t sequence = frame.data[0] >> 5;
  const uint8_t counter = frame.data[0] & 0x1f;
  const uint8_t source = id.Source();
  const uint32_t pgn = id.PGN();
  tSlot *slot = Find(source, pgn);

  if (counter == 0) {
    if (slot != nullptr) {
      // A new first frame abandons whatever this sender had not finished.
      slot->used = false;
      stats_.lostFrames++;
    }
    if (frame.len < 2 || frame.data[1] > kN2kMaxDataLen) {
      stats_.badLength++;
      return tResult::kDropped;
    }
    const int length = frame.data[1];
    const int inFirst = frame.len - 2;
    if (length <= 6) {
      if (inFirst < length) {
        stats_.badLength++;
        return tResult::kDropped;
      }
      tSlot one;
      one.source = source;
      one.pgn = pgn;
      one.priority = id.Priority();
      one.destination = id.Destination();
      one.length = length;
      std::memcpy(one.data, frame.data + 2, length);
      Deliver(one, now, out);
      stats_.completed++;
      return tResult::kComplete;
    }
    // Later frames land at fixed offsets, so a short first frame cannot be placed.
    if (inFirst < 6) {
      stats_.badLength++;
      return tResult::kDropped;
    }
    slot = Allocate(now);
    if (slot == nullptr) {
      stats_.noSlot++;
      return tResult::kDropped;
    }
    slot->used = true;
    slot->source = source;
    slot->pgn = pgn;
    slot->sequence = sequence;
    slot->priority = id.Priority();
    slot->destination = id.Destination();
    slot->nextFrame = 1;
    slot->length = length;
    slot->received = 6;
    slot->lastTime = now;
    std::memcpy(slot->data, frame.data + 2, 6);
    return tResult::kPending;
  }

  if (slot == nullptr) {
    stats_.orphans++;
    return tResult::kDropped;
  }
  if (N2kElapsed(now, slot->lastTime, kFastPacketTimeoutMs + 1)) {
    slot->used = false;
    stats_.timeouts++;
    return tResult::kDropped;
  }
  if (slot->sequence != sequence) {
    // A frame of another message: the one in progress cannot be finished any more.
    slot->used = false;
    stats_.lostFrames++;
    return tResult::kDropped;
  }
  if (counter < slot->nextFrame) {
    stats_.repeated++;
    return tResult::kPending;
  }
  if (counter > slot->nextFrame) {
    slot->used = false;
    stats_.lostFrames++;
    return tResult::kDropped;
  }
  const int offset = 6 + 7 * (counter - 1);
  int want = slot->length - offset;
  if (want > 7) want = 7;
  if (want <= 0 || frame.len - 1 < want || offset + want > kN2kMaxDataLen) {
    slot->used = false;
    stats_.badLength++;
    return tResult::kDropped;
  }
  std::memcpy(slot->data + offset, frame.data + 1, want);
  slot->received = offset + want;
  slot->nextFrame++;
  slot->lastTime = now;
  if (slot->received < slot->length) return tResult::kPending;
  Deliver(*slot, now, out);
  slot->used = false;
  stats_.completed++;
  return tResult::kComplete;
}
