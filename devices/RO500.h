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
// The record points into its own buffers: it is never copied or moved.
#ifndef DEVICES_RO500_H
#define DEVICES_RO500_H

#include <cstddef>
#include <cstdint>
#include <string>

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

  explicit tRO500(int canAddr = 0);
  virtual ~tRO500();  // closes the port and the log file
  tRO500(const tRO500 &) = delete;
  tRO500 &operator=(const tRO500 &) = delete;

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
  // Opens logPath for appending (created when missing); logFd stays -1 when it cannot.
  void openLog();

  // Opens the port (read-write, non-blocking, raw) and remembers its path for
  // reopening; ttyFd is -1 when it cannot be opened.
  void openPort(const std::string &path);
  // Writes to the port when there is one; the result is not looked at.
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

  int canAddr;
  int logFd = -1;
  std::string logPath;  // empty: no log file
  int ttyFd = -1;
  int uniqueNumber = 0;
  int version = 0;
  tENG eng;
  tAST ast;
  tCPE cpe;
  tNPC npc;
  tCST cst;
  tSCV scv;
  tSST sst;
  tFLT flt;
  char lastCCS[kTextSize];
  char lastDiag[kTextSize];
  char rxBuf[kBufferSize];
  char cmdBuf[kBufferSize];
  char *rxEnd = nullptr;   // end of the collected text; null while idle
  char *txNext = nullptr;  // next character to send; null while nothing is sent
  uint32_t txLast = 0;
  uint32_t lastHeartbeat = 0;
  bool suspended = false;
  char *lineEnd = nullptr;
  char lineBuf[kBufferSize];
  int statIndex = 0;
  uint32_t lastStatus = 0;
  int statTick = 0;

 private:
  void flushReceived();
  void fileLines(const std::string &text);
  // Files the line by its tag; false when it has none of ours.
  bool fileLine(const std::string &line);
  void keepPartialLine(const char *text, size_t len);
  void portHungUp(uint32_t now);
  void retryOpen(uint32_t now);
  tRO500StatBase *rotating(int index);

  std::string ttyPath_;
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
