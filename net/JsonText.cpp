#include "JsonText.h"

#include <cmath>
#include <cstdio>

void tJsonText::Put(char c) {
  if (len_ + 1 >= kSize) {
    ok_ = false;
    return;
  }
  buf_[len_++] = c;
}

void tJsonText::Raw(const char *text) {
  for (const char *p = text; *p != '\0'; p++) Put(*p);
}

namespace {
// The length of the valid UTF-8 sequence at p (2 to 4 bytes: no overlong form, no
// surrogate, nothing above U+10FFFF), 0 when there is none.
int Utf8Length(const unsigned char *p) {
  const unsigned char c = p[0];
  int n;
  unsigned char lo = 0x80, hi = 0xbf;  // the second byte's range
  if (c >= 0xc2 && c <= 0xdf) {
    n = 2;
  } else if (c >= 0xe0 && c <= 0xef) {
    n = 3;
    if (c == 0xe0) lo = 0xa0;
    if (c == 0xed) hi = 0x9f;
  } else if (c >= 0xf0 && c <= 0xf4) {
    n = 4;
    if (c == 0xf0) lo = 0x90;
    if (c == 0xf4) hi = 0x8f;
  } else {
    return 0;
  }
  if (p[1] < lo || p[1] > hi) return 0;
  for (int i = 2; i < n; i++)
    if (p[i] < 0x80 || p[i] > 0xbf) return 0;
  return n;
}
}  // namespace

void tJsonText::Escaped(const char *text) {
  static const char kHex[] = "0123456789abcdef";
  Put('"');
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p != 0; p++) {
    const unsigned char c = *p;
    const int utf8 = c >= 0x80 ? Utf8Length(p) : 0;
    if (utf8 > 0) {
      for (int i = 0; i < utf8; i++) Put(static_cast<char>(p[i]));
      p += utf8 - 1;
    } else if (c == '"' || c == '\\') {
      Put('\\');
      Put(static_cast<char>(c));
    } else if (c < 0x20 || c >= 0x7f) {
      Raw("\\u00");
      Put(kHex[c >> 4]);
      Put(kHex[c & 0xf]);
    } else {
      Put(static_cast<char>(c));
    }
  }
  Put('"');
}

void tJsonText::Name(const char *name) {
  if (!first_) Put(',');
  first_ = false;
  Escaped(name);
  Put(':');
}

tJsonText &tJsonText::Number(const char *name, double value, int decimals) {
  Name(name);
  if (!std::isfinite(value)) {
    Raw("null");
    return *this;
  }
  char text[64];
  snprintf(text, sizeof(text), "%.*f", decimals, value);
  Raw(text);
  return *this;
}

tJsonText &tJsonText::Integer(const char *name, long value) {
  Name(name);
  char text[32];
  snprintf(text, sizeof(text), "%ld", value);
  Raw(text);
  return *this;
}

tJsonText &tJsonText::Bool(const char *name, bool value) {
  Name(name);
  Raw(value ? "true" : "false");
  return *this;
}

tJsonText &tJsonText::String(const char *name, const char *text) {
  Name(name);
  Escaped(text == nullptr ? "" : text);
  return *this;
}

tJsonText &tJsonText::Strings(const char *name, const char *const *items, int count) {
  Name(name);
  Put('[');
  for (int i = 0; i < count; i++) {
    if (i > 0) Put(',');
    Escaped(items[i]);
  }
  Put(']');
  return *this;
}

tJsonText &tJsonText::Object(const char *name, const tJsonText &inner) {
  return Object(name, inner.Close());
}

tJsonText &tJsonText::Object(const char *name, const std::string &json) {
  if (json.empty()) ok_ = false;
  Name(name);
  Raw(json.c_str());
  return *this;
}

std::string tJsonText::Close() const {
  if (!ok_ || len_ + 2 > kSize) return std::string();
  return std::string(buf_, len_) + "}";
}
