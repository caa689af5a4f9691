// NMEA 2000 and ISO 11783 messages, written from the protocol reference (sections A, C
// and D): one row a field, reserved bits left out (they go out as 1s).
#include "N2kDescriptions.h"

#include <iterator>

#include "N2kPgns.h"

namespace {

constexpr uint64_t kNo = kN2kNoCode;
constexpr uint8_t kS = kN2kSigned;
constexpr uint8_t kAnyLen = kN2kMaxDataLen;

// clang-format off
// Columns: name, unit, bit, width, flags, resolution, offset, not available, error, max valid.

constexpr tN2kField kIsoRequest[] = {
  {"RequestedPGN", "", 0, 24, 0, 1, 0, 0xFFFFFF, kNo, 0x3FFFF},
};

constexpr tN2kField kIsoAcknowledgement[] = {
  {"Control",       "",  0, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"GroupFunction", "",  8, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"PGN",           "", 40, 24, 0, 1, 0, 0xFFFFFF, kNo, 0x3FFFF},
};

// The 64-bit NAME; bit 48 is reserved and sent as 0.
constexpr tN2kField kName[] = {
  {"UniqueNumber",            "",  0, 21, 0, 1, 0, kNo, kNo, 0x1FFFFF},
  {"ManufacturerCode",        "", 21, 11, 0, 1, 0, kNo, kNo, 0x7FF},
  {"DeviceInstanceLower",     "", 32,  3, 0, 1, 0, kNo, kNo, 7},
  {"DeviceInstanceUpper",     "", 35,  5, 0, 1, 0, kNo, kNo, 31},
  {"DeviceFunction",          "", 40,  8, 0, 1, 0, kNo, kNo, 0xFF},
  {"Reserved",                "", 48,  1, 0, 1, 0, kNo, kNo, 1},
  {"DeviceClass",             "", 49,  7, 0, 1, 0, kNo, kNo, 0x7F},
  {"SystemInstance",          "", 56,  4, 0, 1, 0, kNo, kNo, 15},
  {"IndustryGroup",           "", 60,  3, 0, 1, 0, kNo, kNo, 7},
  {"ArbitraryAddressCapable", "", 63,  1, 0, 1, 0, kNo, kNo, 1},
};

constexpr tN2kField kCommandedAddress[] = {
  {"TargetName",       "",  0, 64, 0, 1, 0, kNo, kNo, ~0ull},
  {"NewSourceAddress", "", 64,  8, 0, 1, 0, 0xFF, kNo, 0xFD},
};

constexpr tN2kField kHeartbeat[] = {
  {"Interval",         "s",  0, 16, 0, 0.001, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"SequenceCounter",  "",  16,  8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"Controller1State", "",  24,  2, 0, 1, 0, 3, kNo, 2},
  {"Controller2State", "",  26,  2, 0, 1, 0, 3, kNo, 2},
  {"EquipmentStatus",  "",  28,  2, 0, 1, 0, 3, 2, 1},
};

constexpr tN2kField kSystemTime[] = {
  {"SID",        "",   0,  8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"TimeSource", "",   8,  4, 0, 1, 0, 15, 14, 13},
  {"SystemDate", "d", 16, 16, 0, 1, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  // 0 to 86401 s, a leap second included.
  {"SystemTime", "s", 32, 32, 0, 0.0001, 0, 0xFFFFFFFF, 0xFFFFFFFE, 864010000},
};

constexpr tN2kField kEngineRapid[] = {
  {"EngineInstance",      "",     0,  8, 0,  1,    0, 0xFF, 0xFE, 0xFC},
  {"EngineSpeed",         "rpm",  8, 16, 0,  0.25, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"EngineBoostPressure", "Pa",  24, 16, 0,  100,  0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"EngineTiltTrim",      "%",   40,  8, kS, 1,    0, 0x7F, 0x7E, 0x7C},
};

// Indicator k (1..28) is the 2-bit value at bits 2(k-1) of Status: 0 off, 1 on, 2 error,
// 3 not available.
constexpr tN2kField kBinarySwitchStatus[] = {
  {"DeviceBankInstance", "", 0,  8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"Status",             "", 8, 56, 0, 1, 0, 0xFFFFFFFFFFFFFF, kNo, 0xFFFFFFFFFFFFFF},
};

constexpr tN2kField kDCDetailedStatus[] = {
  {"SID",           "",  0,  8, 0, 1,     0, 0xFF, 0xFE, 0xFC},
  {"DCInstance",    "",  8,  8, 0, 1,     0, 0xFF, 0xFE, 0xFC},
  {"DCType",        "", 16,  8, 0, 1,     0, 0xFF, 0xFE, 0xFC},
  {"StateOfCharge", "%", 24, 8, 0, 1,     0, 0xFF, 0xFE, 0xFC},
  {"StateOfHealth", "%", 32, 8, 0, 1,     0, 0xFF, 0xFE, 0xFC},
  {"TimeRemaining", "s", 40, 16, 0, 60,   0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"RippleVoltage", "V", 56, 16, 0, 0.001, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"Capacity",      "C", 72, 16, 0, 3600, 0, 0xFFFF, 0xFFFE, 0xFFFC},  // not in the 9-byte form
};

constexpr tN2kField kChargerStatus[] = {
  {"Instance",                  "",   0, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"BatteryInstance",           "",   8, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"ChargeState",               "",  16, 4, 0, 1, 0, 15, 14, 13},
  {"ChargerMode",               "",  20, 4, 0, 1, 0, 15, 14, 13},
  {"Enabled",                   "",  24, 2, 0, 1, 0, 3, 2, 1},
  {"EqualizationPending",       "",  26, 2, 0, 1, 0, 3, 2, 1},
  {"EqualizationTimeRemaining", "s", 32, 16, 0, 60, 0, 0xFFFF, 0xFFFE, 0xFFFC},
};

constexpr tN2kField kBatteryStatus[] = {
  {"BatteryInstance",    "",   0,  8, 0,  1,    0, 0xFF, 0xFE, 0xFC},
  {"BatteryVoltage",     "V",  8, 16, kS, 0.01, 0, 0x7FFF, 0x7FFE, 0x7FFC},
  {"BatteryCurrent",     "A", 24, 16, kS, 0.1,  0, 0x7FFF, 0x7FFE, 0x7FFC},
  {"BatteryTemperature", "K", 40, 16, 0,  0.01, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"SID",                "",  56,  8, 0,  1,    0, 0xFF, 0xFE, 0xFC},
};

constexpr tN2kField kChargerConfigStatus[] = {
  {"ChargerInstance",           "",   0, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"BatteryInstance",           "",   8, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"Enable",                    "",  16, 2, 0, 1, 0, 3, 2, 1},
  {"ChargeCurrentLimit",        "%", 24, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"ChargingAlgorithm",         "",  32, 4, 0, 1, 0, 15, 14, 13},
  {"ChargerMode",               "",  36, 4, 0, 1, 0, 15, 14, 13},
  {"BatteryTemperature",        "",  40, 4, 0, 1, 0, 15, 14, 13},
  {"EqualizationEnabled",       "",  44, 2, 0, 1, 0, 3, 2, 1},
  {"OverChargeEnable",          "",  46, 2, 0, 1, 0, 3, 2, 1},
  {"EqualizationTimeRemaining", "s", 48, 16, 0, 60, 0, 0xFFFF, 0xFFFE, 0xFFFC},
};

constexpr tN2kField kBatteryConfigStatus[] = {
  {"BatInstance",               "",   0,  8, 0,  1,     0, 0xFF, 0xFE, 0xFC},
  {"BatType",                   "",   8,  4, 0,  1,     0, 15, 14, 13},
  {"SupportsEqual",             "",  12,  2, 0,  1,     0, 3, 2, 1},
  {"BatNominalVoltage",         "",  16,  4, 0,  1,     0, 15, 14, 13},
  {"BatChemistry",              "",  20,  4, 0,  1,     0, 15, 14, 13},
  {"BatCapacity",               "C", 24, 16, 0,  3600,  0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"BatTemperatureCoefficient", "%", 40,  8, kS, 1,     0, 0x7F, 0x7E, 0x7C},
  // Raw 0..250 is 1.000..1.500.
  {"PeukertExponent",           "",  48,  8, 0,  0.002, 1, 0xFF, 0xFE, 250},
  {"ChargeEfficiencyFactor",    "%", 56,  8, kS, 1,     0, 0x7F, 0x7E, 0x7C},
};

constexpr tN2kField kConverterStatus[] = {
  {"SID",               "",  0, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"ConnectionNumber",  "",  8, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"OperatingState",    "", 16, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},
  {"TemperatureState",  "", 24, 2, 0, 1, 0, 3, 2, 1},
  {"OverloadState",     "", 26, 2, 0, 1, 0, 3, 2, 1},
  {"LowDCVoltageState", "", 28, 2, 0, 1, 0, 3, 2, 1},
  {"RippleState",       "", 30, 2, 0, 1, 0, 3, 2, 1},
};
// clang-format on

template <size_t N>
constexpr uint8_t CountOf(const tN2kField (&)[N]) {
  return static_cast<uint8_t>(N);
}

}  // namespace

#define N2K_FIELDS(table) table, CountOf(table)

// PGN, name, priority, length, min length, max length, fast packet, fields.
const tN2kMsgDesc kN2kDescIsoRequest = {kPgnIsoRequest, "ISO Request",          6, 3, 3, 8,
                                        false,          N2K_FIELDS(kIsoRequest)};
const tN2kMsgDesc kN2kDescIsoAcknowledgement = {
    kPgnIsoAcknowledgement,         "ISO Acknowledgement", 6, 8, 8, kAnyLen, false,
    N2K_FIELDS(kIsoAcknowledgement)};
const tN2kMsgDesc kN2kDescIsoAddressClaim = {
    kPgnIsoAddressClaim, "ISO Address Claim", 6, 8, 8, kAnyLen, false, N2K_FIELDS(kName)};
const tN2kMsgDesc kN2kDescCommandedAddress = {
    kPgnCommandedAddress,         "ISO Commanded Address", 6, 9, 9, kAnyLen, true,
    N2K_FIELDS(kCommandedAddress)};
const tN2kMsgDesc kN2kDescHeartbeat = {kPgnHeartbeat, "Heartbeat",           7, 8, 8, kAnyLen,
                                       false,         N2K_FIELDS(kHeartbeat)};
const tN2kMsgDesc kN2kDescSystemTime = {kPgnSystemTime, "System Time",          3, 8, 8, kAnyLen,
                                        false,          N2K_FIELDS(kSystemTime)};
const tN2kMsgDesc kN2kDescEngineRapid = {
    kPgnEngineRapid, "Engine Parameters, Rapid Update", 2, 8, 8, kAnyLen,
    false,           N2K_FIELDS(kEngineRapid)};
const tN2kMsgDesc kN2kDescBinarySwitchStatus = {
    kPgnBinarySwitchStatus,         "Binary Switch Bank Status", 3, 8, 8, kAnyLen, false,
    N2K_FIELDS(kBinarySwitchStatus)};
// Devices built to the 2009 field list send 9 bytes, without the remaining capacity.
const tN2kMsgDesc kN2kDescDCDetailedStatus = {
    kPgnDCDetailedStatus,         "DC Detailed Status", 6, 11, 9, kAnyLen, true,
    N2K_FIELDS(kDCDetailedStatus)};
const tN2kMsgDesc kN2kDescChargerStatus = {
    kPgnChargerStatus, "Charger Status", 6, 6, 6, kAnyLen, true, N2K_FIELDS(kChargerStatus)};
const tN2kMsgDesc kN2kDescBatteryStatus = {
    kPgnBatteryStatus, "Battery Status", 6, 8, 8, kAnyLen, false, N2K_FIELDS(kBatteryStatus)};
const tN2kMsgDesc kN2kDescChargerConfigStatus = {
    kPgnChargerConfigStatus,         "Charger Configuration Status", 6, 8, 8, kAnyLen, true,
    N2K_FIELDS(kChargerConfigStatus)};
// Newer editions may append fields after byte 7; they are ignored.
const tN2kMsgDesc kN2kDescBatteryConfigStatus = {
    kPgnBatteryConfigStatus,         "Battery Configuration Status", 6, 8, 8, kAnyLen, true,
    N2K_FIELDS(kBatteryConfigStatus)};
// Priority and framing rest on canboat alone.
const tN2kMsgDesc kN2kDescConverterStatus = {
    kPgnConverterStatus, "Converter Status", 6, 8, 8, kAnyLen, false, N2K_FIELDS(kConverterStatus)};

namespace {

const tN2kMsgDesc *const kAll[] = {
    &kN2kDescIsoRequest,
    &kN2kDescIsoAcknowledgement,
    &kN2kDescIsoAddressClaim,
    &kN2kDescCommandedAddress,
    &kN2kDescHeartbeat,
    &kN2kDescSystemTime,
    &kN2kDescEngineRapid,
    &kN2kDescBinarySwitchStatus,
    &kN2kDescDCDetailedStatus,
    &kN2kDescChargerStatus,
    &kN2kDescBatteryStatus,
    &kN2kDescChargerConfigStatus,
    &kN2kDescBatteryConfigStatus,
    &kN2kDescConverterStatus,
    &kRvcDescDateTimeStatus,
    &kRvcDescSetDateTimeCommand,
    &kRvcDescDateTime1FFA0,
    &kRvcDescChargerStatus,
    &kRvcDescChargerStatus2,
    &kRvcDescChargerConfigStatus,
    &kRvcDescChargerConfigStatus2,
    &kRvcDescChargerConfigStatus3,
    &kRvcDescChargerConfigStatus4,
    &kRvcDescChargerEqualStatus,
    &kRvcDescChargerEqualConfigStatus,
    &kRvcDescDCSourceStatus1,
    &kRvcDescDCSourceStatus2,
    &kRvcDescDCSourceStatus3,
    &kRvcDescDCSourceStatus4,
    &kRvcDescDCSourceStatus5,
    &kRvcDescDCSourceStatus6,
    &kRvcDescDCSourceStatus11,
    &kRvcDescTerminal,
    &kRvcDescDMRV,
};

}  // namespace

const tN2kMsgDesc *N2kFindDesc(unsigned long pgn) {
  for (const tN2kMsgDesc *d : kAll)
    if (d->Pgn == pgn) return d;
  return nullptr;
}

const tN2kMsgDesc *const *N2kAllDescs(int &count) {
  count = static_cast<int>(std::size(kAll));
  return kAll;
}
