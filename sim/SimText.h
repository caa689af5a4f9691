// Words and numbers of the simulator's command language: no I/O, no state.
//
// A line splits into words at blanks. A word may hold double quotes: key="a b" is one
// word whose value keeps its blanks. Inside quotes, and in the texts of rawline, the
// escapes \\ \" \r \n \t \a and \xHH stand for their characters. Outside quotes, a
// word that starts with '#' starts a comment that runs to the end of the line.
#ifndef SIM_SIMTEXT_H
#define SIM_SIMTEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A namespace of their own: these common names must not meet the daemon's in one binary.
namespace simtext {

// Splits line into words (quotes removed, escapes resolved). False, with a message,
// for an unterminated quote or a bad escape.
bool SplitWords(const std::string &line, std::vector<std::string> &words, std::string &error);

// Resolves the escapes of text (no quoting). False for a bad escape.
bool Unescape(const std::string &text, std::string &out, std::string &error);

// Splits "key=value"; false when there is no '=' or the key is empty.
bool SplitKeyValue(const std::string &word, std::string &key, std::string &value);

bool EqualsNoCase(const std::string &a, const char *b);

// Unsigned integer: decimal, or hex with 0x. False when malformed or above max.
bool ParseUnsigned(const std::string &s, uint64_t max, uint64_t &out);
// Signed integer within min..max (decimal, or 0x hex for non-negative values).
bool ParseSigned(const std::string &s, int64_t min, int64_t max, int64_t &out);
// A finite decimal number (1, -2.5, 1e3) or 0x hex integer.
bool ParseNumber(const std::string &s, double &out);
// A PGN: digits only = decimal (127508); hex with 0x (0x1FFC7), a trailing h (1FFC7h)
// or hex letters (1FFC7). At most 0x3FFFF.
bool ParsePgn(const std::string &s, unsigned long &out);
// "PGN,PGN,..." of non-zero PGNs, at most one PGN list message long; out gets them
// followed by a terminating 0.
bool ParsePgnList(const std::string &text, std::vector<unsigned long> &out);
// Hex bytes, two digits each ("0102FF"); at most max bytes. Empty is 0 bytes.
bool ParseHexBytes(const std::string &s, uint8_t *out, size_t max, size_t &len);
// "on/off/yes/no/true/false/1/0".
bool ParseBool(const std::string &s, bool &out);

}  // namespace simtext

#endif
