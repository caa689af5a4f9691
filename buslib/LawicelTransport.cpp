#include "LawicelTransport.h"

#include <cstring>

namespace {

// Flush a half-typed command, close the channel, 250 kbit/s, open.
constexpr char kOpenSequence[] = "\r\r\rC\rS5\rO\r";
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
  return true;
}

void tLawicelTransport::Close() {
  tty_.Close();
}

tCanIo tLawicelTransport::Read(tCanFrame &frame) {
  if (!tty_.IsOpen()) return tCanIo::kGone;
  if (TxPending() > 0 && Flush() == tCanIo::kGone) return tCanIo::kGone;

  for (int fills = 0;;) {
    while (tty_.RxPending() > 0) {
      switch (tty_.FeedNext()) {
        case tLawicelLineReader::tEvent::kNone:
          break;
        case tLawicelLineReader::tEvent::kBell:
          stats_.txErrors++;
          break;
        case tLawicelLineReader::tEvent::kDiscarded:
          stats_.rxDropped++;
          break;
        case tLawicelLineReader::tEvent::kLine: {
          tLawicelParsed parsed = LawicelParseLine(tty_.Line(), tty_.LineLength());
          switch (parsed.kind) {
            case tLawicelLine::kFrame:
              frame = parsed.frame;
              stats_.rxFrames++;
              return tCanIo::kOk;
            case tLawicelLine::kOk:
            case tLawicelLine::kTxAck:
              break;
            case tLawicelLine::kBell:
              stats_.txErrors++;
              break;
            default:
              stats_.rxDropped++;
              break;
          }
          break;
        }
      }
    }
    if (fills++ == kMaxFillsPerRead) return tCanIo::kNone;
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
