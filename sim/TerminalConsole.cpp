#include "TerminalConsole.h"

#include <cstring>

void tTerminalConsole::Receive(uint8_t sender, const char *chars, int count,
                               std::vector<std::string> &lines) {
  tTyped &typed = typed_[sender];
  for (int i = 0; i < count; i++) {
    const char c = chars[i];
    if (typed.afterCommand && (c == '\r' || c == '\n')) continue;
    typed.afterCommand = false;
    if (c == '\n') {
      if (!typed.text.empty() && typed.text.back() == '\r') typed.text.pop_back();
      lines.push_back(typed.text);
      typed.text.clear();
      continue;
    }
    if (typed.text.size() < kMaxLine) typed.text += c;
    if (c == '@') {
      lines.push_back(typed.text);
      typed.text.clear();
      typed.afterCommand = true;
    }
  }
}

bool tTerminalConsole::Say(uint8_t destination, const std::string &text) {
  const size_t pieces = (text.size() + kPieceChars - 1) / kPieceChars;
  if (pieces > kMaxQueued - count_) {
    dropped_++;
    return false;
  }
  for (size_t at = 0; at < text.size(); at += kPieceChars) {
    tPiece &piece = queue_[(head_ + count_) % kMaxQueued];
    const size_t n = text.size() - at < kPieceChars ? text.size() - at : kPieceChars;
    piece.destination = destination;
    piece.count = static_cast<uint8_t>(n);
    std::memcpy(piece.chars, text.data() + at, n);
    count_++;
  }
  return true;
}

const tTerminalConsole::tPiece *tTerminalConsole::Due(uint32_t now) const {
  if (count_ == 0) return nullptr;
  if (sentAny_ && now - lastSent_ < paceMs_) return nullptr;
  return &queue_[head_];
}

void tTerminalConsole::Sent(uint32_t now) {
  if (count_ == 0) return;
  head_ = (head_ + 1) % kMaxQueued;
  count_--;
  sentAny_ = true;
  lastSent_ = now;
}

void tTerminalConsole::Clear() {
  typed_.clear();
  head_ = count_ = 0;
}
