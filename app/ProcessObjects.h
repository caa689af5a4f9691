// The process-wide objects. They are defined together in ProcessObjects.cpp so that
// they are created in this order before main runs: the node, the traffic echo stream,
// the registries, the console stream.
#ifndef APP_PROCESSOBJECTS_H
#define APP_PROCESSOBJECTS_H

#include "Batteries.h"
#include "Console.h"
#include "Devices.h"
#include "N2kStream.h"
#include "NMEA2000_SocketCAN.h"

// The node, on "can0" unless -c names another port. Never destroyed.
extern tNMEA2000_SocketCAN &NMEA2000;
// Where the node's traffic echo goes: standard output.
extern tSocketStream TrafficEchoStream;
// The RO500 registry.
extern tDevices Devices;
// The battery registry.
extern tBatteries Batteries;

#endif
