#include "RunCommand.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "Console.h"
#include "N2kTime.h"

extern char **environ;

namespace {
constexpr int kReapPollMs = 5;

// Starts /bin/sh -c command in a process group of its own, its standard output to
// outFd; -1 when it cannot be started.
pid_t Spawn(const char *command, int outFd, int readEnd) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, readEnd);
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attr, 0);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigdefault(&attr, &all);
  char *const argv[] = {const_cast<char *>("sh"), const_cast<char *>("-c"),
                        const_cast<char *>(command), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, "/bin/sh", &actions, &attr, argv, environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return pid;
}

uint32_t MsLeft(uint32_t start, uint32_t limit) {
  return N2kMsLeft(millis(), start, limit);
}

// Reads the pipe until its end or the deadline; true at its end.
bool ReadOutput(int fd, uint32_t start, uint32_t limit, std::string &out) {
  char buf[256];
  for (;;) {
    const uint32_t left = MsLeft(start, limit);
    if (left == 0) return false;
    struct pollfd p = {fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return false;
    if (ready < 0) return true;  // nothing more to read from it
    const ssize_t n = read(fd, buf, sizeof(buf));
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return true;
    const size_t room = kRunCommandMaxOutput - out.size();
    out.append(buf, static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room);
  }
}

// Waits for the shell to exit until the deadline (it may have closed its output and
// still run); true with its status when it did.
bool Reap(pid_t pid, uint32_t start, uint32_t limit, int &status) {
  for (;;) {
    int raw = 0;
    const pid_t r = waitpid(pid, &raw, WNOHANG);
    if (r == pid) {
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      return true;
    }
    if (r < 0 && errno != EINTR) return true;  // not ours to wait for any more
    if (MsLeft(start, limit) == 0) return false;
    poll(nullptr, 0, kReapPollMs);
  }
}
}  // namespace

tCommandResult RunCommandFor(const char *command, uint32_t timeLimitMs) {
  tCommandResult result;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return result;
  const uint32_t start = millis();
  const pid_t pid = Spawn(command, fds[1], fds[0]);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return result;
  }
  result.started = true;
  const bool ended = ReadOutput(fds[0], start, timeLimitMs, result.output);
  close(fds[0]);
  if (ended && Reap(pid, start, timeLimitMs, result.status)) return result;
  // Past the limit: end the shell and whatever it started, then collect it.
  kill(-pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  result.timedOut = true;
  result.status = -1;
  result.output.clear();
  StreamPrintf(Console, "Command timed out after %u ms, ended: %s\n",
               static_cast<unsigned>(timeLimitMs), command);
  return result;
}

std::string RunCommand(const char *command) {
  return RunCommandFor(command).output;
}
