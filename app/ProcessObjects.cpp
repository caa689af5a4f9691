#include "ProcessObjects.h"

#include "RunSettings.h"

tRunSettings RunSettings;

// Order matters: this file is the only place these objects are defined.
tNMEA2000_SocketCAN &NMEA2000 = *new tNMEA2000_SocketCAN("can0");
tSocketStream TrafficEchoStream(nullptr);
tDevices Devices;
tBatteries Batteries;
// The console starts on standard output; re-pointing it later keeps this one alive.
static tSerial StartConsole(nullptr);
tSerial *Console = &StartConsole;
