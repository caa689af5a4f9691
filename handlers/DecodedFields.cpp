#include "DecodedFields.h"

#include <cstdarg>
#include <cstdio>

#include "Console.h"

namespace {

constexpr uint8_t kPairWidth = 2;

bool Scaled(const tN2kField &f) {
  return f.Resolution != 1 || f.Offset != 0;
}

// snprintf at line + len, len kept within the buffer whatever was cut.
void Append(char *line, size_t &len, const char *format, ...) __attribute__((format(printf, 3, 4)));
void Append(char *line, size_t &len, const char *format, ...) {
  if (len + 1 >= kPrintfBufferSize) return;
  va_list ap;
  va_start(ap, format);
  const int n = std::vsnprintf(line + len, kPrintfBufferSize - len, format, ap);
  va_end(ap);
  if (n < 0) return;
  len += static_cast<size_t>(n);
  if (len >= kPrintfBufferSize) len = kPrintfBufferSize - 1;
}

void AppendField(char *line, size_t &len, const tN2kFieldValue &v, tFieldShow show) {
  const tN2kField &f = *v.Field;
  const bool pair = f.Width == kPairWidth && !Scaled(f);
  if (show != tFieldShow::kValues && pair)
    Append(line, len, "%s=%d", f.Name, Flag(v) ? 1 : 0);
  else if (show == tFieldShow::kScaledCodes && Scaled(f))
    Append(line, len, "%s(%s)=%g", f.Name, f.Unit,
           static_cast<double>(v.Raw) * f.Resolution + f.Offset);
  else if (show == tFieldShow::kValues && Scaled(f))
    Append(line, len, "%s=%g", f.Name, v.Value);
  else
    Append(line, len, "%s=%d", f.Name, Code(v));
}

}  // namespace

int Code(const tN2kFieldValue &f) {
  const int width = f.Field->Width;
  if ((f.Field->Flags & kN2kSigned) && width < 64) {
    const uint64_t sign = 1ull << (width - 1);
    return static_cast<int>(static_cast<int64_t>((f.Raw ^ sign) - sign));
  }
  return static_cast<int>(static_cast<uint32_t>(f.Raw));
}

void LogFields(tConsole &console, const tN2kFieldValue *fields, int count, tFieldShow show,
               const char *head, ...) {
  char line[kPrintfBufferSize];
  va_list ap;
  va_start(ap, head);
  const int n = std::vsnprintf(line, sizeof(line), head, ap);
  va_end(ap);
  if (n < 0) return;
  size_t len = static_cast<size_t>(n) < sizeof(line) ? static_cast<size_t>(n) : sizeof(line) - 1;
  for (int i = 0; i < count; i++) {
    if (i > 0) Append(line, len, ", ");
    AppendField(line, len, fields[i], show);
  }
  Append(line, len, "\n");
  console.print(line);
}

bool DecodeLogged(tConsole &console, const tN2kMsgDesc &desc, const tN2kMsg &msg,
                  tN2kFieldValue (&f)[kN2kMaxFields], tFieldShow show, int level, const char *name,
                  int count) {
  if (!N2kDecodeFields(desc, msg, f)) return false;
  if (console.Logging(level))
    LogFields(console, f, count < 0 ? desc.FieldCount : count, show, "%s(%d): ", name, msg.Source);
  return true;
}
