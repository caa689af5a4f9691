// The LAWICEL ASCII protocol spoken by serial-line USB-CAN adapters, as pure functions:
// no I/O, no allocation. Both ends use it: tLawicelTransport (the node's side) and the
// simulator's adapter.
//
// Lines end in '\r'. An extended data frame, id 0x18EEFF23, 8 bytes:
//   "T18EEFF23" "8" "0102030405060708" "\r"
// With timestamps on (Z1) the adapter appends 4 hex digits of milliseconds before '\r'.
// Adapter replies: "\r" (OK), "Z\r" / "z\r" (frame transmitted), "\a" (error, no '\r').
#ifndef BUSLIB_LAWICELCODEC_H
#define BUSLIB_LAWICELCODEC_H

#include <cstddef>
#include <cstdint>

#include "CanFrame.h"

// Longest line either side sends: "T" + 8 id + 1 len + 16 data + 4 timestamp = 30.
// Anything past this limit without a terminator is garbage.
constexpr size_t kLawicelMaxLine = 64;
// Buffer size that always holds one formatted frame line including its '\r'.
constexpr size_t kLawicelFrameLineSize = 32;

enum class tLawicelLine : uint8_t {
  // Frames and adapter replies
  kFrame,        // "T..." extended data frame; frame filled
  kOk,           // empty line: the adapter's bare "\r"
  kTxAck,        // "z" or "Z": the adapter put a frame on the bus
  kBell,         // "\a": the adapter refused the last command or frame
  kStatusReply,  // "F" + 2 hex digits: the answer to "F"; arg = the status flags
  // Commands a host sends to the adapter
  kOpen,           // "O"
  kListenOnly,     // "L": open without ever transmitting
  kClose,          // "C"
  kBitrate,        // "S0".."S8"; arg = 0..8 (S5 = 250 kbit/s)
  kVersion,        // "V"
  kVersionDetail,  // "v"
  kSerial,         // "N"
  kStatusFlags,    // "F"
  kTimestamps,     // "Z0" / "Z1"; arg = 0 or 1
  // Rejected lines
  kStandardFrame,  // "t..." 11-bit frame: the node only uses extended ids
  kRemoteFrame,    // "R..." / "r...": remote frames carry no data
  kBadHex,         // a non-hex character where a hex digit belongs
  kBadLength,      // data length digit above 8
  kBadId,          // id above 29 bits
  kBadLineLength,  // line too short or too long for its data length
  kUnknown,        // anything else
};

struct tLawicelParsed {
  tLawicelLine kind = tLawicelLine::kUnknown;
  uint8_t arg = 0;  // kBitrate, kTimestamps, kStatusReply
  tCanFrame frame;  // kFrame
};

// Classifies one line, given without its terminator. line may hold any bytes.
tLawicelParsed LawicelParseLine(const char *line, size_t len);

// Writes "T<8 hex id><len><data>\r" into buf (upper-case hex, not NUL-terminated).
// Returns the number of bytes written, or -1 when buf is too small or the frame invalid
// (len > 8). Needs at most kLawicelFrameLineSize bytes.
int LawicelFormatFrame(const tCanFrame &frame, char *buf, size_t size);
// The same with a 4-hex-digit timestamp before the '\r', as an adapter sends with Z1 set.
int LawicelFormatFrameStamped(const tCanFrame &frame, uint16_t timestamp, char *buf, size_t size);

// Splits a byte stream into lines at '\r' or '\n'. A BEL at the start of a line is a
// complete reply of its own (adapters send it without '\r'). A line that grows past
// kLawicelMaxLine is thrown away up to the next terminator and reported once.
class tLawicelLineReader {
 public:
  enum class tEvent : uint8_t {
    kNone,       // byte taken, no line yet
    kLine,       // a line is complete: Line() / Length() until the next Feed
    kBell,       // a stand-alone BEL
    kDiscarded,  // an overlong line starts being thrown away
  };

  tEvent Feed(char c);
  const char *Line() const { return buf_; }
  size_t Length() const { return len_; }
  void Reset() {
    len_ = 0;
    complete_ = false;
    discarding_ = false;
  }

 private:
  char buf_[kLawicelMaxLine];
  size_t len_ = 0;
  bool complete_ = false;  // buf_ holds the line returned by the last Feed
  bool discarding_ = false;
};

#endif
