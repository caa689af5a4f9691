// Raw frames from a hostile bus into a whole node, as the daemon runs it: address
// claim, requests, fast packets and BAM, the device list learning whatever product
// information, configuration and PGN lists others announce, the daemon's device scan
// registering RO500s from it, and every message through the dispatch table. Log files
// go to a scratch directory, which must hold nothing but them afterwards.
#include <dirent.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "DeviceList.h"
#include "DeviceScan.h"
#include "Dispatch.h"
#include "FuzzCheck.h"
#include "FuzzRuntime.h"
#include "N2kDeviceList.h"
#include "NMEA2000.h"
#include "RawBroadcast.h"
#include "TestBus.h"
#include "VirtualBus.h"

namespace {
constexpr uint8_t kOurAddress = 177;
// PGNs a hostile node would play with: claims, requests, acknowledgements, commanded
// address, transport protocol, product and configuration information, PGN lists,
// charger status 2 (the RO500 heartbeat), TERMINAL, a DC source status.
constexpr uint32_t kPgns[] = {60928,  59904,  59392,  65240, 60416,  60160, 126996,
                              126998, 126464, 130723, 97792, 131069, 126993};

class tFuzzNode : public tNMEA2000 {
 public:
  tFuzzNode(tVirtualBus &bus, tFuzzRuntime &rt) : bus_(bus), rt_(rt) { SetPollTimeout(0); }

 protected:
  tCanTransport *CreateTransport() override { return new tVirtualBusPort(bus_); }
  uint32_t CurrentTime() const override { return rt_.now; }
  uint32_t RandomSeed() const override { return 12345; }

 private:
  tVirtualBus &bus_;
  tFuzzRuntime &rt_;
};

// Every message the node hands up goes through the dispatch table.
class tCheckedDispatch : public tNMEA2000::tMsgHandler {
 public:
  explicit tCheckedDispatch(tHandlerContext &ctx) : ctx_(ctx) {}
  void HandleMsg(const tN2kMsg &msg) override {
    FUZZ_CHECK(msg.DataLen >= 0 && msg.DataLen <= kN2kMaxDataLen);
    HandleN2kMsg(ctx_, msg);
  }

 private:
  tHandlerContext &ctx_;
};

// No charger gets a port; RAW lines go nowhere (no UDP port is set).
class tNoPort : public tTtyAssigner {
 public:
  void AssignTty(int unique, const char *, tTtyRequester &r, uint32_t now) override {
    r.TtyAssigned(unique, "", now);
  }
};
class tNoLink : public tRawLink {
 public:
  bool Open() override { return false; }
  int ReadTargets(uint32_t *, int) override { return -1; }
  int Send(const tRawDatagram *, int count, uint16_t) override { return count; }
};

std::string LogDir() {
  char dir[] = "/tmp/tidewire-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(dir) != nullptr);
  return dir;
}

// Every entry is a log file the registries made, and goes.
void EmptyLogDir(const std::string &dir) {
  DIR *d = opendir(dir.c_str());
  FUZZ_CHECK(d != nullptr);
  while (struct dirent *e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    FUZZ_CHECK(e->d_type == DT_REG);
    FUZZ_CHECK(name.compare(0, 6, "RO500-") == 0 || name.compare(0, 4, "BAT-") == 0);
    unlink((dir + "/" + name).c_str());
  }
  closedir(d);
}

tCanFrame NextFrame(FuzzedDataProvider &in) {
  tCanFrame f;
  if (in.ConsumeIntegralInRange<int>(0, 9) == 0) {
    f.id = in.ConsumeIntegral<uint32_t>() & kCanIdMask;
  } else {
    const uint32_t pgn = kPgns[in.ConsumeIntegralInRange<size_t>(0, sizeof(kPgns) / 4 - 1)];
    const uint8_t destination = in.ConsumeBool()   ? kN2kGlobalAddress
                                : in.ConsumeBool() ? kOurAddress
                                                   : in.ConsumeIntegral<uint8_t>();
    const uint8_t source = in.ConsumeBool() ? in.ConsumeIntegralInRange<uint8_t>(140, 143)
                                            : in.ConsumeIntegral<uint8_t>();
    f.id = tCanId::Make(in.ConsumeIntegralInRange<uint8_t>(0, 7), pgn, destination, source).Raw();
  }
  f.len = in.ConsumeIntegralInRange<uint8_t>(0, kCanMaxDataLen);
  for (int i = 0; i < f.len; i++) f.data[i] = in.ConsumeIntegral<uint8_t>();
  return f;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::string logDir = LogDir();
  tFuzzRuntime &rt = FuzzRuntime();
  tConsole &console = FuzzConsole();
  FuzzedDataProvider in(data, size);
  console.SetDebugLevel(in.ConsumeBool() ? 9 : 0);
  tRunSettings &settings = FuzzSettings();
  settings.logDir = logDir.c_str();
  rt.now = in.ConsumeIntegral<uint32_t>();

  tVirtualBus bus;
  tFuzzNode node(bus, rt);
  node.SetProductInformation("SER1", 1, "ours", "1.0", "A");
  node.SetDeviceInformation(204, 150, 30, 277, 4);
  node.SetMode(tNMEA2000::N2km_ListenAndNode, kOurAddress);
  tDeviceListHolder list(node);
  list.ResetDeviceList();
  tNoPort ttys;
  tNoLink link;
  tDevices devices(settings, ttys, list, rt, console);
  tBatteries batteries(settings, list, console);
  tRawBroadcast raw(link, node, settings, rt, console);
  tHandlerContext ctx(devices, batteries, raw, rt, rt, console, rt);
  tCheckedDispatch dispatch(ctx);
  node.SetMsgHandler(&dispatch);
  FUZZ_CHECK(node.Open());
  tProbe probe(bus);

  while (in.remaining_bytes() > 0) {
    if (in.ConsumeIntegralInRange<int>(0, 5) == 0)
      rt.now += in.ConsumeIntegralInRange<uint32_t>(0, 3000);
    probe.Send(NextFrame(in));
    ctx.now = rt.now;  // as the CAN link's pass sets it
    node.ParseMessages();
    ScanDeviceList(*list.List(), devices, console, rt.now);
    devices.poll(rt.now);
    batteries.poll(rt.now);
    probe.Drain();
    FUZZ_CHECK(devices.Count() <= 254 && batteries.Count() <= tBatteries::kMaxRecords);
  }
  devices.Clear();
  batteries.Clear();
  EmptyLogDir(logDir);
  return 0;
}
