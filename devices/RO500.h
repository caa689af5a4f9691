// tRO500: one RO500 charger, bridged to its virtual serial port.
//
// Lines typed at the port go to the charger as RV-C TERMINAL messages of at most 8
// characters, at least 50 ms apart; the charger's TERMINAL answers are collected and
// written to the port once they hold a line feed, and every complete line whose tag
// names a status record is filed there. About once a second the "AST" line goes to the
// port; every ninth time it also goes to the log file, with the line of one rotating
// record. While a queued command is being answered that status output is suspended,
// until "K;" arrives or 20 s pass.
//
// A port whose other end hung up (a read gives EIO or end of file) rests for a second,
// out of the loop's wait, and is tried again; if it is still hung up it is closed and
// opened again by its path, once a second, until the other end is back.
//
// Values from bus messages (RO500Updates.cpp) refresh the AST fields; a changed
// charger configuration asks for the status lines again, and a newly lit fault lamp
// becomes a "FLT" line at once.
//
// The record keeps its state to itself and points into its own buffers: it is never
// copied or moved.
#ifndef DEVICES_RO500_H
#define DEVICES_RO500_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "ChargerValues.h"
#include "DCSourceValues.h"
#include "DeviceEvents.h"
#include "MsgSender.h"
#include "RunSettings.h"
#include "StatusRecords.h"

class tRO500 {
 public:
  static constexpr uint32_t kChunkIntervalMs = 50;
  static constexpr int kChunkChars = 8;
  static constexpr uint32_t kHeartbeatTimeoutMs = 1500;
  static constexpr uint32_t kStatusIntervalMs = 1000;
  // The suspension ends when more than this has passed since the last status tick.
  static constexpr uint32_t kSuspendTimeoutMs = 20000;
  static constexpr int kTicksPerLog = 9;
  static constexpr int kRotatingRecords = 7;
  static constexpr uint32_t kPortRestMs = 1000;
  static constexpr size_t kBufferSize = 4096;
  static constexpr size_t kTextSize = 1024;

  // settings (local echo, status updates, log limit) and bus outlive the record.
  tRO500(int canAddr, const tRunSettings &settings, tMsgSender &bus);
  virtual ~tRO500();  // closes the port and the log file
  tRO500(const tRO500 &) = delete;
  tRO500 &operator=(const tRO500 &) = delete;

  int canAddr() const { return canAddr_; }
  int uniqueNumber() const { return uniqueNumber_; }
  void setUniqueNumber(int unique) { uniqueNumber_ = unique; }
  // From the software version; only logged.
  int version() const { return version_; }
  void setVersion(int version) { version_ = version; }
  // Who hears of each filed status line (none: nobody); it outlives the record.
  void setEvents(tDeviceEvents *events) { events_ = events; }

  // No port or log file, empty line buffer, status timing from now, not suspended.
  // Does not close descriptors.
  void reset();
  void markAlive();
  // Fewer than 1500 ms since the last heartbeat.
  bool isAlive() const;
  // One pass: terminal pacing, port input, port output, status output (when on).
  void poll();

  // Characters of one TERMINAL message from the charger (NUL-terminated).
  void UpdTerminalFromCAN(const char *chars);
  // Queues a text for the charger, cut after its first "@"; replaces any text still
  // being sent, drops received text not yet written, suspends the status output.
  void terminal2CAN(const std::string &text);
  void terminal2CAN(const char *text);

  void poll_terminal();
  void poll_serialIn();
  void poll_serialOut();
  void poll_status();
  // The collected text (empty when idle); the record is idle again afterwards.
  std::string takeReceived();
  // Writes the line, stamped, to the log file; one that could not be opened (a folder
  // not mounted or writable yet) is tried again first.
  void logLine(const std::string &line);
  // Opens path for appending (created when missing) as the log file; logFd() stays
  // -1 when it cannot be opened, and the next line tries again.
  void openLog(const std::string &path);

  // Opens the port (read-write, non-blocking, raw) and remembers its path for
  // reopening; ttyFd() is -1 when it cannot be opened.
  void openPort(const std::string &path);
  // Writes to the port when there is one. What the port does not take (a user end
  // that reads nothing fills the pty) is dropped and counted, never waited for.
  void writePort(const char *data, size_t len);
  void writePort(const std::string &text) { writePort(text.data(), text.size()); }
  // The descriptor the loop should wait on for input: -1 when there is no port or it
  // is resting.
  int pollFd() const;
  bool portResting() const { return resting_; }
  // The port's path as given to openPort ("" when it has none).
  const std::string &portPath() const { return ttyPath_; }
  // For a loop that waits on pollFd(): whether the wait said the port has input. A
  // port known to have none is not read (each read is a system call, once a pass).
  void setInputKnown(bool ready) {
    inputKnown_ = true;
    inputReady_ = ready;
  }
  // Milliseconds from now until the earliest of this record's timers is due (0 when
  // one is due now): terminal pacing while sending, the status tick or the suspension
  // timeout (status updates on), the heartbeat limit, the end of a port's rest.
  uint32_t msUntilDue(uint32_t now) const;

  // ---- values from bus messages (RO500Updates.cpp); NaN never overwrites a field ----
  void UpdateDCSS1(const tDCSourceStatus1 &s);
  void UpdateDCSS2(const tDCSourceStatus2 &s);
  void UpdateDCSS4(const tDCSourceStatus4 &s);
  void UpdateDCSS5(const tDCSourceStatus5 &s);
  void UpdateCS(const tChargerStatus &s);
  void UpdateCS2(const tChargerStatus2 &s);
  // A changed configuration (not the first one seen) queues "$RAS:@".
  void UpdateCCS(const tChargerConfig &c);
  // A lit lamp in a diagnostic unlike the last one: "FLT;,<SPN>,-99\n" stored in the
  // FLT record and written to the port at once.
  void UpdateDiag(const tDiagnostic &d);
  void UpdateEngSpeed(const tEngineSpeed &e);
  // AST fields 13, 3 and 11: the charger's own voltage, current and temperature (C).
  void batteryValues(double &voltage, double &current, double &celsius) const;

  // ---- what the record holds, for the registry, the loop and tests ----
  const tAST &ast() const { return ast_; }
  // The AST line as the status tick writes it ("" before the charger's first one).
  std::string astLine() { return ast_.status(); }
  // The stored line of a record by its tag ("CPE", "FLT", ...); "" for no line or tag.
  std::string storedLine(const char *tag) const;
  int ttyFd() const { return ttyFd_; }
  int logFd() const { return logFd_; }
  const std::string &logPath() const { return logPath_; }
  bool suspended() const { return suspended_; }
  // A text is being sent to the charger, chunk by chunk.
  bool sending() const { return txNext_ != nullptr; }
  // The text last queued for the charger (what terminal2CAN kept of it).
  std::string commandText() const { return cmdBuf_; }
  // Text received from the charger and not yet written to the port; "" when idle.
  std::string receivedText() const;
  bool receiving() const { return rxEnd_ != nullptr; }
  size_t receivedLength() const {
    return rxEnd_ == nullptr ? 0 : static_cast<size_t>(rxEnd_ - rxBuf_);
  }
  // Characters typed at the port since its last line end.
  size_t typedLength() const { return static_cast<size_t>(lineEnd_ - lineBuf_); }
  // When the last status tick was, how many ticks since the last log line (0..8) and
  // which record the next log line rotates to (0..6).
  uint32_t lastStatusTick() const { return lastStatus_; }
  int statusTick() const { return statTick_; }
  int rotation() const { return statIndex_; }
  // Bytes the port did not take since the record was made.
  uint64_t portBytesDropped() const { return portDropped_; }

 private:
  void flushReceived();
  void fileLines(const std::string &text);
  // Files the line by its tag; false when it has none of ours.
  bool fileLine(const std::string &line);
  void keepPartialLine(const char *text, size_t len);
  void portHungUp(uint32_t now);
  void retryOpen(uint32_t now);
  tRO500StatBase *record(const char *tag);
  tRO500StatBase *rotating(int index);

  const int canAddr_;
  const tRunSettings &settings_;
  tMsgSender &bus_;
  int uniqueNumber_ = 0;
  int version_ = 0;
  tDeviceEvents *events_ = nullptr;
  int logFd_ = -1;
  std::string logPath_;  // empty: no log file
  int ttyFd_ = -1;
  std::string ttyPath_;
  uint64_t portDropped_ = 0;

  tENG eng_;
  tAST ast_;
  tCPE cpe_;
  tNPC npc_;
  tCST cst_;
  tSCV scv_;
  tSST sst_;
  tFLT flt_;
  bool haveConfig_ = false;  // the first configuration is only remembered
  tChargerConfig lastConfig_{};
  bool haveDiag_ = false;
  tDiagnostic lastDiag_{};

  char rxBuf_[kBufferSize];
  char cmdBuf_[kBufferSize];
  char *rxEnd_ = nullptr;   // end of the collected text; null while idle
  char *txNext_ = nullptr;  // next character to send; null while nothing is sent
  uint32_t txLast_ = 0;
  uint32_t lastHeartbeat_ = 0;
  bool suspended_ = false;
  char *lineEnd_ = nullptr;
  char lineBuf_[kBufferSize];
  int statIndex_ = 0;
  uint32_t lastStatus_ = 0;
  int statTick_ = 0;

  bool resting_ = false;
  bool hungUp_ = false;      // the last read found the other end gone
  bool inputKnown_ = false;  // a loop tells whether the port has input (setInputKnown)
  bool inputReady_ = true;
  uint32_t restStart_ = 0;
  // The unfinished last line of earlier flushes, so that a line that reached the
  // port in two writes is still filed whole.
  char partialLine_[kTextSize];
  size_t partialLen_ = 0;
  bool skipToLineEnd_ = false;  // an overlong line is not filed
};

#endif
