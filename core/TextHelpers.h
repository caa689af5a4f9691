// Small text helpers shared by the layers above.
#ifndef CORE_TEXTHELPERS_H
#define CORE_TEXTHELPERS_H

#include <cstdint>
#include <string>

// The decimal number at the start of text (leading blanks and a sign allowed, stops at
// the first non-digit), as a 32-bit signed value. False when there is no number there
// or it does not fit 32 bits.
bool ParseLeadingInt32(const std::string &text, int32_t &value);
// Removes one trailing "\n", if there is one.
void TrimNewline(std::string &text);
// Removes every trailing '\r' and '\n': a line as a file or a device ended it.
void TrimLineEnd(std::string &text);
// text in single quotes for the shell, each ' inside written as '\''.
std::string ShellQuote(const std::string &text);

#endif
