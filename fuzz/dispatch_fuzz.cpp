// Every decoder of the dispatch table, reached as the node hands messages up: any PGN
// of the table (and others) with any length and bytes, from a registered RO500 (140),
// a registered battery monitor (141), a node the device list knows nothing of, or
// anyone; between messages the clocks move and the registries poll, so status lines,
// heartbeats, removals and DCS lines run on what the messages left behind.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

#include "DeviceList.h"
#include "Dispatch.h"
#include "FuzzCheck.h"
#include "FuzzPort.h"
#include "FuzzRuntime.h"
#include "KnownDevices.h"
#include "ProcessObjects.h"
#include "RawLink.h"
#include "RunSettings.h"
#include "SystemClock.h"

namespace {
constexpr int kCharger = 140;
constexpr int kBattery = 141;
constexpr uint8_t kSources[] = {kCharger, kBattery, 142, 0, 253, 254, 255};

tFuzzPort *Port;
std::string ChargerTty(int, const char *) {
  return Port->path;
}
void KeepDeviceList() {}

// RAW lines are built and handed to a link that sends nothing; the clock is "set" by a
// runner that runs nothing: the handlers' whole paths run, the host stays untouched.
class tSilentRawLink : public tRawLink {
 public:
  bool Open() override { return true; }
  int ReadTargets(uint32_t *targets, int room) override {
    int n = 0;
    for (uint32_t t : {0x0A4D00FFu, 0u})
      if (n < room) targets[n++] = t;
    return n;
  }
  void Send(const tRawDatagram *datagrams, int count, uint16_t) override {
    for (int i = 0; i < count; i++) FUZZ_CHECK(datagrams[i].length > 0);
  }
};
int NoCommand(const char *command) {
  FUZZ_CHECK(command != nullptr);
  return 0;
}

size_t TableRows() {
  size_t n = 0;
  while (DispatchTable[n].PGN != 0) n++;
  return n;
}

// The bus, the port and the registries, made once.
struct tWorld {
  tWorld() {
    FuzzSurroundings();
    static tSilentRawLink raw;
    RawLink = &raw;
    ClockCommandRunner = NoCommand;
    static tFuzzPort port;
    Port = &port;
    Devices.SetTtyAssigner(ChargerTty);
    Devices.SetDeviceListReset(KeepDeviceList);
    devices.Add(kCharger, 204, 963, 200, "RO500", "");
    devices.Add(kBattery, 471, 2046, 310, "LFP200", "B");
    devices.Settle();
    FUZZ_CHECK(DeviceList->LocalFindDeviceBySource(kBattery) != nullptr);
    rows = TableRows();
    FUZZ_CHECK(rows > 0);
  }
  tKnownDevices devices;
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
  tFuzzRuntime &rt = FuzzSurroundings();
  FuzzedDataProvider in(data, size);
  RunSettings = tRunSettings();
  RunSettings.debugLevel = in.ConsumeBool() ? 9 : 0;
  RunSettings.statusUpdates = in.ConsumeBool();
  RunSettings.localEcho = in.ConsumeBool();
  RunSettings.udpPort = in.ConsumeBool() ? 10110 : -1;
  // A charger registered afresh for every input: the last one may have been dropped.
  Devices.Clear();
  Batteries.Clear();
  rt.now = in.ConsumeIntegral<uint32_t>();
  FUZZ_CHECK(Devices.Add(kCharger, 204, "RODE2.1.5", "RO500") != nullptr);

  while (in.remaining_bytes() > 0) {
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
      rt.now += in.ConsumeIntegralInRange<uint32_t>(0, 12000);
      rt.wall += in.ConsumeIntegralInRange<int>(-3600, 3600);
      Devices.poll();
      Batteries.poll();
      FUZZ_CHECK(Devices.Count() <= 1 && Batteries.Count() <= 2);
      continue;
    }
    const tN2kMsg msg = NextMessage(in, world.rows);
    HandleN2kMsg(msg);
    if (tRO500 *r = Devices.Find(kCharger)) {
      FUZZ_CHECK(r->rxEnd == nullptr ||
                 (r->rxEnd >= r->rxBuf && r->rxEnd < r->rxBuf + tRO500::kBufferSize));
      double v, a, t;
      FUZZ_CHECK(Devices.GetBatStat(kCharger, v, a, t));
    }
  }
  Port->Drain();
  return 0;
}
