// tBatteries: the registry of DC sources (batteries) that send RV-C DC source status
// messages, one tBattery record per CAN source address.
//
// A battery is registered by the first status message from its address, once the bus
// device list knows the node there with a non-zero unique number and manufacturer
// code; until then its messages are dropped. The record keeps the instance and device
// priority of that first message; later messages from the address, whatever their
// instance, update it. Registration opens its log file in the log directory (see
// BatteryLogPath.h). The main loop calls poll() once a pass and waits no longer than
// MsUntilDue() says: each record writes its DCS line every ten seconds.
//
// Records are kept until the process ends, except when the address is found held by
// another node (another unique number or manufacturer code): that node's values must
// not land in the old node's file, so the old record is closed and the new node is
// registered afresh. One record per address bounds the registry (and its open files)
// to the 254 addresses of a bus.
#ifndef BATTERIES_BATTERIES_H
#define BATTERIES_BATTERIES_H

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "Battery.h"

class tBatteries {
 public:
  tBatteries() = default;
  virtual ~tBatteries() = default;
  tBatteries(const tBatteries &) = delete;
  tBatteries &operator=(const tBatteries &) = delete;

  // The record of this address, registered now if need be (logging "Found new Battery"
  // and "Opened logfile" at debug level 4 and up); null when it cannot be registered
  // yet. A new record keeps instance and devPri of this call. The pointer is for
  // immediate use only.
  tBattery *Add(int source, uint8_t instance, uint8_t devPri);
  tBattery *Find(int source);
  // tBattery::poll on every record.
  void poll();
  // The earliest record's next line: 0 when one is due, kN2kNeverDue (UINT32_MAX)
  // without records. now is Runtime->Millis().
  uint32_t MsUntilDue(uint32_t now) const;
  // Destroys every record, closing its file: for a clean stop.
  void Clear();
  size_t Count() const { return records_.size(); }

  // ---- DC source status messages (BatteryUpdates.cpp) ----
  // Each registers the battery first (nothing happens when it cannot), then stores its
  // message's group; float values in volts, amperes, degrees C; NaN = not available.
  void UpdateDCSS1(int source, uint8_t instance, uint8_t devPri, float vdc, float adc);
  void UpdateDCSS2(int source, uint8_t instance, uint8_t devPri, float temp, uint8_t soc,
                   uint16_t tr);
  void UpdateDCSS3(int source, uint8_t instance, uint8_t devPri, uint8_t soh, uint16_t capRem,
                   uint8_t relCap, float ripple);
  void UpdateDCSS4(int source, uint8_t instance, uint8_t devPri, int desCM, float desVolt,
                   float desAmp, int batType);
  void UpdateDCSS5(int source, uint8_t instance, uint8_t devPri, float vdc5, float dvdt);
  void UpdateDCSS6(int source, uint8_t instance, uint8_t devPri, bool hvls, bool hvld, bool lvls,
                   bool lvld);
  void UpdateDCSS11(int source, uint8_t instance, uint8_t devPri, bool pwrOnOff, bool chrgOnOff,
                    bool chrgDet, bool resvStat, int batAHCap, int dcPower);

 private:
  struct tKeyHash {
    size_t operator()(int key) const { return static_cast<size_t>(key); }
  };
  void OpenLog(tBattery &b, const char *modelId, const char *modelVersion, int product);

  // Node-based: records stay where they are while the map grows.
  std::unordered_map<int, tBattery, tKeyHash> records_;
};

#endif
