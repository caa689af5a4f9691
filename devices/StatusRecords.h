// A RO500's status lines, one record per tag ("AST", "ENG", "CPE", "NPC", "CST", "SCV",
// "SST", "FLT"). Each record keeps the last line of its kind for the periodic status
// output. "AST" is parsed into sixteen numbers that bus messages may refresh, and is
// formatted anew on every request, its first number advanced by the hours since the
// device's line arrived, measured on the monotonic millisecond clock: the daemon sets
// the wall clock itself (from the bus), and the hour counter must not jump with it.
// Every call is told now, the time of the loop pass it runs in; only the AST looks at it.
#ifndef DEVICES_STATUSRECORDS_H
#define DEVICES_STATUSRECORDS_H

#include <cstdint>
#include <string>

#include "Console.h"

class tRO500StatBase {
 public:
  virtual ~tRO500StatBase() = default;
  // The stored line, exactly as received (line end included); empty until one came.
  virtual std::string status(uint32_t now);
  // Stores the line; returns a copy of it.
  virtual std::string status(const std::string &s, uint32_t now);

  std::string text;
};

// The AST line: "AST;" and 16 fields, each after a ",", with a blank field after
// fields 1, 5, 9, 11 and 12, and a line feed, e.g.
//   AST;,100.50, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90
class tAST : public tRO500StatBase {
 public:
  static constexpr int kFields = 16;

  // Says at debug level 9 what it formats and parses on console, which outlives it.
  explicit tAST(tConsole &console) : console_(console) {}

  // The formatted line, or "" while no line has been parsed yet. The time since the
  // parse is summed from one call to the next in 64 bits, so the wrap of the 32-bit
  // clock (every 49.7 days) takes nothing off as long as calls come at least that
  // often (the status tick calls once a second).
  std::string status(uint32_t now) override;
  // Parses the line into values (fields after the first mismatch keep their values)
  // and restarts the hour count at now whatever was read; returns a copy.
  std::string status(const std::string &s, uint32_t now) override;
  bool Parsed() const { return parsed_; }

  // AST field n (1..16) is values[n - 1].
  float &Field(int n) { return values[n - 1]; }
  float Field(int n) const { return values[n - 1]; }

  float values[kFields] = {};

 private:
  tConsole &console_;
  bool parsed_ = false;
  uint32_t lastMs_ = 0;  // now of the parse or of the last status()
  uint64_t sinceParseMs_ = 0;
};

// AST field numbers (tAST::Field) of the values bus messages write.
enum {
  kAstDcVolts = 2,
  kAstChargeAmps = 3,
  kAstDcAmps = 4,
  kAstDcWatts = 5,
  kAstDesiredVolts = 6,
  kAstDesiredAmps = 7,
  kAstDesiredWatts = 8,
  kAstChargeState = 9,
  kAstSourceTemp = 10,
  kAstChargerTemp = 11,
  kAstEngineSpeed = 12,
  kAstChargeVolts = 13,
  kAstPercentMax = 16,
};

class tENG : public tRO500StatBase {};
class tCPE : public tRO500StatBase {};
class tNPC : public tRO500StatBase {};
class tCST : public tRO500StatBase {};
class tSCV : public tRO500StatBase {};
class tSST : public tRO500StatBase {};
class tFLT : public tRO500StatBase {};

// A "%d" AST field: the float truncated toward zero. The device or the bus may hand
// us anything, so values outside int saturate to INT_MIN / INT_MAX and NaN gives 0
// instead of an undefined conversion.
int AstInt(float value);

#endif
