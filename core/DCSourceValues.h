// The values of the RV-C DC source status messages, in physical units, as handlers
// hand them to the RO500 and battery registries. NaN (RVCNotAvailable) marks a value
// the message said is not available.
#ifndef CORE_DCSOURCEVALUES_H
#define CORE_DCSOURCEVALUES_H

#include <cstdint>

struct tDCSourceStatus1 {
  uint8_t instance, devPri;
  float volts, amps;
};
struct tDCSourceStatus2 {
  uint8_t instance, devPri;
  float celsius;
  uint8_t soc;  // raw: 0.5 % steps
  uint16_t timeRemaining;
};
struct tDCSourceStatus3 {
  uint8_t instance, devPri;
  uint8_t soh;
  uint16_t capacityRemaining;
  uint8_t relativeCapacity;
  float ripple;
};
struct tDCSourceStatus4 {
  uint8_t instance, devPri;
  int desiredChargeMode;
  float desiredVolts, desiredAmps;
  int batteryType;
};
struct tDCSourceStatus5 {
  uint8_t instance, devPri;
  float volts, dvdt;
};
struct tDCSourceStatus6 {
  uint8_t instance, devPri;
  bool hvls, hvld, lvls, lvld;
};
struct tDCSourceStatus11 {
  uint8_t instance, devPri;
  bool pwrOnOff, chrgOnOff, chrgDet, resvStat;
  int batAHCap, dcPower;
};

#endif
