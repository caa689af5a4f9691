// CAN through a serial-line adapter speaking the LAWICEL ASCII protocol (common USB-CAN
// sticks), or through one end of a pty pair whose other end plays such an adapter.
//
// Open() puts the tty in raw mode and queues "\r\r\r" (flush any half-typed command),
// "C\r", "S5\r" (250 kbit/s, NMEA 2000 and RV-C) and "O\r". Replies are not waited for:
// an adapter that refuses a command answers BEL, which is counted in txErrors.
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
  const tCanTransportStats &Stats() const override { return stats_; }

  // Bytes accepted but not yet taken by the tty.
  size_t TxPending() const { return tty_.TxPending(); }

  static constexpr size_t kMaxPathLen = 255;

 private:
  static constexpr size_t kRxBufSize = 4096;
  static constexpr size_t kTxBufSize = 4096;

  // The line's Flush() and Fill(), counting their errors.
  tCanIo Flush();
  tCanIo Fill();

  char path_[kMaxPathLen + 1];
  bool pathOk_;
  bool everOpened_ = false;
  tCanTransportStats stats_;
  tTtyLine<kRxBufSize, kTxBufSize> tty_;
};

#endif
