// Every decoder of the dispatch table, reached as the node hands messages up: any PGN
// of the table (and others) with any length and bytes, from a registered RO500 (140),
// a registered battery monitor (141), a node the device list knows nothing of, or
// anyone; between messages the clocks move and the registries poll, so status lines,
// heartbeats, removals and DCS lines run on what the messages left behind.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

#include "Dispatch.h"
#include "FuzzCheck.h"
#include "FuzzPort.h"
#include "FuzzRuntime.h"
#include "KnownDevices.h"
#include "NMEA2000_SocketCAN.h"
#include "RawBroadcast.h"

namespace {
constexpr int kCharger = 140;
constexpr int kBattery = 141;
constexpr uint8_t kSources[] = {kCharger, kBattery, 142, 0, 253, 254, 255};

// Every charger gets the one port.
class tPortTty : public tTtyAssigner {
 public:
  void AssignTty(int unique, const char *, tTtyRequester &r, uint32_t now) override {
    r.TtyAssigned(unique, port.path, now);
  }
  tFuzzPort port;
};

// RAW lines are built and handed to a link that sends nothing; the clock is "set" by a
// runtime that runs nothing: the handlers' whole paths run, the host stays untouched.
class tSilentRawLink : public tRawLink {
 public:
  bool Open() override { return true; }
  int ReadTargets(uint32_t *targets, int room) override {
    int n = 0;
    for (uint32_t t : {0x0A4D00FFu, 0u})
      if (n < room) targets[n++] = t;
    return n;
  }
  int Send(const tRawDatagram *datagrams, int count, uint16_t) override {
    for (int i = 0; i < count; i++) FUZZ_CHECK(datagrams[i].length > 0);
    return 0;
  }
};

size_t TableRows() {
  size_t n = 0;
  while (DispatchTable[n].PGN != 0) n++;
  return n;
}

// The bus, the port, the registries and the handlers' context, made once.
struct tWorld {
  tWorld() : rt(FuzzRuntime()) {
    known.Add(kCharger, 204, 963, 200, "RO500", "");
    known.Add(kBattery, 471, 2046, 310, "LFP200", "B");
    known.Settle();
    FUZZ_CHECK(known.FindBySource(kBattery) != nullptr);
    rows = TableRows();
    FUZZ_CHECK(rows > 0);
  }
  tFuzzRuntime &rt;
  tKnownDevices known;
  tPortTty ttys;
  tSilentRawLink link;
  tNMEA2000_SocketCAN node{"can0"};  // never opened: the RAW lines' source address
  tDevices devices{FuzzSettings(), ttys, known, rt, FuzzConsole()};
  tBatteries batteries{FuzzSettings(), known, FuzzConsole()};
  tRawBroadcast raw{link, node, FuzzSettings(), rt, FuzzConsole()};
  tHandlerContext ctx{devices, batteries, raw, rt, rt, FuzzConsole(), rt};
  size_t rows = 0;
};

tN2kMsg NextMessage(FuzzedDataProvider &in, size_t rows) {
  tN2kMsg msg;
  const size_t pick = in.ConsumeIntegralInRange<size_t>(0, rows);
  // One pick past the table: a PGN of any value, which no row may take.
  const unsigned long pgn =
      pick < rows ? DispatchTable[pick].PGN : in.ConsumeIntegralInRange<unsigned long>(0, 0x3ffff);
  msg.SetPGN(pgn, in.ConsumeIntegralInRange<uint8_t>(0, 7));
  msg.Source = kSources[in.ConsumeIntegralInRange<size_t>(0, sizeof(kSources) - 1)];
  msg.Destination = in.ConsumeBool() ? kN2kGlobalAddress : in.ConsumeIntegral<uint8_t>();
  // Mostly a frame's worth; now and then a long fast packet.
  int len = in.ConsumeIntegralInRange<int>(0, 10);
  if (len > kCanMaxDataLen) len = in.ConsumeIntegralInRange<int>(0, kN2kMaxDataLen);
  for (int i = 0; i < len; i++) msg.Data[i] = in.ConsumeIntegral<uint8_t>();
  msg.DataLen = len;
  return msg;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static tWorld world;
  tFuzzRuntime &rt = FuzzRuntime();
  FuzzedDataProvider in(data, size);
  FuzzConsole().SetDebugLevel(in.ConsumeBool() ? 9 : 0);
  FuzzSettings().statusUpdates = in.ConsumeBool();
  FuzzSettings().localEcho = in.ConsumeBool();
  FuzzSettings().udpPort = in.ConsumeBool() ? 10110 : -1;
  // A charger registered afresh for every input: the last one may have been dropped.
  tDevices &devices = world.devices;
  tBatteries &batteries = world.batteries;
  devices.Clear();
  batteries.Clear();
  rt.now = in.ConsumeIntegral<uint32_t>();
  FUZZ_CHECK(devices.Add(kCharger, 204, "RODE2.1.5", "RO500", rt.now) != nullptr);

  while (in.remaining_bytes() > 0) {
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
      rt.now += in.ConsumeIntegralInRange<uint32_t>(0, 12000);
      rt.wall += in.ConsumeIntegralInRange<int>(-3600, 3600);
      devices.poll(rt.now);
      batteries.poll(rt.now);
      FUZZ_CHECK(devices.Count() <= 1 && batteries.Count() <= tBatteries::kMaxRecords);
      continue;
    }
    const tN2kMsg msg = NextMessage(in, world.rows);
    world.ctx.now = rt.now;
    HandleN2kMsg(world.ctx, msg);
    if (tRO500 *r = devices.Find(kCharger)) {
      FUZZ_CHECK(r->Bridge().ReceivedLength() < tTerminalBridge::kBufferSize);
      double v, a, t;
      FUZZ_CHECK(devices.GetBatStat(kCharger, v, a, t));
    }
  }
  world.ttys.port.Drain();
  return 0;
}
