// Bus library figures over a real pty link, with the adapter side in another process:
//   idle:       CPU share of a node's ParseMessages loop on a quiet bus
//   throughput: messages per second through ParseMessages with a handler
// Usage: bench_buslib [idle SECONDS] [throughput FRAMES]   (default: both, 10 s, 200000)
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "LawicelAdapter.h"
#include "NMEA2000lib.h"

namespace {

// Time on the CPU from the scheduler (nanoseconds), finer than the tick-sampled rusage.
double SchedSeconds() {
  FILE *f = std::fopen("/proc/self/schedstat", "r");
  if (f == nullptr) return -1;
  unsigned long long ns = 0;
  int n = std::fscanf(f, "%llu", &ns);
  std::fclose(f);
  return n == 1 ? ns / 1e9 : -1;
}

double CpuSeconds() {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double Now() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

void SetUpNode(tNMEA2000_SocketCAN &node) {
  node.SetProductInformation("bench", 277, "bench", "1", "1");
  node.SetDeviceInformation(99, 150, 30, 277, 4);
  node.SetMode(tNMEA2000::N2km_ListenAndNode, 177);
}

volatile unsigned long gMessages = 0;
double gFirst = 0, gLast = 0;
void Count(const tN2kMsg &) {
  if (gMessages == 0) gFirst = Now();
  gMessages = gMessages + 1;
  gLast = Now();
}

// Answers the node's commands and, when asked, feeds it frames, until the node exits.
int ServeAdapter(tLawicelAdapterLink &adapter, pid_t node, unsigned long frames) {
  tCanFrame f;
  f.id = 0x19FFFD80;  // RV-C DC source status 1 from 0x80
  f.len = 8;
  unsigned long sent = 0;
  int status = 0;
  for (;;) {
    if (waitpid(node, &status, WNOHANG) == node) break;
    tCanFrame in;
    while (adapter.Receive(in) == tCanIo::kOk) {
    }
    while (frames > 0 && sent < frames && adapter.ChannelOpen()) {
      f.data[0] = static_cast<uint8_t>(sent);
      if (adapter.Send(f) != tCanIo::kOk) break;
      sent++;
    }
    adapter.Flush();
    struct pollfd p = {adapter.Fd(),
                       static_cast<short>(POLLIN | (adapter.TxPending() ? POLLOUT : 0)), 0};
    poll(&p, 1, 20);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// Runs job(node's end of the link) in a child process while this one plays the adapter
// (feeding it frames when asked); returns the child's status.
template <typename tJob>
int WithAdapter(unsigned long frames, tJob job) {
  tLawicelAdapterLink adapter;
  if (!adapter.OpenNewPty()) return 1;
  pid_t child = fork();
  if (child == 0) _exit(job(adapter.PeerPath()));
  return ServeAdapter(adapter, child, frames);
}

int Idle(int seconds) {
  return WithAdapter(0, [seconds](const char *port) {
    tNMEA2000_SocketCAN node(port);
    SetUpNode(node);
    tN2kDeviceList list(&node);
    if (!node.Open()) return 1;
    // Let the claim settle and the first requests go out before measuring.
    uint32_t start = millis();
    while (!N2kElapsed(millis(), start, 1000)) node.ParseMessages();
    double cpu0 = CpuSeconds(), sched0 = SchedSeconds(), t0 = Now();
    unsigned long passes = 0;
    while (Now() - t0 < seconds) {
      node.ParseMessages();
      passes++;
    }
    double cpu = CpuSeconds() - cpu0, sched = SchedSeconds() - sched0, wall = Now() - t0;
    std::printf(
        "idle: %.1f s, %lu loop passes, on CPU %.4f s = %.2f %% of one core (target < 1 %%); "
        "rusage says %.3f s\n",
        wall, passes, sched, 100.0 * sched / wall, cpu);
    return 0;
  });
}

int Throughput(unsigned long frames) {
  return WithAdapter(frames, [frames](const char *port) {
    tNMEA2000_SocketCAN node(port);
    SetUpNode(node);
    node.SetMsgHandler(Count);
    if (!node.Open()) return 1;
    double deadline = Now() + 60;
    while (gMessages < frames && Now() < deadline) node.ParseMessages();
    double span = gLast - gFirst;
    std::printf(
        "throughput: %lu of %lu frames in %.3f s = %.0f frames/s through ParseMessages "
        "(target >= 20000; a full 250 kbit/s bus carries about 1900)\n",
        static_cast<unsigned long>(gMessages), frames, span, span > 0 ? gMessages / span : 0.0);
    const tCanTransportStats *ts = node.TransportStats();
    if (ts != nullptr) std::printf("throughput: link dropped %u malformed lines\n", ts->rxDropped);
    return gMessages == frames ? 0 : 1;
  });
}

}  // namespace

int main(int argc, char *argv[]) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  int rc = 0;
  if (argc < 2 || std::strcmp(argv[1], "idle") == 0)
    rc |= Idle(argc > 2 && std::strcmp(argv[1], "idle") == 0 ? std::atoi(argv[2]) : 10);
  if (argc < 2 || std::strcmp(argv[1], "throughput") == 0)
    rc |= Throughput(argc > 2 && std::strcmp(argv[1], "throughput") == 0
                         ? std::strtoul(argv[2], nullptr, 10)
                         : 200000);
  return rc;
}
