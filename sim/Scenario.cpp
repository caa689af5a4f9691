#include "Scenario.h"

#include <cerrno>
#include <cstring>
#include <fstream>

int LoadScenario(const std::string &path, std::vector<tSimCommand> &commands, FILE *err) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(err, "%s: cannot read: %s\n", path.c_str(), std::strerror(errno));
    return -1;
  }
  int errors = 0;
  std::string line;
  tSimLocation where{path, 0};
  while (std::getline(in, line)) {
    where.line++;
    if (line.size() > kMaxCommandLine) {
      std::fprintf(err, "%s:%d: line longer than %zu characters\n", path.c_str(), where.line,
                   kMaxCommandLine);
      errors++;
      continue;
    }
    tSimCommand command;
    std::string error;
    switch (ParseSimCommand(line, where, command, error)) {
      case tSimParseResult::kCommand:
        commands.push_back(std::move(command));
        break;
      case tSimParseResult::kError:
        std::fprintf(err, "%s:%d: %s\n", path.c_str(), where.line, error.c_str());
        errors++;
        break;
      case tSimParseResult::kEmpty:
        break;
    }
  }
  return errors;
}
