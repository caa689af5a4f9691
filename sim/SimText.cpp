#include "SimText.h"

#include "N2kGroupMessages.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace simtext {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool AllHex(const std::string &s, size_t from, size_t to) {
  if (from >= to) return false;
  for (size_t i = from; i < to; i++)
    if (HexValue(s[i]) < 0) return false;
  return true;
}

bool AllDigits(const std::string &s, size_t from) {
  if (from >= s.size()) return false;
  for (size_t i = from; i < s.size(); i++)
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

// Value of s[from, to) as hex or decimal, refusing overflow.
bool Accumulate(const std::string &s, size_t from, size_t to, unsigned base, uint64_t &out) {
  uint64_t v = 0;
  for (size_t i = from; i < to; i++) {
    int d = HexValue(s[i]);
    if (d < 0 || static_cast<unsigned>(d) >= base) return false;
    if (v > (UINT64_MAX - static_cast<uint64_t>(d)) / base) return false;
    v = v * base + static_cast<uint64_t>(d);
  }
  out = v;
  return true;
}

bool HasHexPrefix(const std::string &s, size_t at) {
  return s.size() > at + 2 && s[at] == '0' && (s[at + 1] == 'x' || s[at + 1] == 'X');
}

// Resolves one escape at text[i] == '\\'; advances i past it.
bool Escape(const std::string &text, size_t &i, std::string &out, std::string &error) {
  if (i + 1 >= text.size()) {
    error = "a backslash ends the text";
    return false;
  }
  char c = text[i + 1];
  i += 2;
  switch (c) {
    case '\\':
      out += '\\';
      return true;
    case '"':
      out += '"';
      return true;
    case 'r':
      out += '\r';
      return true;
    case 'n':
      out += '\n';
      return true;
    case 't':
      out += '\t';
      return true;
    case 'a':
      out += '\a';
      return true;
    case 'x':
      if (i + 2 <= text.size() && HexValue(text[i]) >= 0 && HexValue(text[i + 1]) >= 0) {
        out += static_cast<char>(HexValue(text[i]) * 16 + HexValue(text[i + 1]));
        i += 2;
        return true;
      }
      error = "\\x needs two hex digits";
      return false;
    default:
      error = std::string("unknown escape \\") + c;
      return false;
  }
}

}  // namespace

bool SplitWords(const std::string &line, std::vector<std::string> &words, std::string &error) {
  words.clear();
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    while (i < n && std::isspace(static_cast<unsigned char>(line[i]))) i++;
    if (i >= n || line[i] == '#') break;
    std::string word;
    bool quoted = false;
    while (i < n && (quoted || !std::isspace(static_cast<unsigned char>(line[i])))) {
      char c = line[i];
      if (c == '"') {
        quoted = !quoted;
        i++;
      } else if (c == '\\' && quoted) {
        if (!Escape(line, i, word, error)) return false;
      } else {
        word += c;
        i++;
      }
    }
    if (quoted) {
      error = "unterminated quote";
      return false;
    }
    words.push_back(word);
  }
  return true;
}

bool Unescape(const std::string &text, std::string &out, std::string &error) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\\') {
      if (!Escape(text, i, out, error)) return false;
    } else {
      out += text[i++];
    }
  }
  return true;
}

bool SplitKeyValue(const std::string &word, std::string &key, std::string &value) {
  size_t eq = word.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  key = word.substr(0, eq);
  value = word.substr(eq + 1);
  return true;
}

bool EqualsNoCase(const std::string &a, const char *b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; i++)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool ParseUnsigned(const std::string &s, uint64_t max, uint64_t &out) {
  uint64_t v;
  bool ok = HasHexPrefix(s, 0) ? Accumulate(s, 2, s.size(), 16, v)
                               : AllDigits(s, 0) && Accumulate(s, 0, s.size(), 10, v);
  if (!ok || v > max) return false;
  out = v;
  return true;
}

bool ParseSigned(const std::string &s, int64_t min, int64_t max, int64_t &out) {
  const bool negative = !s.empty() && s[0] == '-';
  uint64_t magnitude;
  if (!ParseUnsigned(negative ? s.substr(1) : s, static_cast<uint64_t>(INT64_MAX), magnitude))
    return false;
  int64_t v = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (v < min || v > max) return false;
  out = v;
  return true;
}

bool ParseNumber(const std::string &s, double &out) {
  uint64_t u;
  if (HasHexPrefix(s, 0)) {
    if (!ParseUnsigned(s, UINT64_MAX, u)) return false;
    out = static_cast<double>(u);
    return true;
  }
  if (s.empty() || std::isspace(static_cast<unsigned char>(s[0]))) return false;
  errno = 0;
  char *end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(v)) return false;
  // strtod also takes "inf", "nan" and hex floats; only plain decimals are wanted here.
  for (char c : s)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
          c == 'e' || c == 'E'))
      return false;
  out = v;
  return true;
}

bool ParsePgn(const std::string &s, unsigned long &out) {
  uint64_t v;
  bool ok;
  if (HasHexPrefix(s, 0)) {
    ok = Accumulate(s, 2, s.size(), 16, v);
  } else if (s.size() > 1 && (s.back() == 'h' || s.back() == 'H')) {
    ok = AllHex(s, 0, s.size() - 1) && Accumulate(s, 0, s.size() - 1, 16, v);
  } else if (AllDigits(s, 0)) {
    ok = Accumulate(s, 0, s.size(), 10, v);
  } else {
    ok = AllHex(s, 0, s.size()) && Accumulate(s, 0, s.size(), 16, v);
  }
  if (!ok || v > 0x3ffff) return false;
  out = static_cast<unsigned long>(v);
  return true;
}

bool ParseHexBytes(const std::string &s, uint8_t *out, size_t max, size_t &len) {
  if (s.size() % 2 != 0 || s.size() / 2 > max) return false;
  for (size_t i = 0; i < s.size(); i += 2) {
    int hi = HexValue(s[i]), lo = HexValue(s[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i / 2] = static_cast<uint8_t>(hi * 16 + lo);
  }
  len = s.size() / 2;
  return true;
}

bool ParseBool(const std::string &s, bool &out) {
  static const char *const kTrue[] = {"1", "on", "yes", "true"};
  static const char *const kFalse[] = {"0", "off", "no", "false"};
  for (const char *t : kTrue)
    if (EqualsNoCase(s, t)) {
      out = true;
      return true;
    }
  for (const char *f : kFalse)
    if (EqualsNoCase(s, f)) {
      out = false;
      return true;
    }
  return false;
}

bool ParsePgnList(const std::string &text, std::vector<unsigned long> &out) {
  out.clear();
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    unsigned long pgn;
    if (!ParsePgn(text.substr(start, comma - start), pgn) || pgn == 0) return false;
    if (static_cast<int>(out.size()) >= kMaxPgnListEntries) return false;
    out.push_back(pgn);
    start = comma + 1;
  }
  out.push_back(0);
  return true;
}

}  // namespace simtext
