// The values of the RV-C charger messages and of the engine speed, as handlers hand
// them to the RO500 registry: physical units, NaN for not available.
#ifndef DEVICES_CHARGERVALUES_H
#define DEVICES_CHARGERVALUES_H

#include <cstddef>
#include <cstdint>

// Room for the texts below.
constexpr size_t kChargerTextSize = 1024;

// CHARGER_STATUS (1FFC7h).
struct tChargerStatus {
  int type;
  uint8_t instance;
  float volts, amps;
  uint8_t perMax;
  int chargeState;
  uint8_t enableAtPO, autoRechg;
  int forcedChrg;
};

// CHARGER_STATUS_2 (1FEA3h): the RO500's heartbeat.
struct tChargerStatus2 {
  int type;
  uint8_t chrgInst, dcInst, devPri;
  float volts, amps, celsius;
};

// CHARGER_CONFIGURATION_STATUS (1FFC6h). Two are the same configuration when every
// field is.
struct tChargerConfig {
  int type;
  uint8_t instance;
  int chrgAlg, chrgMode;
  uint8_t batSense;
  int line;
  uint8_t linked;
  int batType;
  uint16_t batSize;
  uint8_t maxAmps;
};
bool operator==(const tChargerConfig &a, const tChargerConfig &b);
inline bool operator!=(const tChargerConfig &a, const tChargerConfig &b) {
  return !(a == b);
}
// "RVCChargerConfigStat(<address>): Type=.., Instance=.., ChrgAlg=.., ChrgMode=..,
// BatSense=.., Line=.., Linked=.., BatType=.., BatSize=.., MaxAmps=.." (no line end),
// the text the handler and the registry log. Returns what snprintf returns.
int ChargerConfigText(char *out, size_t size, int canAddr, const tChargerConfig &c);

// DM_RV (1FECAh), the SPN already cut to the 15 bits the fault line carries.
struct tDiagnostic {
  uint8_t on, active, red, yellow, dsa;
  int spn, fmi;
  uint8_t count, dsaExt, bank;
};
bool operator==(const tDiagnostic &a, const tDiagnostic &b);
inline bool operator!=(const tDiagnostic &a, const tDiagnostic &b) {
  return !(a == b);
}
// "UpdateDiag(<address>): On=.., Active=.., Red=.., Yellow=.., DSA=.., SPN=.., FMI=..,
// Count=.., DSA_ext=.., Bank=.." (no line end).
int DiagnosticText(char *out, size_t size, int canAddr, const tDiagnostic &d);

// Engine parameters, rapid update (127488): the speed in rpm; NaN or the library's
// not-available double when unknown.
struct tEngineSpeed {
  uint8_t instance;
  double speed, boost;
  int8_t tiltTrim;
};

#endif
