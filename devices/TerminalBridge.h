// tTerminalBridge: a RO500's RV-C terminal bridged to its virtual serial port.
//
// Lines typed at the port go to the charger as RV-C TERMINAL messages of at most 8
// characters, at least 50 ms apart; the charger's TERMINAL answers are collected and
// written to the port once they hold a line feed, then handed to the listener that
// files them. A queued command suspends the charger's status output until a piece of
// its answer holds "K;" (or whoever ticks the status output gives up waiting: Resume).
//
// A port whose other end hung up (a read gives EIO or end of file) rests for a second,
// out of the loop's wait, and is tried again; if it is still hung up it is closed and
// opened again by its path, once a second, until the other end is back.
//
// The bridge also keeps the charger's log file. Its console lines name the record,
// "tRO500::...", as the daemon's logs always have. It reads no clock: whatever starts or
// checks a timer is told now, the time of the loop pass it runs in.
//
// It points into its own buffers: never copied or moved.
#ifndef DEVICES_TERMINALBRIDGE_H
#define DEVICES_TERMINALBRIDGE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "Console.h"
#include "MsgSender.h"
#include "RunSettings.h"

// Who hears of the charger's text once the bridge has done with it.
class tTerminalListener {
 public:
  virtual ~tTerminalListener() = default;
  // Text that went to the port (or had no port to go to) at now, each piece once, in
  // order.
  virtual void Flushed(const std::string &text, uint32_t now) = 0;
  // A command was queued: what is received from now on is its answer, and text
  // received before and not yet flushed was dropped.
  virtual void CommandQueued() = 0;
};

class tTerminalBridge {
 public:
  static constexpr uint32_t kChunkIntervalMs = 50;
  static constexpr int kChunkChars = 8;
  static constexpr uint32_t kPortRestMs = 1000;
  static constexpr size_t kBufferSize = 4096;

  // settings (local echo, log limit), bus and console outlive the bridge.
  tTerminalBridge(int canAddr, const tRunSettings &settings, tMsgSender &bus, tConsole &console);
  ~tTerminalBridge();  // closes the port and the log file
  tTerminalBridge(const tTerminalBridge &) = delete;
  tTerminalBridge &operator=(const tTerminalBridge &) = delete;

  // The charger's address: where every chunk goes.
  int CanAddr() const { return canAddr_; }
  // Who hears of flushed text and queued commands (none: nobody); it outlives the bridge.
  void SetListener(tTerminalListener *listener) { listener_ = listener; }

  // ---- the bus side ----
  // Characters of one TERMINAL message from the charger (NUL-terminated).
  void UpdTerminalFromCAN(const char *chars, uint32_t now);
  // Queues a text for the charger at now, cut after its first "@"; replaces any text
  // still being sent, drops received text not yet written, suspends the status output.
  void terminal2CAN(const std::string &text, uint32_t now);
  void terminal2CAN(const char *text, uint32_t now);
  // Sends the next chunk once 50 ms have passed since the last one (or the queuing).
  void poll_terminal(uint32_t now);

  // ---- the port side ----
  // Reads what was typed up to a line feed and queues the line.
  void poll_serialIn(uint32_t now);
  // Writes the collected text to the port once it holds a line feed.
  void poll_serialOut(uint32_t now);
  // Opens the port (read-write, non-blocking, raw) at now and remembers its path for
  // reopening; TtyFd() is -1 when it cannot be opened.
  void OpenPort(const std::string &path, uint32_t now);
  // Writes to the port when there is one. What the port does not take (a user end
  // that reads nothing fills the pty) is dropped and counted, never waited for.
  void WritePort(const char *data, size_t len);
  void WritePort(const std::string &text) { WritePort(text.data(), text.size()); }
  // The descriptor the loop should wait on for input: -1 when there is no port or it
  // is resting.
  int PollFd() const;
  bool PortResting() const { return resting_; }
  // The port's path as given to OpenPort ("" when it has none).
  const std::string &PortPath() const { return ttyPath_; }
  // For a loop that waits on PollFd(): whether the wait said the port has input. A
  // port known to have none is not read (each read is a system call, once a pass).
  void SetInputKnown(bool ready) {
    inputKnown_ = true;
    inputReady_ = ready;
  }
  int TtyFd() const { return ttyFd_; }
  // Bytes the port did not take since the bridge was made.
  uint64_t PortBytesDropped() const { return portDropped_; }

  // ---- the log file ----
  // Opens path for appending (created when missing) as the log file; LogFd() stays
  // -1 when it cannot be opened, and the next line tries again.
  void OpenLog(const std::string &path);
  // Writes the line, stamped, to the log file; one that could not be opened (a folder
  // not mounted or writable yet) is tried again first.
  void logLine(const std::string &line);
  int LogFd() const { return logFd_; }
  const std::string &LogPath() const { return logPath_; }

  // ---- the suspension of the status output ----
  bool Suspended() const { return suspended_; }
  void Resume() { suspended_ = false; }

  // Milliseconds from now until terminal pacing (while sending) or the end of a
  // port's rest is due; 0 when one is due now, UINT32_MAX when neither runs.
  uint32_t MsUntilDue(uint32_t now) const;

  // ---- what the bridge holds, for tests and checks ----
  // A text is being sent to the charger, chunk by chunk.
  bool Sending() const { return txNext_ != nullptr; }
  // The text last queued for the charger (what terminal2CAN kept of it).
  std::string CommandText() const { return cmdBuf_; }
  // Text received from the charger and not yet written to the port; "" when idle.
  std::string ReceivedText() const;
  bool Receiving() const { return rxEnd_ != nullptr; }
  size_t ReceivedLength() const {
    return rxEnd_ == nullptr ? 0 : static_cast<size_t>(rxEnd_ - rxBuf_);
  }
  // Characters typed at the port since its last line end.
  size_t TypedLength() const { return static_cast<size_t>(lineEnd_ - lineBuf_); }

 private:
  // The collected text (empty when idle); the bridge is idle again afterwards.
  std::string takeReceived();
  void FlushReceived(uint32_t now);
  void PortHungUp(uint32_t now);
  void RetryOpen(uint32_t now);

  const int canAddr_;
  const tRunSettings &settings_;
  tMsgSender &bus_;
  tConsole &console_;
  tTerminalListener *listener_ = nullptr;
  int logFd_ = -1;
  std::string logPath_;  // empty: no log file
  int ttyFd_ = -1;
  std::string ttyPath_;
  uint64_t portDropped_ = 0;

  char rxBuf_[kBufferSize];
  char cmdBuf_[kBufferSize];
  char *rxEnd_ = nullptr;   // end of the collected text; null while idle
  char *txNext_ = nullptr;  // next character to send; null while nothing is sent
  uint32_t txLast_ = 0;
  bool suspended_ = false;
  char lineBuf_[kBufferSize] = {};
  char *lineEnd_ = lineBuf_;

  bool resting_ = false;
  bool hungUp_ = false;      // the last read found the other end gone
  bool inputKnown_ = false;  // a loop tells whether the port has input (SetInputKnown)
  bool inputReady_ = true;
  uint32_t restStart_ = 0;
};

#endif
