#include "TextHelpers.h"

#include <cerrno>
#include <cstdlib>

bool ParseLeadingInt32(const std::string &text, int32_t &value) {
  const char *start = text.c_str();
  char *end = nullptr;
  errno = 0;
  long long v = std::strtoll(start, &end, 10);
  if (end == start || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  return true;
}

void TrimNewline(std::string &text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
}

void TrimLineEnd(std::string &text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
}

std::string ShellQuote(const std::string &text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  out += "'";
  return out;
}
