#include "CommandRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "Console.h"
#include "N2kTime.h"

extern char **environ;

namespace {
constexpr size_t kReadChunk = 256;
// The most descriptors Finish waits on: an output pipe and a pidfd a command.
constexpr int kFinishFds = 2 * tCommandRunner::kMaxCommands;
constexpr uint32_t kFinishMaxWaitMs = 1000;

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

// A descriptor that becomes readable when the process ends; -1 where the kernel (or
// the C library's headers) has none.
int PidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

void CloseFd(int &fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}
}  // namespace

tCommandRunner::~tCommandRunner() {
  for (tRunning &r : running_) {
    if (!r.used) continue;
    kill(-r.pid, SIGKILL);
    if (!r.exited) Reap(r, true);
    CloseFd(r.outFd);
    CloseFd(r.pidFd);
  }
}

bool tCommandRunner::Start(const char *command, uint32_t now, tCommandDone &done) {
  tRunning *slot = nullptr;
  for (tRunning &r : running_)
    if (!r.used) {
      slot = &r;
      break;
    }
  if (slot == nullptr) return false;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t pid = Spawn(command, fds[1], fds[0]);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return false;
  }
  fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  tRunning &r = *slot;
  r.used = true;
  r.pid = pid;
  r.outFd = fds[0];
  r.pidFd = PidFd(pid);
  r.exited = false;
  r.status = -1;
  r.start = now;
  r.done = &done;
  r.command = command;
  r.output.clear();
  return true;
}

int tCommandRunner::Running() const {
  int n = 0;
  for (const tRunning &r : running_) n += r.used ? 1 : 0;
  return n;
}

int tCommandRunner::PollFds(struct pollfd *fds, int room) const {
  int n = 0;
  for (const tRunning &r : running_) {
    if (!r.used) continue;
    if (r.outFd >= 0 && n < room) fds[n++] = {r.outFd, POLLIN, 0};
    if (r.pidFd >= 0 && !r.exited && n < room) fds[n++] = {r.pidFd, POLLIN, 0};
  }
  return n;
}

void tCommandRunner::Ready(const struct pollfd *fds, int count) {
  for (int k = 0; k < count; k++) {
    if (fds[k].revents == 0) continue;
    for (tRunning &r : running_) {
      if (!r.used) continue;
      if (fds[k].fd == r.outFd) ReadOutput(r);
      if (fds[k].fd == r.pidFd && !r.exited) Reap(r, false);
    }
  }
}

uint32_t tCommandRunner::MsUntilDue(uint32_t now) const {
  uint32_t due = kN2kNeverDue;
  for (const tRunning &r : running_) {
    if (!r.used) continue;
    uint32_t left = N2kMsLeft(now, r.start, limitMs_);
    if (r.exited && r.outFd < 0) left = 0;
    if (!r.exited && r.pidFd < 0 && r.outFd < 0 && kReapPollMs < left) left = kReapPollMs;
    if (left < due) due = left;
  }
  return due;
}

void tCommandRunner::Step(uint32_t now) {
  for (tRunning &r : running_) {
    if (!r.used) continue;
    // Without a pidfd, the exit is looked for once the output has ended.
    if (!r.exited && r.pidFd < 0 && r.outFd < 0) Reap(r, false);
    if (r.exited && r.outFd < 0)
      End(r, false, now);
    else if (now - r.start >= limitMs_)
      End(r, true, now);
  }
}

void tCommandRunner::Finish() {
  struct pollfd fds[kFinishFds];
  while (Running() > 0) {
    const int n = PollFds(fds, kFinishFds);
    uint32_t wait = MsUntilDue(clock_.Millis());
    if (wait > kFinishMaxWaitMs) wait = kFinishMaxWaitMs;
    if (poll(fds, static_cast<nfds_t>(n), static_cast<int>(wait)) < 0)
      for (int k = 0; k < n; k++) fds[k].revents = 0;
    Ready(fds, n);
    Step(clock_.Millis());
  }
}

void tCommandRunner::ReadOutput(tRunning &r) {
  char buf[kReadChunk];
  while (r.outFd >= 0) {
    const ssize_t n = read(r.outFd, buf, sizeof(buf));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    if (n <= 0) {
      CloseFd(r.outFd);
      return;
    }
    // The rest beyond the limit is read and dropped, so the command never blocks.
    const size_t room = kRunCommandMaxOutput - r.output.size();
    r.output.append(buf, static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room);
  }
}

void tCommandRunner::Reap(tRunning &r, bool wait) {
  int raw = 0;
  pid_t got;
  do got = waitpid(r.pid, &raw, wait ? 0 : WNOHANG);
  while (got < 0 && errno == EINTR);
  if (got == 0) return;
  r.exited = true;
  r.status = got == r.pid && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  CloseFd(r.pidFd);
}

void tCommandRunner::End(tRunning &r, bool timedOut, uint32_t now) {
  if (timedOut) {
    // The shell and whatever it started: nothing of it may run on.
    kill(-r.pid, SIGKILL);
    if (!r.exited) Reap(r, true);
  }
  CloseFd(r.outFd);
  CloseFd(r.pidFd);
  tCommandResult result;
  result.started = true;
  result.timedOut = timedOut;
  result.status = timedOut ? -1 : r.status;
  result.ended = now;
  if (!timedOut) result.output.swap(r.output);
  tCommandDone *done = r.done;
  std::string command;
  command.swap(r.command);
  r.used = false;
  r.done = nullptr;
  r.output.clear();
  if (timedOut)
    StreamPrintf(&console_, "Command timed out after %u ms, ended: %s\n",
                 static_cast<unsigned>(limitMs_), command.c_str());
  // Last: done may start the next command in this very slot.
  done->CommandDone(result);
}

bool tBlockingCommands::Start(const char *command, uint32_t now, tCommandDone &done) {
  tCommandResult result = RunCommandFor(console_, command);
  if (!result.started) return false;
  result.ended = now;  // within the pass that started it
  done.CommandDone(result);
  return true;
}
