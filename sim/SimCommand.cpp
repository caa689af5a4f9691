#include "SimCommand.h"

#include <cctype>
#include <vector>

#include "MessageBuilder.h"
#include "SimText.h"

using namespace simtext;

namespace {

// Splits off the first word; rest starts after the blanks that follow it.
std::string FirstWord(const std::string &line, std::string &rest) {
  size_t i = 0;
  while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) i++;
  size_t start = i;
  while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) i++;
  std::string word = line.substr(start, i - start);
  while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) i++;
  rest = line.substr(i);
  return word;
}

bool ParseSend(const std::vector<std::string> &words, tSimCommand &out, std::string &error) {
  if (words.size() < 3) {
    error = "usage: send NODE PGN key=value... [prio=N] [dest=N] | send NODE PGN raw=HEX";
    return false;
  }
  out.node = words[1];
  unsigned long pgn;
  if (!ParsePgn(words[2], pgn)) {
    error = "bad PGN '" + words[2] + "' (decimal, 0x1FFC7, 1FFC7h)";
    return false;
  }
  tFieldList fields;
  std::string raw;
  bool hasRaw = false;
  int priority = -1, destination = -1;
  for (size_t i = 3; i < words.size(); i++) {
    std::string key, value;
    if (!SplitKeyValue(words[i], key, value)) {
      error = "expected key=value, got '" + words[i] + "'";
      return false;
    }
    uint64_t n;
    if (EqualsNoCase(key, "prio")) {
      if (!ParseUnsigned(value, 7, n)) {
        error = "prio='" + value + "': expected 0..7";
        return false;
      }
      priority = static_cast<int>(n);
    } else if (EqualsNoCase(key, "dest")) {
      if (!ParseUnsigned(value, 255, n)) {
        error = "dest='" + value + "': expected 0..255";
        return false;
      }
      destination = static_cast<int>(n);
    } else if (EqualsNoCase(key, "raw")) {
      raw = value;
      hasRaw = true;
    } else {
      fields.emplace_back(key, value);
    }
  }
  if (hasRaw && !fields.empty()) {
    error = "raw= cannot be mixed with named fields";
    return false;
  }
  // A PDU1 PGN may be written with its destination in the low byte (17E23h).
  if (tCanId::IsPdu1(pgn) && (pgn & 0xff) != 0) {
    if (destination < 0) destination = static_cast<int>(pgn & 0xff);
    pgn &= 0x3ff00;
  }
  if (hasRaw ? !BuildRawPgnMessage(pgn, raw, out.msg, error)
             : !BuildPgnMessage(pgn, fields, out.msg, error))
    return false;
  if (priority >= 0) out.msg.Priority = static_cast<unsigned char>(priority);
  if (destination >= 0) out.msg.Destination = static_cast<unsigned char>(destination);
  return true;
}

bool ParseNodeTarget(const std::vector<std::string> &words, size_t count, const char *usage,
                     tSimCommand &out, std::string &error) {
  if (words.size() != count) {
    error = std::string("usage: ") + usage;
    return false;
  }
  out.node = words[1];
  return true;
}

}  // namespace

bool ParseCandumpFrame(const std::string &text, tCanFrame &frame) {
  size_t hash = text.find('#');
  if (hash == std::string::npos || hash == 0 || hash > 8) return false;
  uint64_t id;
  if (!ParseUnsigned("0x" + text.substr(0, hash), kCanIdMask, id)) return false;
  size_t len;
  tCanFrame f;
  if (!ParseHexBytes(text.substr(hash + 1), f.data, kCanMaxDataLen, len)) return false;
  f.id = static_cast<uint32_t>(id);
  f.len = static_cast<uint8_t>(len);
  frame = f;
  return true;
}

tSimParseResult ParseSimCommand(const std::string &rawLine, const tSimLocation &where,
                                tSimCommand &out, std::string &error) {
  std::string line = rawLine;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  out = tSimCommand();
  out.where = where;
  std::string rest;
  const std::string verb = FirstWord(line, rest);
  if (verb.empty() || verb[0] == '#') return tSimParseResult::kEmpty;

  // Commands whose argument is free text, taken as it stands.
  if (verb == "log" || verb == "echo" || verb == "rawline") {
    out.kind = verb == "log"    ? tSimCommandKind::kLog
               : verb == "echo" ? tSimCommandKind::kEcho
                                : tSimCommandKind::kRawLine;
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back()))) rest.pop_back();
    if (out.kind != tSimCommandKind::kRawLine) {
      out.text = rest;
      return tSimParseResult::kCommand;
    }
    return Unescape(rest, out.text, error) ? tSimParseResult::kCommand : tSimParseResult::kError;
  }
  if (verb == "at" || verb == "every" || verb == "after") {
    out.kind = verb == "at"      ? tSimCommandKind::kAt
               : verb == "every" ? tSimCommandKind::kEvery
                                 : tSimCommandKind::kAfter;
    std::string inner;
    std::string ms = FirstWord(rest, inner);
    uint64_t v;
    const uint64_t min = out.kind == tSimCommandKind::kEvery ? 1 : 0;
    if (!ParseUnsigned(ms, 0x7fffffff, v) || v < min) {
      error = verb + " needs a time in ms" + (min ? " (at least 1)" : "") + ", got '" + ms + "'";
      return tSimParseResult::kError;
    }
    out.ms = static_cast<uint32_t>(v);
    auto cmd = std::make_shared<tSimCommand>();
    tSimParseResult r = ParseSimCommand(inner, where, *cmd, error);
    if (r == tSimParseResult::kEmpty) {
      error = verb + " " + ms + " needs a command";
      return tSimParseResult::kError;
    }
    if (r == tSimParseResult::kError) return r;
    out.node = cmd->node;
    out.inner = cmd;
    return tSimParseResult::kCommand;
  }
  if (verb == "do") {
    out.kind = tSimCommandKind::kDo;
    std::string text;
    out.node = FirstWord(rest, text);
    if (out.node.empty() || text.empty()) {
      error = "usage: do NODE TEXT";
      return tSimParseResult::kError;
    }
    out.text = text;
    return tSimParseResult::kCommand;
  }

  std::vector<std::string> words;
  if (!SplitWords(line, words, error)) return tSimParseResult::kError;
  bool ok = false;
  if (verb == "node") {
    out.kind = tSimCommandKind::kNode;
    if (words.size() < 2) {
      error = "usage: node NAME key=value...";
      return tSimParseResult::kError;
    }
    out.node = words[1];
    ok = ParseNodeConfig(words[1], std::vector<std::string>(words.begin() + 2, words.end()),
                         out.config, error);
  } else if (verb == "send") {
    out.kind = tSimCommandKind::kSend;
    ok = ParseSend(words, out, error);
  } else if (verb == "claim") {
    out.kind = tSimCommandKind::kClaim;
    uint64_t a;
    ok = ParseNodeTarget(words, 3, "claim NODE ADDRESS", out, error);
    if (ok && !ParseUnsigned(words[2], 253, a)) {
      error = "claim: address '" + words[2] + "' is not 0..253";
      ok = false;
    }
    if (ok) out.address = static_cast<uint8_t>(a);
  } else if (verb == "silent" || verb == "resume" || verb == "remove") {
    out.kind = verb == "silent"   ? tSimCommandKind::kSilent
               : verb == "resume" ? tSimCommandKind::kResume
                                  : tSimCommandKind::kRemove;
    ok = ParseNodeTarget(words, 2, (verb + " NODE").c_str(), out, error);
  } else if (verb == "frame") {
    out.kind = tSimCommandKind::kFrame;
    ok = words.size() == 2 && ParseCandumpFrame(words[1], out.frame);
    if (!ok) error = "usage: frame ID#HEX (e.g. frame 18EEFF23#0102030405060708)";
  } else if (verb == "adapter") {
    out.kind = tSimCommandKind::kAdapter;
    ok = words.size() == 2 && words[1] == "reset";
    if (!ok) error = "usage: adapter reset";
  } else if (verb == "quit") {
    out.kind = tSimCommandKind::kQuit;
    ok = words.size() == 1;
    if (!ok) error = "quit takes nothing after it";
  } else {
    error = "unknown command '" + verb + "'";
  }
  return ok ? tSimParseResult::kCommand : tSimParseResult::kError;
}
