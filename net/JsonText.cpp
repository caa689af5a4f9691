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

void tJsonText::Escaped(const char *text) {
  static const char kHex[] = "0123456789abcdef";
  Put('"');
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p != 0; p++) {
    const unsigned char c = *p;
    if (c == '"' || c == '\\') {
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
