// Running a shell command for its output: the host queries, the uci store.
#ifndef APP_RUNCOMMAND_H
#define APP_RUNCOMMAND_H

#include <cstddef>
#include <string>

// The most of a command's output that RunCommand keeps. Answers we ask for (a uci
// value, a line of a release file) are far shorter; a runaway file must not make the
// daemon grow.
constexpr size_t kRunCommandMaxOutput = 4096;

// The command's standard output (run by the shell), at most kRunCommandMaxOutput bytes
// of it: the rest is read and dropped, so the command never blocks on a full pipe.
// Empty when the command cannot be started. The exit status is not looked at.
std::string RunCommand(const char *command);
// Removes one trailing "\n", if there is one.
void TrimNewline(std::string &text);

#endif
