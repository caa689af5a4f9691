#include "LawicelAdapter.h"

#include <cstring>

#include "N2kTime.h"

namespace {

constexpr char kOkReply[] = "\r";
constexpr char kTxAckReply[] = "Z\r";
constexpr char kBellReply[] = "\a";
constexpr char kVersionReply[] = "V1013\r";
constexpr char kVersionDetailReply[] = "vTIDEWIRE-SIM 1.0\r";
constexpr char kSerialReply[] = "NTW01\r";
constexpr char kStatusReply[] = "F00\r";
// Room kept free in the output so any one reply fits.
constexpr size_t kMaxReply = 32;
// Adapters count timestamps in milliseconds, wrapping each minute.
constexpr uint32_t kTimestampWrap = 60000;
constexpr int kMaxFillsPerReceive = 4;

}  // namespace

tLawicelAdapterLink::~tLawicelAdapterLink() {
  Close();
}

bool tLawicelAdapterLink::Open(const char *path) {
  Close();
  return tty_.Open(path);
}

bool tLawicelAdapterLink::OpenNewPty() {
  Close();
  return tty_.OpenNewPty(peerPath_, sizeof(peerPath_));
}

void tLawicelAdapterLink::Close() {
  tty_.Close();
  peerPath_[0] = '\0';
  peerPresent_ = false;
  channelOpen_ = listenOnly_ = timestamps_ = false;
  bitrate_ = -1;
}

// What was queued for the node, and its half-sent line, means nothing to a node that
// comes back: it starts over with its open sequence.
void tLawicelAdapterLink::PeerGone() {
  if (peerPresent_) stats_.peerGone++;
  peerPresent_ = false;
  channelOpen_ = listenOnly_ = false;
  tty_.DropBuffered();
}

tCanIo tLawicelAdapterLink::Receive(tCanFrame &frame) {
  if (!tty_.IsOpen()) return tCanIo::kGone;
  if (TxPending() > 0 && Flush() == tCanIo::kGone) return tCanIo::kGone;

  for (int fills = 0;;) {
    while (tty_.RxPending() > 0) {
      if (TxFree() < kMaxReply) {
        if (Flush() == tCanIo::kGone) return tCanIo::kGone;
        if (TxFree() < kMaxReply) return tCanIo::kNone;  // the node is not reading
      }
      switch (tty_.FeedNext()) {
        case tLawicelLineReader::tEvent::kLine:
          if (HandleLine(tty_.Line(), tty_.LineLength(), frame)) return tCanIo::kOk;
          break;
        case tLawicelLineReader::tEvent::kDiscarded:
          Refuse();
          break;
        case tLawicelLineReader::tEvent::kBell:
        case tLawicelLineReader::tEvent::kNone:
          break;
      }
    }
    if (fills++ == kMaxFillsPerReceive) break;
    tCanIo filled = tty_.Fill();
    // Would-block, unlike a hang-up, means the node's end is open.
    if (filled == tCanIo::kOk || filled == tCanIo::kNone) peerPresent_ = true;
    if (filled == tCanIo::kOk) continue;
    if (filled == tCanIo::kNone) break;
    if (filled == tCanIo::kGone) {
      PeerGone();
      return tCanIo::kGone;
    }
    return tCanIo::kError;
  }
  // Answers go out now rather than on the next call, which may be a poll timeout away.
  return Flush() == tCanIo::kGone ? tCanIo::kGone : tCanIo::kNone;
}

bool tLawicelAdapterLink::HandleLine(const char *line, size_t len, tCanFrame &frame) {
  tLawicelParsed parsed = LawicelParseLine(line, len);
  switch (parsed.kind) {
    case tLawicelLine::kOk:
      break;  // the node's "\r\r\r" flush: nothing to answer
    case tLawicelLine::kFrame:
      if (!channelOpen_ || listenOnly_) {
        Refuse();
        break;
      }
      frame = parsed.frame;
      stats_.framesFromNode++;
      Queue(kTxAckReply, sizeof(kTxAckReply) - 1);
      return true;
    case tLawicelLine::kOpen:
    case tLawicelLine::kListenOnly:
      if (channelOpen_) {
        Refuse();
        break;
      }
      channelOpen_ = true;
      listenOnly_ = parsed.kind == tLawicelLine::kListenOnly;
      Reply(kOkReply);
      break;
    case tLawicelLine::kClose:
      channelOpen_ = listenOnly_ = false;
      Reply(kOkReply);
      break;
    case tLawicelLine::kBitrate:
    case tLawicelLine::kTimestamps:
      if (channelOpen_) {
        Refuse();
        break;
      }
      if (parsed.kind == tLawicelLine::kBitrate) {
        bitrate_ = parsed.arg;
      } else {
        timestamps_ = parsed.arg != 0;
      }
      Reply(kOkReply);
      break;
    case tLawicelLine::kVersion:
      Reply(kVersionReply);
      break;
    case tLawicelLine::kVersionDetail:
      Reply(kVersionDetailReply);
      break;
    case tLawicelLine::kSerial:
      Reply(kSerialReply);
      break;
    case tLawicelLine::kStatusFlags:
      if (!channelOpen_) {
        Refuse();
        break;
      }
      Reply(kStatusReply);
      break;
    default:
      // Standard and remote frames too: the simulated bus is extended-id only.
      Refuse();
      break;
  }
  return false;
}

void tLawicelAdapterLink::ResetChannel() {
  stats_.resets++;
  channelOpen_ = listenOnly_ = timestamps_ = false;
  bitrate_ = -1;
}

void tLawicelAdapterLink::Reply(const char *text) {
  stats_.commands++;
  Queue(text, strlen(text));
}

void tLawicelAdapterLink::Refuse() {
  stats_.refused++;
  Queue(kBellReply, sizeof(kBellReply) - 1);
}

tCanIo tLawicelAdapterLink::Send(const tCanFrame &frame) {
  if (!tty_.IsOpen()) return tCanIo::kGone;
  if (!channelOpen_) {
    stats_.droppedClosed++;
    return tCanIo::kError;
  }
  char line[kLawicelFrameLineSize];
  int len = timestamps_
                ? LawicelFormatFrameStamped(frame, static_cast<uint16_t>(millis() % kTimestampWrap),
                                            line, sizeof(line))
                : LawicelFormatFrame(frame, line, sizeof(line));
  if (len < 0) return tCanIo::kError;
  // Keep room for replies, so a stream of frames cannot starve the node's commands.
  if (TxFree() < static_cast<size_t>(len) + kMaxReply) {
    tCanIo flushed = Flush();
    if (flushed == tCanIo::kGone) return flushed;
    if (TxFree() < static_cast<size_t>(len) + kMaxReply) return tCanIo::kNone;
  }
  Queue(line, static_cast<size_t>(len));
  stats_.framesToNode++;
  tCanIo flushed = Flush();
  return flushed == tCanIo::kGone ? flushed : tCanIo::kOk;
}

bool tLawicelAdapterLink::SendRaw(const char *data, size_t len) {
  if (!tty_.IsOpen() || (len > 0 && data == nullptr)) return false;
  if (!Queue(data, len)) {
    if (Flush() == tCanIo::kGone || !Queue(data, len)) return false;
  }
  stats_.rawWrites++;
  Flush();
  return true;
}

bool tLawicelAdapterLink::SendRawLine(const char *text) {
  if (text == nullptr) return false;
  size_t len = strlen(text);
  if (TxFree() < len + 1) Flush();
  if (!tty_.IsOpen() || TxFree() < len + 1) return false;
  Queue(text, len);
  Queue("\r", 1);
  stats_.rawWrites++;
  Flush();
  return true;
}

// A hang-up while writing is the node going away, as on reading; a link this side
// closed is not.
tCanIo tLawicelAdapterLink::Flush() {
  tCanIo flushed = tty_.Flush();
  if (flushed == tCanIo::kGone && tty_.IsOpen()) PeerGone();
  if (flushed == tCanIo::kError) stats_.writeErrors++;
  return flushed;
}
