// CAN through a serial-line adapter speaking the LAWICEL ASCII protocol (common USB-CAN
// sticks), or through one end of a pty pair whose other end plays such an adapter.
//
// Open() puts the tty in raw mode and queues "\r\r\r" (flush any half-typed command),
// "C\r", "S5\r" (250 kbit/s, NMEA 2000 and RV-C), "O\r" and "F\r" (status flags, to
// learn whether the adapter answers it). Replies are not waited for: an adapter that
// refuses a command answers BEL, which is counted in txErrors.
//
// An adapter that loses power or resets while its tty stays open closes its channel and
// refuses every frame with BEL. So, once the adapter has answered anything since the
// open, kBellsBeforeReopen BELs in a row with no acknowledgement or frame between them
// make Read() report the link gone, and the node opens it again. On a quiet bus
// nothing is refused, so an adapter that answers "F" is asked for its status flags
// after kProbeIdleMs of silence; a BEL instead means its channel is closed.
//
// Read() returns one extended frame per call. Standard and remote frames, malformed and
// overlong lines are dropped and counted in rxDropped. The adapter's "\r", "z", "Z" and
// BEL replies are consumed.
// Write() queues one line whole or not at all (kNone: poll Fd() for writing and retry).
// Queued bytes also go out on every Read(), so a frame accepted with kOk is never stuck.
// EOF, EIO and ENXIO (adapter unplugged, other pty end closed) give kGone.
#ifndef BUSLIB_LAWICELTRANSPORT_H
#define BUSLIB_LAWICELTRANSPORT_H

#include <cstddef>

#include "CanTransport.h"
#include "TtyLine.h"

class tLawicelTransport : public tCanTransport {
 public:
  // path: the tty, e.g. "/dev/ttyACM0" or a pty end. Copied; longer than
  // kMaxPathLen makes every Open() fail.
  explicit tLawicelTransport(const char *path);
  ~tLawicelTransport() override;
  tLawicelTransport(const tLawicelTransport &) = delete;
  tLawicelTransport &operator=(const tLawicelTransport &) = delete;

  bool Open() override;
  void Close() override;
  bool IsOpen() const override { return tty_.IsOpen(); }
  tCanIo Read(tCanFrame &frame) override;
  tCanIo Write(const tCanFrame &frame) override;
  int Fd() const override { return tty_.Fd(); }
  bool WantsWrite() const override { return tty_.TxPending() > 0; }
  tCanIo Service(uint32_t now) override;
  uint32_t MsUntilDue(uint32_t now) const override;
  const tCanTransportStats &Stats() const override { return stats_; }

  // Bytes accepted but not yet taken by the tty.
  size_t TxPending() const { return tty_.TxPending(); }

  static constexpr size_t kMaxPathLen = 255;
  static constexpr int kBellsBeforeReopen = 3;
  static constexpr uint32_t kProbeIdleMs = 2000;
  static constexpr uint32_t kProbeAnswerMs = 1000;

 private:
  static constexpr size_t kRxBufSize = 4096;
  static constexpr size_t kTxBufSize = 4096;

  // The line's Flush() and Fill(), counting their errors.
  tCanIo Flush();
  tCanIo Fill();
  // A BEL from the adapter; true when it says the channel is closed.
  bool Refused();
  void Answered() {
    answered_ = true;
    bellRun_ = 0;
  }

  char path_[kMaxPathLen + 1];
  bool pathOk_;
  bool everOpened_ = false;
  bool answered_ = false;        // the adapter acknowledged something since the open
  int bellRun_ = 0;              // BELs since the last acknowledgement or frame
  bool statusAnswered_ = false;  // this adapter answers "F" (kept across reopens)
  bool probing_ = false;         // an "F" is waiting for its answer
  uint32_t probeAt_ = 0;
  bool heard_ = false;       // bytes came since the last Service()
  bool quietKnown_ = false;  // quietSince_ holds a time
  uint32_t quietSince_ = 0;  // when the adapter last said anything
  tCanTransportStats stats_;
  tTtyLine<kRxBufSize, kTxBufSize> tty_;
};

#endif
