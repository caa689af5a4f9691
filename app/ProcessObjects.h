// The daemon's objects, made together in the order they need each other: the console,
// the clock, the run settings, the node, the bus device list, the two registries, the RAW broadcast
// (the handlers' forwarder to the LAN) and the handlers' context. This is the one place that knows
// them all; every other part gets what it works with through its constructor. main makes one before
// it reads the command line, which fills settings (the parts keep a reference to it).
#ifndef APP_PROCESSOBJECTS_H
#define APP_PROCESSOBJECTS_H

#include "Batteries.h"
#include "CanAddress.h"
#include "CommandRunner.h"
#include "Console.h"
#include "DeviceList.h"
#include "Devices.h"
#include "Dispatch.h"
#include "HandlerContext.h"
#include "MqttSettings.h"
#include "MsgSender.h"
#include "N2kStream.h"
#include "NMEA2000_SocketCAN.h"
#include "RawBroadcast.h"
#include "RawLink.h"
#include "RunSettings.h"
#include "Runtime.h"
#include "TtyAssignment.h"

// The node as the parts' way onto the bus (device index 0).
class tNodeSender : public tMsgSender {
 public:
  explicit tNodeSender(tNMEA2000 &node) : node_(node) {}
  bool SendMsg(const tN2kMsg &msg) override { return node_.SendMsg(msg, 0); }

 private:
  tNMEA2000 &node_;
};

struct tProcessObjects {
  tProcessObjects() = default;
  tProcessObjects(const tProcessObjects &) = delete;
  tProcessObjects &operator=(const tProcessObjects &) = delete;

  // Standard output until main repoints it; made first, so that it outlives every part
  // that prints on it.
  tProcessConsole console;
  // The node's millisecond clock and the wall clock: the loop reads it once a pass.
  tRuntime clock;
  tRunSettings settings;
  // The router's name on MQTT, read at start-up: its serial code (eth0's MAC), or
  // another interface's MAC where it has no eth0; its model and software version.
  std::string routerId, routerModel, routerVersion;
  // On "can0" unless -c names another port.
  tNMEA2000_SocketCAN node{"can0"};
  tNodeSender bus{node};
  // Where the node's traffic echo goes: standard output.
  tSocketStream trafficEcho{nullptr};
  tDeviceListHolder deviceList{node};
  // Commands after start-up (uci stores, the port table, /bin/date) run beside the
  // loop; destroyed after all that uses it.
  tCommandRunner commands{clock, console};
  tUciTtyAssigner ttys{commands, console};
  tDevices devices{settings, ttys, deviceList, bus, console};
  tBatteries batteries{settings, deviceList, console};
  tUdpRawLink rawLink;
  tRawBroadcast raw{rawLink, node, settings, clock, console};
  tHandlerContext handlers{devices, batteries, raw, bus, commands, console, clock};
  tUciAddressStore addressStore{commands, console};
  tDispatcher dispatcher{handlers};
  // MQTT (-m, -M); StartMqtt makes the rest.
  tMqttSettings mqtt;
};

#endif
