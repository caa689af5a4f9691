// A JSON object written into a fixed buffer, member by member: what the MQTT messages
// carry. Every write is bounded; a text that does not fit is marked cut (Ok() false)
// instead of overflowing, and its owner does not send it.
#ifndef NET_JSONTEXT_H
#define NET_JSONTEXT_H

#include <cstddef>
#include <string>

class tJsonText {
 public:
  static constexpr size_t kSize = 2048;

  tJsonText() { Raw("{"); }
  // "name":value; a NaN or infinite value is null. decimals: digits after the point.
  tJsonText &Number(const char *name, double value, int decimals = 2);
  tJsonText &Integer(const char *name, long value);
  tJsonText &Bool(const char *name, bool value);
  // "name":"text", the text escaped: quotes, backslashes and control characters. Valid
  // UTF-8 is kept as written; any other byte from 0x7f up becomes \u00XX, read as
  // Latin-1 (the bus may send anything at all; the result must stay valid UTF-8).
  tJsonText &String(const char *name, const char *text);
  // "name":["a","b"], each escaped as String does.
  tJsonText &Strings(const char *name, const char *const *items, int count);
  // "name": followed by raw JSON the caller built (an object of another tJsonText).
  tJsonText &Object(const char *name, const tJsonText &inner);
  tJsonText &Object(const char *name, const std::string &json);
  // The closed object, "" when it did not fit.
  std::string Close() const;
  bool Ok() const { return ok_; }

 private:
  void Name(const char *name);
  void Raw(const char *text);
  void Escaped(const char *text);
  void Put(char c);

  char buf_[kSize];
  size_t len_ = 0;
  bool ok_ = true;
  bool first_ = true;
};

#endif
