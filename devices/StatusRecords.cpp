#include "StatusRecords.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "Console.h"
#include "RunSettings.h"
#include "Runtime.h"

namespace {
constexpr size_t kAstLineSize = 1024;
constexpr double kSecondsPerHour = 3600.0;

// The wall clock in the 32 bits parsedAt keeps. Past 2038 (a clock set from the bus can
// be there now) the stamp wraps; elapsed time is taken by 32-bit difference, which
// stays right across the wrap. The one second whose 32 bits read kNeverParsed is
// stamped a second earlier, so that a parsed line never looks unparsed.
int32_t Stamp(time_t now) {
  const int32_t stamp = static_cast<int32_t>(static_cast<uint32_t>(now));
  return stamp == tAST::kNeverParsed ? stamp - 1 : stamp;
}

double SecondsSince(int32_t stamp, time_t now) {
  return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(stamp));
}
}  // namespace

std::string tRO500StatBase::status() {
  return text;
}

std::string tRO500StatBase::status(const std::string &s) {
  text = s;
  return text;
}

int AstInt(float value) {
  if (std::isnan(value)) return 0;
  // 2^31 is exact as a float; anything at or beyond it does not fit.
  if (value >= 2147483648.0f) return INT_MAX;
  if (value <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(value);
}

std::string tAST::status() {
  if (RunSettings.debugLevel > 8) StreamPrintf(Console, "tAST::status():\n");
  if (parsedAt == kNeverParsed) return std::string();
  const double hours = SecondsSince(parsedAt, Runtime->Time()) / kSecondsPerHour;
  char line[kAstLineSize];
  const float *v = values;
  snprintf(line, sizeof(line),
           "AST;,%.2f, ,%2.2f,%2.1f,%2.1f,%d, ,%2.2f,%d,%d,%d, ,%d,%d, ,%d, ,%2.2f,%d,%d,%d\n",
           v[0] + hours, v[1], v[2], v[3], AstInt(v[4]), v[5], AstInt(v[6]), AstInt(v[7]),
           AstInt(v[8]), AstInt(v[9]), AstInt(v[10]), AstInt(v[11]), v[12], AstInt(v[13]),
           AstInt(v[14]), AstInt(v[15]));
  if (RunSettings.debugLevel > 8) StreamPrintf(Console, "tAST::status(): %s", line);
  return line;
}

std::string tAST::status(const std::string &s) {
  float *v = values;
  sscanf(s.c_str(), "AST;,%f, ,%f,%f,%f,%f, ,%f,%f,%f,%f, ,%f,%f, ,%f, ,%f,%f,%f,%f", &v[0], &v[1],
         &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], &v[12], &v[13],
         &v[14], &v[15]);
  parsedAt = Stamp(Runtime->Time());
  if (RunSettings.debugLevel > 8) StreamPrintf(Console, "tAST::status(s): %s\n", s.c_str());
  return s;
}
