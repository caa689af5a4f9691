// Simulator figures with a full bus: 254 fixed-address nodes (addresses 0..253).
//   create:  time to create the nodes and have every claim settled
//   idle:    time one pass of the loop takes with nothing to do (mean and worst)
//   request: time from a request on the bus to the last answer (one node; all nodes)
//   memory:  resident set size before and after
// Usage: bench_sim_nodes [NODES]   (default 254)
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "Simulator.h"

namespace {

double Now() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

long RssKiB() {
  FILE *f = std::fopen("/proc/self/statm", "r");
  if (f == nullptr) return -1;
  long pages = 0, resident = 0;
  int n = std::fscanf(f, "%ld %ld", &pages, &resident);
  std::fclose(f);
  return n == 2 ? resident * 4 : -1;
}

tCanFrame Request(uint8_t to, unsigned long pgn) {
  tCanFrame f;
  f.id = 0x18EA0000u | static_cast<uint32_t>(to) << 8 | 0xFE;
  f.len = 3;
  f.data[0] = pgn & 0xff;
  f.data[1] = (pgn >> 8) & 0xff;
  f.data[2] = (pgn >> 16) & 0xff;
  return f;
}

// Steps until the probe has seen want frames; the time that took, in ms.
double Answer(tSimulator &sim, tVirtualBusPort &probe, const tCanFrame &request, size_t want) {
  tCanFrame f;
  while (probe.Read(f) == tCanIo::kOk) {
  }
  const double start = Now();
  probe.Write(request);
  size_t got = 0;
  for (int i = 0; i < 100000 && got < want; i++) {
    sim.Step(0);
    while (probe.Read(f) == tCanIo::kOk) got++;
  }
  return (Now() - start) * 1000;
}

}  // namespace

int main(int argc, char **argv) {
  const int nodes = argc > 1 ? std::atoi(argv[1]) : 254;
  if (nodes < 1 || nodes > 254) {
    std::fprintf(stderr, "usage: bench_sim_nodes [NODES 1..254]\n");
    return 2;
  }
  tSimulator sim(nullptr, nullptr);
  tVirtualBusPort probe(sim.Bus());
  probe.Open();
  const long rssBefore = RssKiB();
  double start = Now();
  char line[64];
  for (int a = 0; a < nodes; a++) {
    std::snprintf(line, sizeof(line), "node n%d aac=0 address=%d", a, a);
    if (!sim.ExecuteLine(line, {"bench", a + 1})) return 1;
  }
  std::snprintf(line, sizeof(line), "n%d", nodes - 1);
  for (int i = 0; i < 100000 && !sim.FindNode(line)->IsReady(); i++) sim.Step(1);
  std::printf("create: %d nodes claimed and settled in %.0f ms\n", nodes, (Now() - start) * 1000);

  for (int i = 0; i < 200; i++) sim.Step(0);  // heartbeats and the like out of the way
  const int passes = 2000;
  double worst = 0;
  start = Now();
  for (int i = 0; i < passes; i++) {
    const double t = Now();
    sim.Step(0);
    if (Now() - t > worst) worst = Now() - t;
  }
  std::printf("idle: one pass %.3f ms mean, %.3f ms worst\n", (Now() - start) * 1000 / passes,
              worst * 1000);
  std::printf("request: product information from one node answered in %.2f ms\n",
              Answer(sim, probe, Request(nodes / 2, 126996), 20));
  std::printf("request: address claim from everybody answered in %.2f ms (%d claims)\n",
              Answer(sim, probe, Request(255, 60928), static_cast<size_t>(nodes)), nodes);
  std::printf("memory: %ld KiB resident before, %ld KiB with the nodes\n", rssBefore, RssKiB());
  return 0;
}
