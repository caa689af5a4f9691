#include "MainLoop.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "Console.h"

namespace {
// The signal handler only writes to this pipe, so a signal that arrives just before
// poll() still wakes it. Signals are the process's: so is this.
int WakePipe[2] = {-1, -1};
volatile sig_atomic_t StopSignal = 0;

void OnStopSignal(int sig) {
  StopSignal = sig;
  const int saved = errno;
  const char byte = 1;
  ssize_t n = write(WakePipe[1], &byte, 1);
  (void)n;
  errno = saved;
}

uint32_t Earlier(uint32_t a, uint32_t b) {
  return a < b ? a : b;
}
}  // namespace

int tPoller::Poll(struct pollfd *fds, int count, int timeoutMs) {
  return poll(fds, static_cast<nfds_t>(count), timeoutMs);
}

void tPoller::Sleep(uint32_t ms) {
  poll(nullptr, 0, static_cast<int>(ms));
}

tMainLoop::~tMainLoop() {
  for (int &fd : WakePipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  StopSignal = 0;
}

bool tMainLoop::Add(tLoopPart &part) {
  if (count_ >= kMaxParts) return false;
  parts_[count_++] = &part;
  return true;
}

bool tMainLoop::CatchStopSignals() {
  if (WakePipe[0] < 0 && pipe2(WakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction sa;
  std::memset(&sa, 0, sizeof(sa));
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  return true;
}

void tMainLoop::RequestStop(int sig) {
  StopSignal = sig;
}

void tMainLoop::Pass() {
  const uint32_t now = clock_.Millis();
  for (int i = 0; i < count_; i++) parts_[i]->Pass(now);
}

// A part's due time, held back while it keeps saying "at once" without progress.
uint32_t tMainLoop::Due(int i, uint32_t now) {
  const uint32_t due = parts_[i]->MsUntilDue(now);
  if (due > 0) {
    dueAtOnce_[i] = 0;
    return due;
  }
  if (dueAtOnce_[i] < kSpinPasses) {
    dueAtOnce_[i]++;
    return 0;
  }
  if (!spinSaid_[i]) {
    spinSaid_[i] = true;
    StreamPrintf(&console_,
                 "tMainLoop: %s is due at once pass after pass without progress; waiting %u ms "
                 "for it\n",
                 parts_[i]->Name(), static_cast<unsigned>(kSpinBackoffMs));
  }
  return kSpinBackoffMs;
}

bool tMainLoop::Wait(uint32_t maxWaitMs) {
  if (StopSignal != 0) return false;
  struct pollfd fds[kMaxPollFds];
  int first[kMaxParts], taken[kMaxParts];
  int n = 0;
  if (WakePipe[0] >= 0) fds[n++] = {WakePipe[0], POLLIN, 0};
  const uint32_t now = clock_.Millis();
  uint32_t due = maxWaitMs;
  for (int i = 0; i < count_; i++) {
    first[i] = n;
    taken[i] = parts_[i]->PollFds(fds + n, kMaxPollFds - n);
    for (int k = n; k < n + taken[i]; k++) fds[k].revents = 0;
    n += taken[i];
    due = Earlier(due, Due(i, now));
  }
  const int ready = poller_.Poll(fds, n, static_cast<int>(due));
  if (ready < 0) {
    const int error = errno;
    for (int k = 0; k < n; k++) fds[k].revents = 0;
    if (error != EINTR) {
      if (!pollErrorSaid_) {
        pollErrorSaid_ = true;
        StreamPrintf(&console_, "tMainLoop: poll failed: %s; pausing %u ms between waits\n",
                     strerror(error), static_cast<unsigned>(kPollErrorBackoffMs));
      }
      poller_.Sleep(kPollErrorBackoffMs);
    }
  } else if (ready == 0) {
    timedWakeups_++;
  }
  for (int i = 0; i < count_; i++) parts_[i]->Ready(fds + first[i], taken[i]);
  if (WakePipe[0] >= 0 && (fds[0].revents & POLLIN)) {
    char drain[16];
    while (read(WakePipe[0], drain, sizeof(drain)) > 0) {
    }
  }
  return StopSignal == 0;
}

int tMainLoop::Run() {
  do Pass();
  while (Wait());
  return StopSignal;
}
