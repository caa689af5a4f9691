// The adapter's side of a serial-line CAN link: the simulator holds one end of a pty pair
// and behaves like a LAWICEL USB-CAN adapter towards the node on the other end.
//
// Commands from the node are answered as an adapter does: "O", "L", "C", "Sn", "Zn"
// with "\r"; "V", "v", "N" with their text, "F" with its flags while the channel is
// open; anything else with BEL. "O", "L", "Sn" and "Zn" are refused (BEL) while the
// channel is open, "F" while it is closed, as on real adapters.
// Until the node has sent "O" (or "L") the channel is closed: frames for the node are
// dropped and counted, and "T" lines from the node are refused. While open, each "T"
// line is handed up as a frame and acknowledged with "Z\r" (refused in listen-only mode).
//
// Never blocks. Replies and frames share one fixed output buffer; when it is full the
// node's input is left unread until the node has taken some output, so replies are
// never lost. Poll Fd() for reading, and for writing while TxPending() > 0.
#ifndef SIM_LAWICELADAPTER_H
#define SIM_LAWICELADAPTER_H

#include <cstddef>
#include <cstdint>

#include "CanTransport.h"
#include "TtyLine.h"

struct tLawicelAdapterStats {
  uint32_t framesFromNode = 0;  // "T" lines taken and acknowledged
  uint32_t framesToNode = 0;    // frames queued for the node
  uint32_t droppedClosed = 0;   // frames for the node dropped while the channel was closed
  uint32_t commands = 0;        // commands answered with "\r" or text
  uint32_t refused = 0;         // lines answered with BEL (unknown, malformed, refused)
  uint32_t rawWrites = 0;       // raw texts queued with SendRaw / SendRawLine
  uint32_t writeErrors = 0;     // output lost to a write error other than would-block
  uint32_t peerGone = 0;        // times the node's end of the line was found closed
  uint32_t resets = 0;          // ResetChannel calls
};

class tLawicelAdapterLink {
 public:
  tLawicelAdapterLink() = default;
  ~tLawicelAdapterLink();
  tLawicelAdapterLink(const tLawicelAdapterLink &) = delete;
  tLawicelAdapterLink &operator=(const tLawicelAdapterLink &) = delete;

  // Opens the adapter's end of an existing pty pair (e.g. one made by socat).
  bool Open(const char *path);
  // Makes a new pty pair and keeps its master end; the node opens PeerPath().
  bool OpenNewPty();
  // The node's end after OpenNewPty(), else "".
  const char *PeerPath() const { return peerPath_; }
  void Close();
  bool IsOpen() const { return tty_.IsOpen(); }
  int Fd() const { return tty_.Fd(); }

  // Adapter state as the node's commands set it.
  bool ChannelOpen() const { return channelOpen_; }
  bool ListenOnly() const { return listenOnly_; }
  int Bitrate() const { return bitrate_; }  // n of the last "Sn", -1 before any
  bool Timestamps() const { return timestamps_; }

  // Handles what the node sent, answering commands. kOk: frame is the next frame the
  // node put on the bus. kNone: nothing more for now. kGone: the node's end is closed
  // (the channel is then closed too; keep polling, the node may come back).
  tCanIo Receive(tCanFrame &frame);
  // Sends a frame to the node as a "T" line (stamped after "Z1"). kOk: queued.
  // kNone: output buffer full, try again. kError: dropped because the channel is
  // closed (counted). kGone: the node's end is closed.
  tCanIo Send(const tCanFrame &frame);
  // Queues bytes to the node exactly as given, whatever the channel state; for
  // injecting malformed input. SendRawLine appends "\r". False when they do not fit.
  bool SendRaw(const char *data, size_t len);
  bool SendRawLine(const char *text);
  // The adapter resets (loses power, reboots) while the tty stays open: the channel
  // closes and the settings are forgotten, with no word to the node, which finds out
  // from the BEL answering its next "T" line and has to send its open sequence again.
  void ResetChannel();
  // Writes queued output; the other calls do this too.
  tCanIo Flush();
  size_t TxPending() const { return tty_.TxPending(); }

  const tLawicelAdapterStats &Stats() const { return stats_; }

 private:
  static constexpr size_t kRxBufSize = 4096;
  static constexpr size_t kTxBufSize = 8192;
  static constexpr size_t kPathSize = 128;

  void PeerGone();
  bool Queue(const char *data, size_t len) { return tty_.Queue(data, len); }
  size_t TxFree() const { return tty_.TxFree(); }
  void Reply(const char *text);
  void Refuse();
  // True when the line was a frame the node transmitted (frame filled).
  bool HandleLine(const char *line, size_t len, tCanFrame &frame);

  char peerPath_[kPathSize] = {0};
  bool peerPresent_ = false;
  bool channelOpen_ = false;
  bool listenOnly_ = false;
  bool timestamps_ = false;
  int bitrate_ = -1;
  tLawicelAdapterStats stats_;
  tTtyLine<kRxBufSize, kTxBufSize> tty_;
};

#endif
