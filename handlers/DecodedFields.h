// A message decoded by its description (N2kDecodeFields), as the handlers use it: each
// field's code in the type a registry takes, and the log line that names the fields as
// the description does. So a handler of a new message needs no decoder of its own, and
// its log line no list of labels.
#ifndef HANDLERS_DECODEDFIELDS_H
#define HANDLERS_DECODEDFIELDS_H

#include <cstdint>

#include "Console.h"
#include "N2kCodec.h"

// The raw code, cut to the type; a signed field's code sign-extended.
int Code(const tN2kFieldValue &f);
inline uint8_t Code8(const tN2kFieldValue &f) {
  return static_cast<uint8_t>(f.Raw);
}
inline uint16_t Code16(const tN2kFieldValue &f) {
  return static_cast<uint16_t>(f.Raw);
}
inline uint32_t Code32(const tN2kFieldValue &f) {
  return static_cast<uint32_t>(f.Raw);
}
// A bit pair as a flag: set for 01b only (10b error and 11b not available are not).
inline bool Flag(const tN2kFieldValue &f) {
  return f.Raw == 1;
}

// How a log line shows a field's value.
enum class tFieldShow {
  // Its code ("%d"); a bit pair as a flag, 1 or 0. The RV-C lines.
  kCodes,
  // The same, but a scaled field (a resolution other than 1, or an offset) as
  // "Name(Unit)=%g": its code scaled, whatever the code (not available too).
  kScaledCodes,
  // A whole-number field (resolution 1, no offset), a bit pair too, its code; a scaled
  // one its value ("%g", -1e+09 when it has none). The NMEA 2000 lines.
  kValues,
};

// Prints one line on console: head (a printf format and its arguments), then the first
// count fields as "Name=value", ", " between them, then "\n". Cut at the console's 4095
// characters, as StreamPrintf is.
void LogFields(tConsole &console, const tN2kFieldValue *fields, int count, tFieldShow show,
               const char *head, ...) __attribute__((format(printf, 5, 6)));

// Decodes msg by desc into f and, at debug level `level` and up, logs it on console:
// "name(source): " and its first count fields (every field when count is -1). False,
// nothing logged, when msg is not desc's message.
bool DecodeLogged(tConsole &console, const tN2kMsgDesc &desc, const tN2kMsg &msg,
                  tN2kFieldValue (&f)[kN2kMaxFields], tFieldShow show, int level, const char *name,
                  int count = -1);

#endif
