#include "StatusRecords.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "Console.h"

namespace {
constexpr size_t kAstLineSize = 1024;
constexpr double kMsPerHour = 3600000.0;
}  // namespace

std::string tRO500StatBase::status(uint32_t) {
  return text;
}

std::string tRO500StatBase::status(const std::string &s, uint32_t) {
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

std::string tAST::status(uint32_t now) {
  if (console_.Logging(9)) StreamPrintf(&console_, "tAST::status():\n");
  if (!parsed_) return std::string();
  sinceParseMs_ += now - lastMs_;
  lastMs_ = now;
  const double hours = static_cast<double>(sinceParseMs_) / kMsPerHour;
  char line[kAstLineSize];
  const float *v = values;
  snprintf(line, sizeof(line),
           "AST;,%.2f, ,%2.2f,%2.1f,%2.1f,%d, ,%2.2f,%d,%d,%d, ,%d,%d, ,%d, ,%2.2f,%d,%d,%d\n",
           v[0] + hours, v[1], v[2], v[3], AstInt(v[4]), v[5], AstInt(v[6]), AstInt(v[7]),
           AstInt(v[8]), AstInt(v[9]), AstInt(v[10]), AstInt(v[11]), v[12], AstInt(v[13]),
           AstInt(v[14]), AstInt(v[15]));
  if (console_.Logging(9)) StreamPrintf(&console_, "tAST::status(): %s", line);
  return line;
}

std::string tAST::status(const std::string &s, uint32_t now) {
  float *v = values;
  sscanf(s.c_str(), "AST;,%f, ,%f,%f,%f,%f, ,%f,%f,%f,%f, ,%f,%f, ,%f, ,%f,%f,%f,%f", &v[0], &v[1],
         &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], &v[12], &v[13],
         &v[14], &v[15]);
  parsed_ = true;
  lastMs_ = now;
  sinceParseMs_ = 0;
  if (console_.Logging(9)) StreamPrintf(&console_, "tAST::status(s): %s\n", s.c_str());
  return s;
}
