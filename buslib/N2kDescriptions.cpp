// NMEA 2000 and ISO 11783 messages, written from the protocol reference (sections A, C
// and D): one row a field, reserved bits left out (they go out as 1s).
#include "N2kDescriptions.h"

#include <iterator>

#include "FieldTypes.h"
#include "N2kPgns.h"

namespace {

using namespace n2kfields;

constexpr uint64_t kNo = kN2kNoCode;
constexpr uint8_t kAnyLen = kN2kMaxDataLen;

// clang-format off
// A row: name, unit, first bit[, resolution[, offset]]; fields of no standard type also
// width, flags, resolution, offset, not-available code, error code, largest valid raw.

constexpr tN2kField kIsoRequest[] = {
  Field("RequestedPGN", "", 0, 24, 0, 1, 0, 0xFFFFFF, kNo, 0x3FFFF),
};

constexpr tN2kField kIsoAcknowledgement[] = {
  U8("Control", "", 0),
  U8("GroupFunction", "", 8),
  Field("PGN",           "", 40, 24, 0, 1, 0, 0xFFFFFF, kNo, 0x3FFFF),
};

// The 64-bit NAME; bit 48 is reserved and sent as 0.
constexpr tN2kField kName[] = {
  Field("UniqueNumber",            "",  0, 21, 0, 1, 0, kNo, kNo, 0x1FFFFF),
  Field("ManufacturerCode",        "", 21, 11, 0, 1, 0, kNo, kNo, 0x7FF),
  Field("DeviceInstanceLower",     "", 32,  3, 0, 1, 0, kNo, kNo, 7),
  Field("DeviceInstanceUpper",     "", 35,  5, 0, 1, 0, kNo, kNo, 31),
  Field("DeviceFunction",          "", 40,  8, 0, 1, 0, kNo, kNo, 0xFF),
  Field("Reserved",                "", 48,  1, 0, 1, 0, kNo, kNo, 1),
  Field("DeviceClass",             "", 49,  7, 0, 1, 0, kNo, kNo, 0x7F),
  Field("SystemInstance",          "", 56,  4, 0, 1, 0, kNo, kNo, 15),
  Field("IndustryGroup",           "", 60,  3, 0, 1, 0, kNo, kNo, 7),
  Field("ArbitraryAddressCapable", "", 63,  1, 0, 1, 0, kNo, kNo, 1),
};

constexpr tN2kField kCommandedAddress[] = {
  Field("TargetName",       "",  0, 64, 0, 1, 0, kNo, kNo, ~0ull),
  Field("NewSourceAddress", "", 64,  8, 0, 1, 0, 0xFF, kNo, 0xFD),
};

constexpr tN2kField kHeartbeat[] = {
  U16("Interval", "s", 0, 0.001),
  U8("SequenceCounter", "", 16),
  Field("Controller1State", "",  24,  2, 0, 1, 0, 3, kNo, 2),
  Field("Controller2State", "",  26,  2, 0, 1, 0, 3, kNo, 2),
  Pair("EquipmentStatus", "", 28),
};

constexpr tN2kField kSystemTime[] = {
  U8("SID", "", 0),
  Nibble("TimeSource", "", 8),
  U16("SystemDate", "d", 16),
  // 0 to 86401 s, a leap second included.
  Field("SystemTime", "s", 32, 32, 0, 0.0001, 0, 0xFFFFFFFF, 0xFFFFFFFE, 864010000),
};

constexpr tN2kField kEngineRapid[] = {
  U8("EngineInstance", "", 0),
  U16("EngineSpeed", "rpm", 8, 0.25),
  U16("EngineBoostPressure", "Pa", 24, 100),
  S8("EngineTiltTrim", "%", 40),
};

// Indicator k (1..28) is the 2-bit value at bits 2(k-1) of Status: 0 off, 1 on, 2 error,
// 3 not available.
constexpr tN2kField kBinarySwitchStatus[] = {
  U8("DeviceBankInstance", "", 0),
  Field("Status",             "", 8, 56, 0, 1, 0, 0xFFFFFFFFFFFFFF, kNo, 0xFFFFFFFFFFFFFF),
};

constexpr tN2kField kDCDetailedStatus[] = {
  U8("SID", "", 0),
  U8("DCInstance", "", 8),
  U8("DCType", "", 16),
  U8("StateOfCharge", "%", 24),
  U8("StateOfHealth", "%", 32),
  U16("TimeRemaining", "s", 40, 60),
  U16("RippleVoltage", "V", 56, 0.001),
  U16("Capacity", "C", 72, 3600),  // not in the 9-byte form
};

constexpr tN2kField kChargerStatus[] = {
  U8("Instance", "", 0),
  U8("BatteryInstance", "", 8),
  Nibble("ChargeState", "", 16),
  Nibble("ChargerMode", "", 20),
  Pair("Enabled", "", 24),
  Pair("EqualizationPending", "", 26),
  U16("EqualizationTimeRemaining", "s", 32, 60),
};

constexpr tN2kField kBatteryStatus[] = {
  U8("BatteryInstance", "", 0),
  S16("BatteryVoltage", "V", 8, 0.01),
  S16("BatteryCurrent", "A", 24, 0.1),
  U16("BatteryTemperature", "K", 40, 0.01),
  U8("SID", "", 56),
};

constexpr tN2kField kChargerConfigStatus[] = {
  U8("ChargerInstance", "", 0),
  U8("BatteryInstance", "", 8),
  Pair("Enable", "", 16),
  U8("ChargeCurrentLimit", "%", 24),
  Nibble("ChargingAlgorithm", "", 32),
  Nibble("ChargerMode", "", 36),
  Nibble("BatteryTemperature", "", 40),
  Pair("EqualizationEnabled", "", 44),
  Pair("OverChargeEnable", "", 46),
  U16("EqualizationTimeRemaining", "s", 48, 60),
};

constexpr tN2kField kBatteryConfigStatus[] = {
  U8("BatInstance", "", 0),
  Nibble("BatType", "", 8),
  Pair("SupportsEqual", "", 12),
  Nibble("BatNominalVoltage", "", 16),
  Nibble("BatChemistry", "", 20),
  U16("BatCapacity", "C", 24, 3600),
  S8("BatTemperatureCoefficient", "%", 40),
  // Raw 0..250 is 1.000..1.500.
  Field("PeukertExponent",           "",  48,  8, 0,  0.002, 1, 0xFF, 0xFE, 250),
  S8("ChargeEfficiencyFactor", "%", 56),
};

constexpr tN2kField kConverterStatus[] = {
  U8("SID", "", 0),
  U8("ConnectionNumber", "", 8),
  U8("OperatingState", "", 16),
  Pair("TemperatureState", "", 24),
  Pair("OverloadState", "", 26),
  Pair("LowDCVoltageState", "", 28),
  Pair("RippleState", "", 30),
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
