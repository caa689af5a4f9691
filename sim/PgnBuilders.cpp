// The table behind "send": one row per PGN the bus library encodes, its fields named
// as the Set function's parameters, in their order.
#include <cstring>

#include "MessageBuilder.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"
#include "RVCMessages.h"

namespace {

constexpr tFieldDef U8(const char *n) {
  return {n, tFieldKind::kUnsigned, 0xff, 0xff};
}
constexpr tFieldDef U16(const char *n) {
  return {n, tFieldKind::kUnsigned, 0xffff, 0xffff};
}
constexpr tFieldDef U24(const char *n) {
  return {n, tFieldKind::kUnsigned, 0xffffff, 0xffffff};
}
constexpr tFieldDef U32(const char *n) {
  return {n, tFieldKind::kUnsigned, 0xffffffffu, 0xffffffffu};
}
constexpr tFieldDef U64(const char *n) {
  return {n, tFieldKind::kUnsigned, ~0ull, ~0ull};
}
// An enumeration or a narrow field: largest bus code and the code sent when missing.
constexpr tFieldDef Code(const char *n, uint64_t max, uint64_t na) {
  return {n, tFieldKind::kUnsigned, max, na};
}
constexpr tFieldDef I8(const char *n) {
  return {n, tFieldKind::kSigned, 127, 0x7f};
}
constexpr tFieldDef Num(const char *n) {
  return {n, tFieldKind::kDouble, 0, 0};
}
constexpr tFieldDef Flag(const char *n) {
  return {n, tFieldKind::kFlag, 0, 0};
}
constexpr tFieldDef Text(const char *n, uint64_t len) {
  return {n, tFieldKind::kText, len, 0};
}
constexpr tFieldDef PgnList(const char *n) {
  return {n, tFieldKind::kPgnList, 0, 0};
}
constexpr tFieldDef kEnd = {nullptr, tFieldKind::kUnsigned, 0, 0};

// Count for TERMINAL when only the text is given.
constexpr uint64_t kTerminalCountFromText = ~0ull;

#define DATE_TIME_FIELDS                                                                          \
  {                                                                                               \
    U8("Year"), U8("Month"), U8("Date"), U8("DayOfWeek"), U8("Hour"), U8("Minute"), U8("Second"), \
        Code("TimeZone", 255, 255), kEnd                                                          \
  }
#define DATE_TIME_ARGS(v) \
  v.U8(0), v.U8(1), v.U8(2), v.U8(3), v.U8(4), v.U8(5), v.U8(6), v.Enum<tRVCTimeZone>(7)

const tPgnBuilder kBuilders[] = {
    // ---- NMEA 2000 data ----
    {kPgnSystemTime,
     "System Time",
     {U8("SID"), U16("SystemDate"), Num("SystemTime"), Code("TimeSource", 15, 15), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN126992(m, v.U8(0), v.U16(1), v.D(2), v.Enum<tN2kTimeSource>(3));
     }},
    {kPgnEngineRapid,
     "Engine Parameters, Rapid Update",
     {U8("EngineInstance"), Num("EngineSpeed"), Num("EngineBoostPressure"), I8("EngineTiltTrim"),
      kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN127488(m, v.U8(0), v.D(1), v.D(2), v.I8(3));
     }},
    {kPgnBinarySwitchStatus,
     "Binary Switch Bank Status",
     {U8("DeviceBankInstance"), Code("Status", 0xffffffffffffffull, 0xffffffffffffffull), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) { SetN2kPGN127501(m, v.U8(0), v.U64(1)); }},
    {kPgnDCDetailedStatus,
     "DC Detailed Status",
     {U8("SID"), U8("DCInstance"), Code("DCType", 255, 255), U8("StateOfCharge"),
      U8("StateOfHealth"), Num("TimeRemaining"), Num("RippleVoltage"), Num("Capacity"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN127506(m, v.U8(0), v.U8(1), v.Enum<tN2kDCType>(2), v.U8(3), v.U8(4), v.D(5), v.D(6),
                       v.D(7));
     }},
    {kPgnChargerStatus,
     "Charger Status",
     {U8("Instance"), U8("BatteryInstance"), Code("ChargeState", 15, 15),
      Code("ChargerMode", 15, 15), Code("Enabled", 3, 3), Code("EqualizationPending", 3, 3),
      Num("EqualizationTimeRemaining"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN127507(m, v.U8(0), v.U8(1), v.Enum<tN2kChargeState>(2), v.Enum<tN2kChargerMode>(3),
                       v.Enum<tN2kOnOff>(4), v.Enum<tN2kOnOff>(5), v.D(6));
     }},
    {kPgnBatteryStatus,
     "Battery Status",
     {U8("BatteryInstance"), Num("BatteryVoltage"), Num("BatteryCurrent"),
      Num("BatteryTemperature"), U8("SID"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN127508(m, v.U8(0), v.D(1), v.D(2), v.D(3), v.U8(4));
     }},
    {kPgnChargerConfigStatus,
     "Charger Configuration Status",
     {U8("ChargerInstance"), U8("BatteryInstance"), Code("Enable", 3, 3), Num("ChargeCurrentLimit"),
      Code("ChargingAlgorithm", 15, 15), Code("ChargerMode", 15, 15),
      Code("BatteryTemperature", 15, 15), Code("EqualizationEnabled", 3, 3),
      Code("OverChargeEnable", 3, 3), Num("EqualizationTimeRemaining"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN127510(m, v.U8(0), v.U8(1), v.Enum<tN2kOnOff>(2), v.D(3),
                       v.Enum<tN2kChargingAlgorithm>(4), v.Enum<tN2kChargerMode>(5),
                       v.Enum<tBattTempNoSensor>(6), v.Enum<tN2kOnOff>(7), v.Enum<tN2kOnOff>(8),
                       v.D(9));
     }},
    {kPgnBatteryConfigStatus,
     "Battery Configuration Status",
     {U8("BatInstance"), Code("BatType", 15, 15), Code("SupportsEqual", 3, 3),
      Code("BatNominalVoltage", 15, 15), Code("BatChemistry", 15, 15), Num("BatCapacity"),
      I8("BatTemperatureCoefficient"), Num("PeukertExponent"), I8("ChargeEfficiencyFactor"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN127513(m, v.U8(0), v.Enum<tN2kBatType>(1), v.Enum<tN2kBatEqSupport>(2),
                       v.Enum<tN2kBatNomVolt>(3), v.Enum<tN2kBatChem>(4), v.D(5), v.I8(6), v.D(7),
                       v.I8(8));
     }},
    {kPgnConverterStatus,
     "Converter Status",
     {U8("SID"), U8("ConnectionNumber"), Code("OperatingState", 255, 255),
      Code("TemperatureState", 3, 3), Code("OverloadState", 3, 3), Code("LowDCVoltageState", 3, 3),
      Code("RippleState", 3, 3), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN127750(m, v.U8(0), v.U8(1), v.Enum<tN2kConvMode>(2),
                       v.Enum<tN2kTemperatureState>(3), v.Enum<tN2kOverloadState>(4),
                       v.Enum<tN2kDCVolgateState>(5), v.Enum<tN2kRippleState>(6));
     }},
    // ---- RV-C ----
    {kDgnDateTimeStatus, "DATE_TIME_STATUS", DATE_TIME_FIELDS,
     [](tN2kMsg &m, const tFieldValues &v) { SetRVCPGN1FFFF(m, DATE_TIME_ARGS(v)); }},
    {kDgnSetDateTimeCommand, "SET_DATE_TIME_COMMAND", DATE_TIME_FIELDS,
     [](tN2kMsg &m, const tFieldValues &v) { SetRVCPGN1FFFE(m, DATE_TIME_ARGS(v)); }},
    {kDgnDateTime1FFA0, "date and time (1FFA0)", DATE_TIME_FIELDS,
     [](tN2kMsg &m, const tFieldValues &v) { SetRVCPGN1FFA0(m, DATE_TIME_ARGS(v)); }},
    {kDgnChargerStatus,
     "CHARGER_STATUS",
     {U8("Instance"), U16("CVdc"), U16("CAdc"), U8("PerMax"), Code("State", 255, 255),
      Flag("EnableAtPO"), Flag("AutoRechg"), Code("ForcedChrg", 15, 15), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FFC7(m, v.U8(0), v.U16(1), v.U16(2), v.U8(3), v.Enum<tRVCBatChrgMode>(4), v.B(5),
                      v.B(6), v.Enum<tRVCChrgForceChrg>(7));
     }},
    {kDgnChargerStatus2,
     "CHARGER_STATUS_2",
     {U8("ChrgInst"), U8("DCInst"), U8("DevPri"), U16("Vdc"), U16("Adc"), U8("Temp"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FEA3(m, v.U8(0), v.U8(1), v.U8(2), v.U16(3), v.U16(4), v.U8(5));
     }},
    {kDgnChargerConfigStatus,
     "CHARGER_CONFIGURATION_STATUS",
     {U8("Instance"), Code("ChrgAlg", 255, 255), Code("ChrgMode", 255, 255), Flag("BatSense"),
      Code("Line", 3, 3), Code("BatType", 15, 15), U16("BatSize"), U16("MaxChargeCurrentRaw"),
      kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FFC6(m, v.U8(0), v.Enum<tRVCChrgAlg>(1), v.Enum<tRVCChrgMode>(2), v.B(3),
                      v.Enum<tRVCChrgLine>(4), v.Enum<tRVCBatType>(5), v.U16(6), v.U16(7));
     }},
    {kDgnChargerConfigStatus2,
     "CHARGER_CONFIGURATION_STATUS_2",
     {U8("Instance"), U8("PerMaxAmps"), U8("PerMaxShore"), U8("ShorBr"), U8("DefBatTemp"),
      U16("RchgVolt"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FF96(m, v.U8(0), v.U8(1), v.U8(2), v.U8(3), v.U8(4), v.U16(5));
     }},
    {kDgnChargerConfigStatus3,
     "CHARGER_CONFIGURATION_STATUS_3",
     {U8("Instance"), U16("BulkV"), U16("AbsorbV"), U16("FloatV"), U8("TempComp"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FECC(m, v.U8(0), v.U16(1), v.U16(2), v.U16(3), v.U8(4));
     }},
    {kDgnChargerConfigStatus4,
     "CHARGER_CONFIGURATION_STATUS_4",
     {U8("Instance"), U16("BulkT"), U16("AbsorbT"), U16("FloatT"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FEBF(m, v.U8(0), v.U16(1), v.U16(2), v.U16(3));
     }},
    {kDgnChargerEqualStatus,
     "CHARGER_EQUALIZATION_STATUS",
     {U8("Instance"), U16("Time"), Flag("PreChrg"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) { SetRVCPGN1FF99(m, v.U8(0), v.U16(1), v.B(2)); }},
    {kDgnChargerEqualConfigStatus,
     "CHARGER_EQUALIZATION_CONFIGURATION_STATUS",
     {U8("Instance"), U16("Volts"), U16("Time"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) { SetRVCPGN1FF98(m, v.U8(0), v.U16(1), v.U16(2)); }},
    {kDgnDCSourceStatus1,
     "DC_SOURCE_STATUS_1",
     {U8("Instance"), U8("DevPri"), U16("Vdc"), U32("Adc"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FFFD(m, v.U8(0), v.U8(1), v.U16(2), v.U32(3));
     }},
    {kDgnDCSourceStatus2,
     "DC_SOURCE_STATUS_2",
     {U8("Instance"), U8("DevPri"), U16("Temp"), U8("SOC"), U16("TR"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FFFC(m, v.U8(0), v.U8(1), v.U16(2), v.U8(3), v.U16(4));
     }},
    {kDgnDCSourceStatus3,
     "DC_SOURCE_STATUS_3",
     {U8("Instance"), U8("DevPri"), U8("SOH"), U16("CapRem"), U8("CapRemPer"), U16("Ripple"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FFFB(m, v.U8(0), v.U8(1), v.U8(2), v.U16(3), v.U8(4), v.U16(5));
     }},
    {kDgnDCSourceStatus4,
     "DC_SOURCE_STATUS_4",
     {U8("Instance"), U8("DevPri"), Code("DesCM", 255, 255), U16("DesVolt"), U16("DesAmp"),
      Code("BatType", 15, 15), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FEC9(m, v.U8(0), v.U8(1), v.Enum<tRVCBatChrgMode>(2), v.U16(3), v.U16(4),
                      v.Enum<tRVCBatType>(5));
     }},
    {kDgnDCSourceStatus5,
     "DC_SOURCE_STATUS_5",
     {U8("Instance"), U8("DevPri"), U32("Vdc"), U16("dVdT"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FEC8(m, v.U8(0), v.U8(1), v.U32(2), v.U16(3));
     }},
    {kDgnDCSourceStatus6,
     "DC_SOURCE_STATUS_6",
     {U8("Instance"), U8("DevPri"), Flag("HVls"), Flag("HVld"), Flag("LVls"), Flag("LVld"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FEC7(m, v.U8(0), v.U8(1), v.B(2), v.B(3), v.B(4), v.B(5));
     }},
    {kDgnDCSourceStatus11,
     "DC_SOURCE_STATUS_11",
     {U8("Instance"), U8("DevPri"), Flag("PwrOnOff"), Flag("ChrgOnOff"), Flag("ChrgDet"),
      Flag("ResvStat"), U16("BatAHCap"), U16("DCPower"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetRVCPGN1FEA5(m, v.U8(0), v.U8(1), v.B(2), v.B(3), v.B(4), v.B(5), v.U16(6), v.U16(7));
     }},
    {kDgnTerminal,
     "TERMINAL",
     {U8("Destination"), Code("Count", 8, kTerminalCountFromText), Text("Chars", 8), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       int count = static_cast<int>(std::strlen(v.S(2)));
       if (v.Has(1)) count = static_cast<int>(v.U64(1));
       SetRVCPGN17E00(m, v.U8(0), count, v.S(2));
     }},
    {kDgnDMRV,
     "DM_RV",
     {Flag("On"), Flag("Active"), Flag("Red"), Flag("Yellow"), U8("DSA"),
      Code("SPN", 0x7ffff, 0x7ffff), Code("FMI", 31, 31), Code("Count", 127, 127), U8("DSA_ext"),
      Code("Bank", 15, 15), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetISOPGN1FECA(m, v.B(0), v.B(1), v.B(2), v.B(3), v.U8(4), v.U32(5), v.Enum<tISOFMIType>(6),
                      v.U8(7), v.U8(8), v.U8(9));
     }},
    // ---- network management ----
    {kPgnIsoRequest,
     "ISO Request",
     {U8("Destination"), Code("RequestedPGN", 0x3ffff, 0xffffff), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) { SetN2kPGN59904(m, v.U8(0), v.U32(1)); }},
    {kPgnIsoAcknowledgement,
     "ISO Acknowledgement",
     {U8("Destination"), U8("Control"), U8("GroupFunction"), U24("PGN"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN59392(m, v.U8(0), v.Enum<tN2kAckControl>(1), v.U8(2), v.U32(3));
     }},
    {kPgnIsoAddressClaim,
     "ISO Address Claim",
     {U64("Name"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) { SetN2kPGN60928(m, v.U64(0)); }},
    {kPgnCommandedAddress,
     "ISO Commanded Address",
     {U64("TargetName"), U8("NewAddress"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) { SetN2kPGN65240(m, v.U64(0), v.U8(1)); }},
    {kPgnPgnList,
     "PGN List",
     {U8("Destination"), Code("Function", 1, 0), PgnList("PGNs"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       SetN2kPGN126464(m, v.U8(0), v.Enum<tN2kPGNList>(1), v.Pgns(2));
     }},
    {kPgnHeartbeat,
     "Heartbeat",
     {U32("IntervalMs"), U8("SequenceCounter"), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) { SetN2kPGN126993(m, v.U32(0), v.U8(1)); }},
    {kPgnProductInformation,
     "Product Information",
     {U16("N2kVersion"), U16("ProductCode"), Text("ModelID", kN2kProductStrLen),
      Text("SwCode", kN2kProductStrLen), Text("ModelVersion", kN2kProductStrLen),
      Text("ModelSerialCode", kN2kProductStrLen), U8("CertificationLevel"), U8("LoadEquivalency"),
      kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       tN2kProductInfo info;
       info.N2kVersion = v.U16(0);
       info.ProductCode = v.U16(1);
       N2kCopyText(info.ModelID, sizeof(info.ModelID), v.S(2));
       N2kCopyText(info.SwCode, sizeof(info.SwCode), v.S(3));
       N2kCopyText(info.ModelVersion, sizeof(info.ModelVersion), v.S(4));
       N2kCopyText(info.ModelSerialCode, sizeof(info.ModelSerialCode), v.S(5));
       info.CertificationLevel = v.U8(6);
       info.LoadEquivalency = v.U8(7);
       SetN2kPGN126996(m, info);
     }},
    {kPgnConfigurationInformation,
     "Configuration Information",
     {Text("ManufacturerInformation", kN2kConfigStrMax),
      Text("InstallationDescription1", kN2kConfigStrMax),
      Text("InstallationDescription2", kN2kConfigStrMax), kEnd},
     [](tN2kMsg &m, const tFieldValues &v) {
       tN2kConfigInfo info;
       N2kCopyText(info.ManufacturerInformation, sizeof(info.ManufacturerInformation), v.S(0));
       N2kCopyText(info.InstallationDescription1, sizeof(info.InstallationDescription1), v.S(1));
       N2kCopyText(info.InstallationDescription2, sizeof(info.InstallationDescription2), v.S(2));
       SetN2kPGN126998(m, info);
     }},
};

}  // namespace

const tPgnBuilder *PgnBuilders(size_t &count) {
  count = sizeof(kBuilders) / sizeof(kBuilders[0]);
  return kBuilders;
}
