// Non-blocking byte plumbing for one serial line carrying LAWICEL text: a tty, or either
// end of a pty pair. Both ends of the link sit on it: tLawicelTransport (the node) and
// the simulator's adapter. It owns the descriptor, a receive buffer handed byte by byte
// to a tLawicelLineReader, and a send buffer written as far as the tty takes it.
//
// Results are tCanIo: kOk done; kNone would block (poll Fd() and try again); kGone the
// line is gone (EOF, EIO, ENXIO, ENODEV: adapter unplugged, other pty end closed);
// kError anything else. It keeps no counters: the owner counts from the results.
// Never blocks, never allocates: the buffers are fixed members of tTtyLine<rx, tx>.
#ifndef BUSLIB_TTYLINE_H
#define BUSLIB_TTYLINE_H

#include <cstddef>

#include "CanTransport.h"
#include "LawicelCodec.h"

// Everything but the buffers' storage, so the code is not stamped out once per size.
class tTtyLineBase {
 public:
  tTtyLineBase(const tTtyLineBase &) = delete;
  tTtyLineBase &operator=(const tTtyLineBase &) = delete;

  // Opens path read-write, non-blocking, not as controlling tty, in raw mode (no echo,
  // no CR/NL translation, no line editing; the line speed is left alone: USB adapters
  // ignore it). Closes what was open before. False, with nothing open, on failure.
  bool Open(const char *path);
  // Makes a new pty pair in raw mode and keeps its master end; the slave's path goes to
  // peerPath (cleared on failure). Raw mode on the master sets the slave's end, so
  // nothing is echoed or translated even before the other side opens it.
  bool OpenNewPty(char *peerPath, size_t size);
  // Throws away what the tty holds either way, e.g. bytes from before this open.
  void DiscardPending();
  // Closes the descriptor and drops everything buffered.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  // Drops both buffers and the half-read line; the descriptor stays open.
  void DropBuffered();

  // Reads what the tty has into the receive buffer. kOk: RxPending() > 0. Reads only
  // once the buffered bytes are used up (kOk at once while some are left).
  tCanIo Fill();
  size_t RxPending() const { return rxEnd_ - rxStart_; }
  // True once after a read that did not fill the buffer has been used up: the tty had
  // nothing more at that moment, so asking again now would only cost a system call.
  bool TakeDrained() {
    bool d = drained_ && RxPending() == 0;
    if (d) drained_ = false;
    return d;
  }
  // Feeds the next received byte to the line reader (call while RxPending() > 0).
  // After kLine, Line() and LineLength() hold the line until the next call.
  tLawicelLineReader::tEvent FeedNext() { return lines_.Feed(rx_[rxStart_++]); }
  const char *Line() const { return lines_.Line(); }
  size_t LineLength() const { return lines_.Length(); }

  // Appends bytes to the send buffer, whole or not at all (false: no room).
  bool Queue(const char *data, size_t len);
  // Writes queued bytes. kOk: all written; kNone: the tty took only part, the rest
  // stays queued; kError: the tty refuses them for good and they are dropped, as
  // keeping them would block everything after.
  tCanIo Flush();
  size_t TxPending() const { return txEnd_ - txStart_; }
  size_t TxFree() const { return txSize_ - TxPending(); }

 protected:
  // The buffers belong to the derived tTtyLine and outlive this object's use of them.
  tTtyLineBase(char *rx, size_t rxSize, char *tx, size_t txSize)
      : rx_(rx), rxSize_(rxSize), tx_(tx), txSize_(txSize) {}
  ~tTtyLineBase();

 private:
  bool Adopt(int fd);

  int fd_ = -1;
  char *const rx_;
  const size_t rxSize_;
  size_t rxStart_ = 0, rxEnd_ = 0;
  bool drained_ = false;
  tLawicelLineReader lines_;
  char *const tx_;
  const size_t txSize_;
  size_t txStart_ = 0, txEnd_ = 0;
};

template <size_t kRxSize, size_t kTxSize>
class tTtyLine final : public tTtyLineBase {
 public:
  tTtyLine() : tTtyLineBase(rx_, kRxSize, tx_, kTxSize) {}

 private:
  char rx_[kRxSize];
  char tx_[kTxSize];
};

#endif
