#include "BatteryLogPath.h"

#include <cstdio>
#include <string>

#include "SafeName.h"

namespace {
// Appends ":" and text with '/' replaced; false when it does not fit.
bool AppendField(char *out, size_t size, size_t &len, const char *text) {
  const std::string part = FileNamePart(text);
  if (len + 1 + part.size() >= size) return false;
  out[len++] = ':';
  part.copy(out + len, part.size());
  len += part.size();
  out[len] = '\0';
  return true;
}

// Accounts for what snprintf just wrote at out + len; false when it was cut.
bool Wrote(size_t size, size_t &len, int n) {
  if (n < 0 || static_cast<size_t>(n) >= size - len) return false;
  len += static_cast<size_t>(n);
  return true;
}
}  // namespace

bool BatteryLogPath(char *out, size_t size, const char *logDir, int source, int manufacturer,
                    uint32_t unique, int product, const char *modelId, const char *modelVersion,
                    int instance) {
  if (size == 0) return false;
  size_t len = 0;
  out[0] = '\0';
  bool ok = Wrote(size, len, snprintf(out, size, "%s/BAT-%d", logDir, source));
  if (ok && instance != kBatteryFirstInstance)
    ok = Wrote(size, len, snprintf(out + len, size - len, ".%d", instance));
  if (ok)
    ok = Wrote(size, len,
               snprintf(out + len, size - len, ":%d:%lu", manufacturer,
                        static_cast<unsigned long>(unique)));
  if (ok && product != 0) ok = Wrote(size, len, snprintf(out + len, size - len, ":%d", product));
  if (ok && modelId[0] != '\0') ok = AppendField(out, size, len, modelId);
  if (ok && modelVersion[0] != '\0') ok = AppendField(out, size, len, modelVersion);
  if (ok) ok = Wrote(size, len, snprintf(out + len, size - len, ".log"));
  if (!ok) out[0] = '\0';
  return ok;
}
