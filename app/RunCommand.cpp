#include "RunCommand.h"

#include <cstdio>

std::string RunCommand(const char *command) {
  std::string result;
  FILE *pipe = popen(command, "r");
  // A command that cannot be started reads as one that printed nothing.
  if (pipe == nullptr) return result;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0) {
    size_t room = kRunCommandMaxOutput - result.size();
    result.append(buf, n < room ? n : room);
  }
  pclose(pipe);
  return result;
}

void TrimNewline(std::string &text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
}
