// The text console a RV-C node offers through TERMINAL (17E00h) messages, without the
// node: what each sender types is collected into lines, and what the node says is cut
// into messages of up to 8 characters that leave one per pace (RV-C asks for 50 ms
// between a node's messages), so a long answer never holds up the simulator's loop.
//
// A line is complete at "\n" (a "\r" before it is dropped) or right after an "@", which
// ends a command such as "$RAS:@" with no line end; a "\r" or "\n" straight after such
// a command belongs to it and ends nothing. Each sender has its own line, cut at
// kMaxLine characters (the rest of it is dropped).
//
// Every Say starts a new message, so a line the node says in one Say never shares a
// message with the line before it: a receiver that looks at the start of what it
// collected sees the line's tag there.
#ifndef SIM_TERMINALCONSOLE_H
#define SIM_TERMINALCONSOLE_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class tTerminalConsole {
 public:
  static constexpr size_t kMaxLine = 256;
  static constexpr size_t kMaxQueued = 1024;  // messages waiting to go out
  static constexpr uint32_t kDefaultPaceMs = 50;
  static constexpr int kPieceChars = 8;

  struct tPiece {
    uint8_t destination = 0;
    uint8_t count = 0;
    char chars[kPieceChars] = {0};
  };

  tTerminalConsole() : queue_(kMaxQueued) {}

  // Adds what sender typed; appends each line it completes to lines, without its line
  // end ("$RAS:@", "hello").
  void Receive(uint8_t sender, const char *chars, int count, std::vector<std::string> &lines);

  // Queues text for destination, cut into messages of up to 8 characters. False when
  // the queue cannot take all of it: nothing is queued then, and it is counted.
  bool Say(uint8_t destination, const std::string &text);

  // The message due now, or null: the oldest one, once pace ms have passed since the
  // last one went out. Call Sent when it has gone.
  const tPiece *Due(uint32_t now) const;
  void Sent(uint32_t now);

  void SetPace(uint32_t ms) { paceMs_ = ms; }
  uint32_t Pace() const { return paceMs_; }
  size_t Queued() const { return count_; }
  uint32_t Dropped() const { return dropped_; }
  // Forgets half-typed lines and everything not yet said (a device that was off).
  void Clear();

 private:
  struct tTyped {
    std::string text;
    bool afterCommand = false;  // the last character completed an "@" command
  };

  std::map<uint8_t, tTyped> typed_;
  std::vector<tPiece> queue_;  // ring of kMaxQueued
  size_t head_ = 0;
  size_t count_ = 0;
  uint32_t paceMs_ = kDefaultPaceMs;
  bool sentAny_ = false;
  uint32_t lastSent_ = 0;
  uint32_t dropped_ = 0;
};

#endif
