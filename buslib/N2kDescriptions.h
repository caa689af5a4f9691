// The description of every message the library encodes or decodes, one each (N2kCodec.h
// says what a description holds). The library's Set and Parse functions are wrappers over
// these; N2kFindDesc finds one by PGN or DGN for decoding by field.
#ifndef BUSLIB_N2KDESCRIPTIONS_H
#define BUSLIB_N2KDESCRIPTIONS_H

#include "N2kCodec.h"

// ---- ISO 11783 / J1939 network management and NMEA 2000 heartbeat ----
extern const tN2kMsgDesc kN2kDescIsoRequest;          // 59904
extern const tN2kMsgDesc kN2kDescIsoAcknowledgement;  // 59392
extern const tN2kMsgDesc kN2kDescIsoAddressClaim;     // 60928: the fields of the NAME
extern const tN2kMsgDesc kN2kDescCommandedAddress;    // 65240
extern const tN2kMsgDesc kN2kDescHeartbeat;           // 126993

// ---- NMEA 2000 data ----
// Physical values in the library's units: V, A, K, Pa, s (a minute on the bus is a
// resolution of 60 s) and C (an ampere-hour on the bus is 3600 C).
extern const tN2kMsgDesc kN2kDescSystemTime;           // 126992
extern const tN2kMsgDesc kN2kDescEngineRapid;          // 127488
extern const tN2kMsgDesc kN2kDescBinarySwitchStatus;   // 127501
extern const tN2kMsgDesc kN2kDescDCDetailedStatus;     // 127506
extern const tN2kMsgDesc kN2kDescChargerStatus;        // 127507
extern const tN2kMsgDesc kN2kDescBatteryStatus;        // 127508
extern const tN2kMsgDesc kN2kDescChargerConfigStatus;  // 127510
extern const tN2kMsgDesc kN2kDescBatteryConfigStatus;  // 127513
extern const tN2kMsgDesc kN2kDescConverterStatus;      // 127750

// ---- RV-C ----
// Physical values in the units of the RV-C tables (V, A, degrees C, %, min, Ah, mV, W).
extern const tN2kMsgDesc kRvcDescDateTimeStatus;            // 1FFFF
extern const tN2kMsgDesc kRvcDescSetDateTimeCommand;        // 1FFFE
extern const tN2kMsgDesc kRvcDescDateTime1FFA0;             // 1FFA0, read as a date and time
extern const tN2kMsgDesc kRvcDescChargerStatus;             // 1FFC7
extern const tN2kMsgDesc kRvcDescChargerStatus2;            // 1FEA3
extern const tN2kMsgDesc kRvcDescChargerConfigStatus;       // 1FFC6
extern const tN2kMsgDesc kRvcDescChargerConfigStatus2;      // 1FF96
extern const tN2kMsgDesc kRvcDescChargerConfigStatus3;      // 1FECC
extern const tN2kMsgDesc kRvcDescChargerConfigStatus4;      // 1FEBF
extern const tN2kMsgDesc kRvcDescChargerEqualStatus;        // 1FF99
extern const tN2kMsgDesc kRvcDescChargerEqualConfigStatus;  // 1FF98
extern const tN2kMsgDesc kRvcDescDCSourceStatus1;           // 1FFFD
extern const tN2kMsgDesc kRvcDescDCSourceStatus2;           // 1FFFC
extern const tN2kMsgDesc kRvcDescDCSourceStatus3;           // 1FFFB
extern const tN2kMsgDesc kRvcDescDCSourceStatus4;           // 1FEC9
extern const tN2kMsgDesc kRvcDescDCSourceStatus5;           // 1FEC8
extern const tN2kMsgDesc kRvcDescDCSourceStatus6;           // 1FEC7
extern const tN2kMsgDesc kRvcDescDCSourceStatus11;          // 1FEA5
extern const tN2kMsgDesc kRvcDescTerminal;                  // 17E00, to the identifier's PS byte
extern const tN2kMsgDesc kRvcDescDMRV;                      // 1FECA

// The description of a PGN or DGN, null when the library has none.
const tN2kMsgDesc *N2kFindDesc(unsigned long pgn);

// Every description, for walking them all.
const tN2kMsgDesc *const *N2kAllDescs(int &count);

#endif
