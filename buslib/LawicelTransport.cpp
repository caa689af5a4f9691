#include "LawicelTransport.h"

#include <cstring>

#include "N2kTime.h"

namespace {

// Flush a half-typed command, close the channel, 250 kbit/s, open, ask for the status
// flags (an adapter that answers will be asked again when the bus is quiet).
constexpr char kOpenSequence[] = "\r\r\rC\rS5\rO\rF\r";
constexpr char kStatusRequest[] = "F\r";
// Reads per Read() call before giving the loop back, so a flooding adapter cannot
// hold the node inside one call.
constexpr int kMaxFillsPerRead = 4;

}  // namespace

tLawicelTransport::tLawicelTransport(const char *path) {
  size_t len = path ? strnlen(path, kMaxPathLen + 1) : 0;
  pathOk_ = len > 0 && len <= kMaxPathLen;
  if (pathOk_) {
    memcpy(path_, path, len);
    path_[len] = '\0';
  } else {
    path_[0] = '\0';
  }
}

tLawicelTransport::~tLawicelTransport() {
  Close();
}

bool tLawicelTransport::Open() {
  if (tty_.IsOpen()) return true;
  if (!pathOk_ || !tty_.Open(path_)) return false;
  tty_.DiscardPending();  // frames from before this open are stale
  tty_.Queue(kOpenSequence, sizeof(kOpenSequence) - 1);
  if (Flush() == tCanIo::kGone) {
    Close();
    return false;
  }
  if (everOpened_) stats_.reopens++;
  everOpened_ = true;
  answered_ = false;
  bellRun_ = 0;
  probing_ = true;  // the "F" of the open sequence
  probeAt_ = 0;
  quietKnown_ = false;
  return true;
}

bool tLawicelTransport::Refused() {
  stats_.txErrors++;
  if (probing_) {
    probing_ = false;
    // Only an adapter that has answered "F" before says "closed" by refusing it.
    return statusAnswered_;
  }
  if (!answered_) return false;  // replies to the open sequence's empty lines, say
  return ++bellRun_ >= kBellsBeforeReopen;
}

tCanIo tLawicelTransport::Service(uint32_t now) {
  if (!tty_.IsOpen()) return tCanIo::kNone;
  if (heard_ || !quietKnown_) {
    quietSince_ = now;
    quietKnown_ = true;
    heard_ = false;
  }
  if (probing_) {
    if (probeAt_ == 0) probeAt_ = now;
    if (N2kElapsed(now, probeAt_, kProbeAnswerMs)) probing_ = false;  // no answer: ask later
    return tCanIo::kNone;
  }
  if (!statusAnswered_ || !N2kElapsed(now, quietSince_, kProbeIdleMs)) return tCanIo::kNone;
  if (!tty_.Queue(kStatusRequest, sizeof(kStatusRequest) - 1)) return tCanIo::kNone;
  probing_ = true;
  probeAt_ = now;
  quietSince_ = now;
  return Flush() == tCanIo::kGone ? tCanIo::kGone : tCanIo::kNone;
}

uint32_t tLawicelTransport::MsUntilDue(uint32_t now) const {
  if (!tty_.IsOpen()) return kN2kNeverDue;
  if (probing_) return probeAt_ == 0 ? 0 : N2kMsLeft(now, probeAt_, kProbeAnswerMs);
  if (!statusAnswered_) return kN2kNeverDue;
  return N2kMsLeft(now, quietSince_, kProbeIdleMs);
}

void tLawicelTransport::Close() {
  tty_.Close();
}

tCanIo tLawicelTransport::Read(tCanFrame &frame) {
  if (!tty_.IsOpen()) return tCanIo::kGone;
  if (TxPending() > 0 && Flush() == tCanIo::kGone) return tCanIo::kGone;

  for (int fills = 0;;) {
    while (tty_.RxPending() > 0) {
      heard_ = true;
      switch (tty_.FeedNext()) {
        case tLawicelLineReader::tEvent::kNone:
          break;
        case tLawicelLineReader::tEvent::kBell:
          if (Refused()) return tCanIo::kGone;
          break;
        case tLawicelLineReader::tEvent::kDiscarded:
          stats_.rxDropped++;
          break;
        case tLawicelLineReader::tEvent::kLine: {
          tLawicelParsed parsed = LawicelParseLine(tty_.Line(), tty_.LineLength());
          switch (parsed.kind) {
            case tLawicelLine::kFrame:
              Answered();
              frame = parsed.frame;
              stats_.rxFrames++;
              return tCanIo::kOk;
            case tLawicelLine::kOk:
            case tLawicelLine::kTxAck:
              Answered();
              break;
            case tLawicelLine::kStatusReply:
              Answered();
              statusAnswered_ = true;
              probing_ = false;
              break;
            case tLawicelLine::kBell:
              if (Refused()) return tCanIo::kGone;
              break;
            default:
              stats_.rxDropped++;
              break;
          }
          break;
        }
      }
    }
    if (fills++ == kMaxFillsPerRead || tty_.TakeDrained()) return tCanIo::kNone;
    tCanIo filled = Fill();
    if (filled != tCanIo::kOk) return filled;
  }
}

tCanIo tLawicelTransport::Write(const tCanFrame &frame) {
  if (!tty_.IsOpen()) return tCanIo::kGone;
  char line[kLawicelFrameLineSize];
  int len = LawicelFormatFrame(frame, line, sizeof(line));
  if (len < 0) {
    stats_.txErrors++;
    return tCanIo::kError;
  }
  if (!tty_.Queue(line, static_cast<size_t>(len))) {
    tCanIo flushed = Flush();
    if (flushed == tCanIo::kGone) return flushed;
    if (!tty_.Queue(line, static_cast<size_t>(len))) return tCanIo::kNone;
  }
  stats_.txFrames++;
  tCanIo flushed = Flush();
  return flushed == tCanIo::kNone ? tCanIo::kOk : flushed;
}

// A write the tty refuses for good lost the queued bytes: a transmit error.
tCanIo tLawicelTransport::Flush() {
  tCanIo flushed = tty_.Flush();
  if (flushed == tCanIo::kError) stats_.txErrors++;
  return flushed;
}

tCanIo tLawicelTransport::Fill() {
  tCanIo filled = tty_.Fill();
  if (filled == tCanIo::kError) stats_.rxDropped++;
  return filled;
}
