#include "MainLoop.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include "DeviceScan.h"
#include "ProcessObjects.h"
#include "Runtime.h"

namespace {
// Descriptors one wait watches: the CAN link, the wake-up pipe, the ports.
constexpr int kMaxPollFds = 258;

// The signal handler only writes to this pipe, so a signal that arrives just before
// poll() still wakes it.
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

tMainLoop::~tMainLoop() {
  for (int &fd : WakePipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

bool tMainLoop::CatchStopSignals() {
  if (WakePipe[0] < 0 && pipe2(WakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction sa;
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  return true;
}

void tMainLoop::Pass() {
  const uint32_t framesBefore = NMEA2000.Stats().rxFrames;
  NMEA2000.ParseMessages();
  const uint32_t frames = NMEA2000.Stats().rxFrames - framesBefore;
  linkBatchMs_ = frames >= kFullBusFrames                     ? kLinkBatchFullMs
                 : frames > 1 || (frames == 1 && readFrames_) ? kLinkBatchMs
                                                              : 0;
  readFrames_ = frames > 0;
  keeper_.Follow(NMEA2000.ReadResetClaimEvents(), NMEA2000.GetN2kSource(0), NMEA2000.IsReady(),
                 Runtime->Millis());
  ScanDeviceList();
  Devices.poll();
  Batteries.poll();
  // What the pass queued (terminal chunks, say) goes out now, not a wait later.
  if (NMEA2000.PendingFrames() > 0) NMEA2000.SendPending();
}

bool tMainLoop::Wait(uint32_t maxWaitMs) {
  if (StopSignal != 0) return false;
  struct pollfd fds[kMaxPollFds];
  int n = 0;
  if (WakePipe[0] >= 0) fds[n++] = {WakePipe[0], POLLIN, 0};
  const int link = NMEA2000.PollFd();
  if (linkBatchMs_ > 0) {
    maxWaitMs = Earlier(maxWaitMs, linkBatchMs_);
  } else if (link >= 0) {
    fds[n++] = {link, static_cast<short>(POLLIN | (NMEA2000.WantsWrite() ? POLLOUT : 0)), 0};
  }
  n += Devices.AddPollFds(fds + n, kMaxPollFds - n);

  const uint32_t now = Runtime->Millis();
  uint32_t due = Earlier(maxWaitMs, NMEA2000.MsUntilDue(now));
  due = Earlier(due, keeper_.MsUntilDue(now));
  due = Earlier(due, Devices.MsUntilDue(now));
  due = Earlier(due, Batteries.MsUntilDue(now));
  const int ready = poll(fds, n, static_cast<int>(due));
  Devices.NoteReady(fds, ready > 0 ? n : 0);
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

void tMainLoop::Shutdown() {
  keeper_.Stop(NMEA2000.GetN2kSource(0));
  Devices.Clear();
  Batteries.Clear();
}
