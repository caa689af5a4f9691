// The catalogue of the parameter group numbers (NMEA 2000, ISO 11783) and RV-C data
// group numbers this library and the daemon name: one name per number, used by the
// codecs, the dispatch table, the simulator and the tests' inputs.
#ifndef BUSLIB_N2KPGNS_H
#define BUSLIB_N2KPGNS_H

// ---- ISO 11783 / J1939 network management ----
constexpr unsigned long kPgnIsoAcknowledgement = 59392;  // 0xE800
constexpr unsigned long kPgnIsoRequest = 59904;          // 0xEA00
constexpr unsigned long kPgnIsoTpData = 60160;           // 0xEB00, BAM data
constexpr unsigned long kPgnIsoTpControl = 60416;        // 0xEC00, BAM announcement
constexpr unsigned long kPgnIsoAddressClaim = 60928;     // 0xEE00
constexpr unsigned long kPgnCommandedAddress = 65240;    // 0xFED8

// ---- NMEA 2000 group functions and node information ----
constexpr unsigned long kPgnPgnList = 126464;
constexpr unsigned long kPgnSystemTime = 126992;
constexpr unsigned long kPgnHeartbeat = 126993;
constexpr unsigned long kPgnProductInformation = 126996;
constexpr unsigned long kPgnConfigurationInformation = 126998;

// ---- NMEA 2000 power and engine ----
constexpr unsigned long kPgnEngineRapid = 127488;  // engine parameters, rapid update
constexpr unsigned long kPgnBinarySwitchStatus = 127501;
constexpr unsigned long kPgnDCDetailedStatus = 127506;
constexpr unsigned long kPgnChargerStatus = 127507;
constexpr unsigned long kPgnBatteryStatus = 127508;
constexpr unsigned long kPgnChargerConfigStatus = 127510;
constexpr unsigned long kPgnBatteryConfigStatus = 127513;
constexpr unsigned long kPgnConverterStatus = 127750;

// ---- RV-C data groups ----
constexpr unsigned long kDgnDateTimeStatus = 0x1FFFF;
constexpr unsigned long kDgnSetDateTimeCommand = 0x1FFFE;
constexpr unsigned long kDgnDateTime1FFA0 = 0x1FFA0;  // laid out as DATE_TIME_STATUS
constexpr unsigned long kDgnChargerStatus = 0x1FFC7;
constexpr unsigned long kDgnChargerStatus2 = 0x1FEA3;
constexpr unsigned long kDgnChargerConfigStatus = 0x1FFC6;
constexpr unsigned long kDgnChargerConfigStatus2 = 0x1FF96;
constexpr unsigned long kDgnChargerConfigStatus3 = 0x1FECC;
constexpr unsigned long kDgnChargerConfigStatus4 = 0x1FEBF;
constexpr unsigned long kDgnChargerEqualStatus = 0x1FF99;
constexpr unsigned long kDgnChargerEqualConfigStatus = 0x1FF98;
constexpr unsigned long kDgnDCSourceStatus1 = 0x1FFFD;
constexpr unsigned long kDgnDCSourceStatus2 = 0x1FFFC;
constexpr unsigned long kDgnDCSourceStatus3 = 0x1FFFB;
constexpr unsigned long kDgnDCSourceStatus4 = 0x1FEC9;
constexpr unsigned long kDgnDCSourceStatus5 = 0x1FEC8;
constexpr unsigned long kDgnDCSourceStatus6 = 0x1FEC7;
constexpr unsigned long kDgnDCSourceStatus11 = 0x1FEA5;
constexpr unsigned long kDgnProductIdentification = 0x1FEEB;
constexpr unsigned long kDgnTerminal = 0x17E00;
constexpr unsigned long kDgnDMRV = 0x1FECA;  // DM_RV, diagnostics

#endif
