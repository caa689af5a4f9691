// tidewire: the gateway daemon. Start-up in the order the node needs it, then one loop.
#include <signal.h>

#include <cstdio>
#include <string>

#include "CanAddress.h"
#include "Console.h"
#include "HostIdentity.h"
#include "LoopParts.h"
#include "MainLoop.h"
#include "MqttStart.h"
#include "Options.h"
#include "ProcessObjects.h"
#include "VendorInfo.h"

namespace {
// The router's identity on the bus, the stored address, the node's buffers and its
// message handler; returns the stored address.
uint8_t SetUpNode(tProcessObjects &p) {
  tNMEA2000_SocketCAN &node = p.node;
  node.SetFrameBufferSize(kNodeFrameBufferSize);
  node.SetMessageBufferCount(kNodeMessageBufferCount);
  {
    bool noEth0 = false;
    std::string serial = GetManufacturerSerialCode(p.console, &noEth0);
    p.routerId = noEth0 ? RouterIdFromInterfaces("/sys/class/net") : serial;
    if (p.routerId.empty()) p.routerId = serial;
    std::string modelId = GetManufacturerModelID(p.console);
    std::string software = GetManufacturerSoftwareVersion(p.console);
    p.routerModel = modelId;
    p.routerVersion = software;
    std::string model = GetManufacturerModel(p.console);
    node.SetProductInformation(serial.c_str(), kProductCode, modelId.c_str(), software.c_str(),
                               model.c_str(), 255, 65535, 255, 0);
  }
  node.SetProgmemConfigurationInformation(kVendorBanner, nullptr, nullptr);
  node.SetDeviceInformation(GetManufacturerUniqueID(p.console), kDeviceFunction, kDeviceClass,
                            kManufacturerCode, kIndustryGroup, 0);
  node.SetTrafficEchoStream(&p.trafficEcho);
  node.SetTrafficEchoFormat(1);
  node.EnableTrafficEcho(p.console.Logging(9));
  const uint8_t address = GetCANAddress(p.console);
  node.SetMode(tNMEA2000::N2km_ListenAndNode, address);
  p.deviceList.ResetDeviceList();
  node.ExtendTransmitMessages(TransmitPGNs, 0);
  node.ExtendReceiveMessages(ReceivePGNs, 0);
  node.SetMsgHandler(&p.dispatcher);
  node.SetPollTimeout(0);  // the loop owns the wait
  return address;
}
}  // namespace

int main(int argc, char *argv[]) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  static tProcessObjects p;
  if (ParseOptions(argc, argv, p.settings, p.node, p.mqtt) == tParseResult::kUsage)
    Usage(p.console, argv[0]);
  p.console.SetDebugLevel(p.settings.debugLevel);
  if (p.console.Logging(1))
    StreamPrintf(&p.console, "Debug level = %d, logger=%s\n", p.settings.debugLevel,
                 p.settings.consoleDevice != nullptr ? p.settings.consoleDevice : "(null)");
  p.console.Repoint(p.settings.debugLevel, p.settings.consoleDevice);

  const uint8_t storedAddress = SetUpNode(p);
  if (!p.node.Open()) {
    std::fputs("Failed to open CAN port\n", stdout);
    return 1;
  }

  tAddressKeeper keeper(storedAddress, p.addressStore, p.console);
  tCommandsPart commands(p.commands);
  tLinkPart link(p.node, p.handlers.now);
  tAddressPart address(p.node, keeper);
  tScanPart scan(p.deviceList, p.devices, p.console);
  tDevicesPart ports(p.devices);
  tBatteriesPart batteries(p.batteries);
  tDropsPart drops(p.devices, p.raw, p.console);
  tFlushPart flush(p.node);
  std::unique_ptr<tLoopPart> mqtt = StartMqtt(p);
  tPoller poller;
  tMainLoop loop(poller, p.clock, p.console);
  for (tLoopPart *part : std::initializer_list<tLoopPart *>{&commands, &link, &address, &scan,
                                                            &ports, &batteries, &drops})
    loop.Add(*part);
  if (mqtt != nullptr) loop.Add(*mqtt);
  loop.Add(flush);
  loop.CatchStopSignals();
  const int sig = loop.Run();

  // A store still to be made, and what runs, ends within its time limit first.
  keeper.Stop(p.node.GetN2kSource(0), p.clock.Millis());
  p.commands.Finish();
  p.devices.Clear();
  p.batteries.Clear();
  mqtt.reset();
  // Ended by the signal, as far as whoever started us can tell.
  signal(sig, SIG_DFL);
  raise(sig);
  return 128 + sig;
}
