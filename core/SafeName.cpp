#include "SafeName.h"

namespace {
bool Allowed(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}
}  // namespace

std::string SafeName(const char *name) {
  std::string out;
  if (name == nullptr) return out;
  for (const char *p = name; *p != '\0'; p++) out += Allowed(*p) ? *p : '_';
  return out;
}

std::string FileNamePart(const char *name) {
  std::string out;
  if (name == nullptr) return out;
  for (const char *p = name; *p != '\0'; p++) out += *p == '/' ? '_' : *p;
  return out;
}
