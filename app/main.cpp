// tidewire: the gateway daemon. Start-up in the order the node needs it, then one loop.
#include <signal.h>

#include <cstdio>
#include <string>

#include "CanAddress.h"
#include "Console.h"
#include "DeviceList.h"
#include "Dispatch.h"
#include "HostIdentity.h"
#include "MainLoop.h"
#include "Options.h"
#include "ProcessObjects.h"
#include "RunSettings.h"
#include "VendorInfo.h"

int main(int argc, char *argv[]) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (ParseOptions(argc, argv, RunSettings, NMEA2000) == tParseResult::kUsage) Usage(argv[0]);
  if (RunSettings.debugLevel > 0)
    StreamPrintf(Console, "Debug level = %d, logger=%s\n", RunSettings.debugLevel,
                 RunSettings.consoleDevice != nullptr ? RunSettings.consoleDevice : "(null)");
  RepointConsole(RunSettings.debugLevel, RunSettings.consoleDevice);

  NMEA2000.SetFrameBufferSize(kNodeFrameBufferSize);
  NMEA2000.SetMessageBufferCount(kNodeMessageBufferCount);
  {
    std::string serial = GetManufacturerSerialCode();
    std::string modelId = GetManufacturerModelID();
    std::string software = GetManufacturerSoftwareVersion();
    std::string model = GetManufacturerModel();
    NMEA2000.SetProductInformation(serial.c_str(), kProductCode, modelId.c_str(), software.c_str(),
                                   model.c_str(), 255, 65535, 255, 0);
  }
  NMEA2000.SetProgmemConfigurationInformation(kVendorBanner, nullptr, nullptr);
  NMEA2000.SetDeviceInformation(GetManufacturerUniqueID(), kDeviceFunction, kDeviceClass,
                                kManufacturerCode, kIndustryGroup, 0);

  NMEA2000.SetTrafficEchoStream(&TrafficEchoStream);
  NMEA2000.SetTrafficEchoFormat(1);
  NMEA2000.EnableTrafficEcho(RunSettings.debugLevel >= 9);
  const uint8_t storedAddress = GetCANAddress();
  NMEA2000.SetMode(tNMEA2000::N2km_ListenAndNode, storedAddress);
  ResetDeviceList();
  NMEA2000.ExtendTransmitMessages(TransmitPGNs, 0);
  NMEA2000.ExtendReceiveMessages(ReceivePGNs, 0);
  NMEA2000.SetMsgHandler(HandleN2kMsg);
  NMEA2000.SetPollTimeout(0);  // the loop below owns the wait
  if (!NMEA2000.Open()) {
    std::fputs("Failed to open CAN port\n", stdout);
    return 1;
  }

  tAddressKeeper keeper(storedAddress);
  tMainLoop loop(keeper);
  loop.CatchStopSignals();
  const int sig = loop.Run();
  loop.Shutdown();
  // Ended by the signal, as far as whoever started us can tell.
  signal(sig, SIG_DFL);
  raise(sig);
  return 128 + sig;
}
