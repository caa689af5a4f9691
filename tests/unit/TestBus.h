// Real nodes on an in-memory bus with a clock the test moves by hand.
#ifndef TESTS_UNIT_TESTBUS_H
#define TESTS_UNIT_TESTBUS_H

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "NMEA2000.h"
#include "VirtualBus.h"

struct tFakeClock {
  uint32_t now = 1000;
};

class tTestNode : public tNMEA2000 {
 public:
  tTestNode(tVirtualBus &bus, tFakeClock &clock) : bus_(bus), clock_(clock) { SetPollTimeout(0); }
  tVirtualBusPort *port = nullptr;  // owned by the node once opened

 protected:
  tCanTransport *CreateTransport() override {
    port = new tVirtualBusPort(bus_);
    return port;
  }
  uint32_t CurrentTime() const override { return clock_.now; }

 private:
  tVirtualBus &bus_;
  tFakeClock &clock_;
};

// A bare attachment that lets a test put frames on the bus and see what others send.
class tProbe {
 public:
  explicit tProbe(tVirtualBus &bus) : port_(bus) { port_.Open(); }
  void Send(const tCanFrame &f) { port_.Write(f); }
  std::vector<tCanFrame> Drain() {
    std::vector<tCanFrame> out;
    tCanFrame f;
    while (port_.Read(f) == tCanIo::kOk) out.push_back(f);
    return out;
  }

 private:
  tVirtualBusPort port_;
};

// Advances the clock in steps, letting every node parse after each step.
inline void RunFor(tFakeClock &clock, std::initializer_list<tNMEA2000 *> nodes, uint32_t ms,
                   uint32_t step = 5) {
  for (uint32_t t = 0; t <= ms; t += step) {
    for (auto *n : nodes) n->ParseMessages();
    clock.now += step;
  }
}

inline tCanFrame MakeFrame(uint32_t id, std::initializer_list<uint8_t> bytes) {
  tCanFrame f;
  f.id = id;
  f.len = 0;
  for (uint8_t b : bytes)
    if (f.len < 8) f.data[f.len++] = b;
  return f;
}

#endif
