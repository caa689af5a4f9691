// NMEA 2000 data messages (protocol.md section D).
#include "N2kMessages.h"

#include <cmath>

#include "N2kPgns.h"

namespace {

constexpr int kSingleFrameLen = 8;
constexpr int kDCDetailedLegacyLen = 9;  // 2009 field list: no remaining capacity
constexpr int kDCDetailedLen = 11;
constexpr int kChargerStatusLen = 6;

// The bus carries minutes and ampere-hours; the API speaks seconds and coulombs.
constexpr double kSecondsPerMinute = 60.0;
constexpr double kCoulombsPerAh = 3600.0;

bool Is(const tN2kMsg &msg, unsigned long pgn, int minLen) {
  return msg.PGN == pgn && msg.DataLen >= minLen;
}

uint8_t Low4(unsigned v) {
  return v & 0x0f;
}
uint8_t Low2(unsigned v) {
  return v & 0x03;
}

// Valid raw values end three below all ones (protocol.md 0.2): the codes above are
// "error", "reserved" and "not available", never values. Fields with a narrower
// stated range pass their own limit.
constexpr uint32_t kMax1ByteU = 0xfc;
constexpr uint32_t kMax2ByteU = 0xfffc;
constexpr int32_t kMax2ByteS = 0x7ffc;
constexpr uint32_t kMax4ByteU = 0xfffffffc;
// System Time: 0 to 86401 s in 0.0001 s steps (a leap second included).
constexpr uint32_t kMaxTimeOfDayRaw = 864010000;
// Peukert exponent: raw 0..250 is 1.000..1.500.
constexpr uint32_t kMaxPeukertRaw = 250;
constexpr double kTimeOfDayResolution = 0.0001;
constexpr double kPeukertResolution = 0.002;
constexpr double kPeukertOffset = 1.0;

// True when v is a value whose rounded raw lies in 0..maxRaw.
bool RawInRange(double v, double resolution, double offset, double maxRaw) {
  if (N2kIsNA(v) || !std::isfinite(v)) return false;
  const double raw = std::round((v - offset) / resolution);
  return raw >= 0 && raw <= maxRaw;
}

// Decoders: a raw beyond the field's valid range reads as not available.
double Get1U(const tN2kMsg &msg, int &i, double resolution, double offset = 0,
             uint32_t maxRaw = kMax1ByteU) {
  const uint8_t raw = msg.GetByte(i);
  return raw > maxRaw ? N2kDoubleNA : raw * resolution + offset;
}
double Get2U(const tN2kMsg &msg, int &i, double resolution) {
  const uint16_t raw = msg.Get2ByteUInt(i);
  return raw > kMax2ByteU ? N2kDoubleNA : raw * resolution;
}
double Get2S(const tN2kMsg &msg, int &i, double resolution) {
  const int16_t raw = msg.Get2ByteInt(i);
  return raw > kMax2ByteS ? N2kDoubleNA : raw * resolution;
}
double Get4U(const tN2kMsg &msg, int &i, double resolution, uint32_t maxRaw = kMax4ByteU) {
  const uint32_t raw = msg.Get4ByteUInt(i);
  return raw > maxRaw ? N2kDoubleNA : raw * resolution;
}

}  // namespace

// ---- 126992 System Time ----

void SetN2kPGN126992(tN2kMsg &N2kMsg, unsigned char SID, uint16_t SystemDate, double SystemTime,
                     tN2kTimeSource TimeSource) {
  N2kMsg.SetPGN(kPgnSystemTime, 3);
  N2kMsg.AddByte(SID);
  N2kMsg.AddByte(0xf0 | Low4(TimeSource));
  N2kMsg.Add2ByteUInt(SystemDate);
  // A time of day past the field's range would read back as a later day's time.
  if (!RawInRange(SystemTime, kTimeOfDayResolution, 0, kMaxTimeOfDayRaw)) SystemTime = N2kDoubleNA;
  N2kMsg.Add4ByteUDouble(SystemTime, kTimeOfDayResolution);
}

bool ParseN2kPGN126992(const tN2kMsg &N2kMsg, unsigned char &SID, uint16_t &SystemDate,
                       double &SystemTime, tN2kTimeSource &TimeSource) {
  if (!Is(N2kMsg, kPgnSystemTime, kSingleFrameLen)) return false;
  int i = 0;
  SID = N2kMsg.GetByte(i);
  TimeSource = static_cast<tN2kTimeSource>(Low4(N2kMsg.GetByte(i)));
  SystemDate = N2kMsg.Get2ByteUInt(i);
  SystemTime = Get4U(N2kMsg, i, kTimeOfDayResolution, kMaxTimeOfDayRaw);
  return true;
}

// ---- 127488 Engine Parameters, Rapid Update ----

void SetN2kPGN127488(tN2kMsg &N2kMsg, unsigned char EngineInstance, double EngineSpeed,
                     double EngineBoostPressure, int8_t EngineTiltTrim) {
  N2kMsg.SetPGN(kPgnEngineRapid, 2);
  N2kMsg.AddByte(EngineInstance);
  N2kMsg.Add2ByteUDouble(EngineSpeed, 0.25);
  N2kMsg.Add2ByteUDouble(EngineBoostPressure, 100);
  N2kMsg.AddByte(static_cast<uint8_t>(EngineTiltTrim));
  N2kMsg.Add2ByteUInt(0xffff);
}

bool ParseN2kPGN127488(const tN2kMsg &N2kMsg, unsigned char &EngineInstance, double &EngineSpeed,
                       double &EngineBoostPressure, int8_t &EngineTiltTrim) {
  if (!Is(N2kMsg, kPgnEngineRapid, kSingleFrameLen)) return false;
  int i = 0;
  EngineInstance = N2kMsg.GetByte(i);
  EngineSpeed = Get2U(N2kMsg, i, 0.25);
  EngineBoostPressure = Get2U(N2kMsg, i, 100);
  EngineTiltTrim = static_cast<int8_t>(N2kMsg.GetByte(i));
  return true;
}

// ---- 127501 Binary Switch Bank Status ----
// Bytes 1..7 hold 28 two-bit indicators, indicator 1 in the low bits of byte 1,
// which is exactly Status read as a little-endian 56-bit number.

void SetN2kPGN127501(tN2kMsg &N2kMsg, unsigned char DeviceBankInstance, uint64_t Status) {
  N2kMsg.SetPGN(kPgnBinarySwitchStatus, 3);
  N2kMsg.AddByte(DeviceBankInstance);
  for (int b = 0; b < 7; b++) N2kMsg.AddByte(static_cast<uint8_t>(Status >> (8 * b)));
}

bool ParseN2kPGN127501(const tN2kMsg &N2kMsg, unsigned char &DeviceBankInstance, uint64_t &Status) {
  if (!Is(N2kMsg, kPgnBinarySwitchStatus, kSingleFrameLen)) return false;
  int i = 0;
  DeviceBankInstance = N2kMsg.GetByte(i);
  Status = 0;
  for (int b = 0; b < 7; b++) Status |= static_cast<uint64_t>(N2kMsg.GetByte(i)) << (8 * b);
  return true;
}

// ---- 127506 DC Detailed Status ----

void SetN2kPGN127506(tN2kMsg &N2kMsg, unsigned char SID, unsigned char DCInstance,
                     tN2kDCType DCType, unsigned char StateOfCharge, unsigned char StateOfHealth,
                     double TimeRemaining, double RippleVoltage, double Capacity) {
  N2kMsg.SetPGN(kPgnDCDetailedStatus, 6);
  N2kMsg.AddByte(SID);
  N2kMsg.AddByte(DCInstance);
  N2kMsg.AddByte(static_cast<uint8_t>(DCType));
  N2kMsg.AddByte(StateOfCharge);
  N2kMsg.AddByte(StateOfHealth);
  N2kMsg.Add2ByteUDouble(TimeRemaining, kSecondsPerMinute);
  N2kMsg.Add2ByteUDouble(RippleVoltage, 0.001);
  N2kMsg.Add2ByteUDouble(Capacity, kCoulombsPerAh);
}

bool ParseN2kPGN127506(const tN2kMsg &N2kMsg, unsigned char &SID, unsigned char &DCInstance,
                       tN2kDCType &DCType, unsigned char &StateOfCharge,
                       unsigned char &StateOfHealth, double &TimeRemaining, double &RippleVoltage,
                       double &Capacity) {
  if (!Is(N2kMsg, kPgnDCDetailedStatus, kDCDetailedLegacyLen)) return false;
  int i = 0;
  SID = N2kMsg.GetByte(i);
  DCInstance = N2kMsg.GetByte(i);
  DCType = static_cast<tN2kDCType>(N2kMsg.GetByte(i));
  StateOfCharge = N2kMsg.GetByte(i);
  StateOfHealth = N2kMsg.GetByte(i);
  TimeRemaining = Get2U(N2kMsg, i, kSecondsPerMinute);
  RippleVoltage = Get2U(N2kMsg, i, 0.001);
  Capacity = N2kDoubleNA;
  if (N2kMsg.DataLen >= kDCDetailedLen) Capacity = Get2U(N2kMsg, i, kCoulombsPerAh);
  return true;
}

bool ParseN2kPGN127506(const tN2kMsg &N2kMsg, unsigned char &SID, unsigned char &DCInstance,
                       tN2kDCType &DCType, unsigned char &StateOfCharge,
                       unsigned char &StateOfHealth, double &TimeRemaining, double &RippleVoltage) {
  double capacity;
  return ParseN2kPGN127506(N2kMsg, SID, DCInstance, DCType, StateOfCharge, StateOfHealth,
                           TimeRemaining, RippleVoltage, capacity);
}

// ---- 127507 Charger Status ----

void SetN2kPGN127507(tN2kMsg &N2kMsg, unsigned char Instance, unsigned char BatteryInstance,
                     tN2kChargeState ChargeState, tN2kChargerMode ChargerMode, tN2kOnOff Enabled,
                     tN2kOnOff EqualizationPending, double EqualizationTimeRemaining) {
  N2kMsg.SetPGN(kPgnChargerStatus, 6);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(BatteryInstance);
  N2kMsg.AddByte(Low4(ChargeState) | Low4(ChargerMode) << 4);
  N2kMsg.AddByte(0xf0 | Low2(Enabled) | Low2(EqualizationPending) << 2);
  N2kMsg.Add2ByteUDouble(EqualizationTimeRemaining, kSecondsPerMinute);
}

bool ParseN2kPGN127507(const tN2kMsg &N2kMsg, unsigned char &Instance,
                       unsigned char &BatteryInstance, tN2kChargeState &ChargeState,
                       tN2kChargerMode &ChargerMode, tN2kOnOff &Enabled,
                       tN2kOnOff &EqualizationPending, double &EqualizationTimeRemaining) {
  if (!Is(N2kMsg, kPgnChargerStatus, kChargerStatusLen)) return false;
  int i = 0;
  Instance = N2kMsg.GetByte(i);
  BatteryInstance = N2kMsg.GetByte(i);
  uint8_t b = N2kMsg.GetByte(i);
  ChargeState = static_cast<tN2kChargeState>(Low4(b));
  ChargerMode = static_cast<tN2kChargerMode>(Low4(b >> 4));
  b = N2kMsg.GetByte(i);
  Enabled = static_cast<tN2kOnOff>(Low2(b));
  EqualizationPending = static_cast<tN2kOnOff>(Low2(b >> 2));
  EqualizationTimeRemaining = Get2U(N2kMsg, i, kSecondsPerMinute);
  return true;
}

// ---- 127508 Battery Status ----

void SetN2kPGN127508(tN2kMsg &N2kMsg, unsigned char BatteryInstance, double BatteryVoltage,
                     double BatteryCurrent, double BatteryTemperature, unsigned char SID) {
  N2kMsg.SetPGN(kPgnBatteryStatus, 6);
  N2kMsg.AddByte(BatteryInstance);
  N2kMsg.Add2ByteDouble(BatteryVoltage, 0.01);
  N2kMsg.Add2ByteDouble(BatteryCurrent, 0.1);
  N2kMsg.Add2ByteUDouble(BatteryTemperature, 0.01);
  N2kMsg.AddByte(SID);
}

bool ParseN2kPGN127508(const tN2kMsg &N2kMsg, unsigned char &BatteryInstance,
                       double &BatteryVoltage, double &BatteryCurrent, double &BatteryTemperature,
                       unsigned char &SID) {
  if (!Is(N2kMsg, kPgnBatteryStatus, kSingleFrameLen)) return false;
  int i = 0;
  BatteryInstance = N2kMsg.GetByte(i);
  BatteryVoltage = Get2S(N2kMsg, i, 0.01);
  BatteryCurrent = Get2S(N2kMsg, i, 0.1);
  BatteryTemperature = Get2U(N2kMsg, i, 0.01);
  SID = N2kMsg.GetByte(i);
  return true;
}

// ---- 127510 Charger Configuration Status ----

void SetN2kPGN127510(tN2kMsg &N2kMsg, unsigned char ChargerInstance, unsigned char BatteryInstance,
                     tN2kOnOff Enable, double ChargeCurrentLimit,
                     tN2kChargingAlgorithm ChargingAlgorithm, tN2kChargerMode ChargerMode,
                     tBattTempNoSensor BatteryTemperature, tN2kOnOff EqualizationEnabled,
                     tN2kOnOff OverChargeEnable, double EqualizationTimeRemaining) {
  N2kMsg.SetPGN(kPgnChargerConfigStatus, 6);
  N2kMsg.AddByte(ChargerInstance);
  N2kMsg.AddByte(BatteryInstance);
  N2kMsg.AddByte(0xfc | Low2(Enable));
  N2kMsg.Add1ByteUDouble(ChargeCurrentLimit, 1);
  N2kMsg.AddByte(Low4(ChargingAlgorithm) | Low4(ChargerMode) << 4);
  N2kMsg.AddByte(Low4(BatteryTemperature) | Low2(EqualizationEnabled) << 4 |
                 Low2(OverChargeEnable) << 6);
  N2kMsg.Add2ByteUDouble(EqualizationTimeRemaining, kSecondsPerMinute);
}

bool ParseN2kPGN127510(const tN2kMsg &N2kMsg, unsigned char &ChargerInstance,
                       unsigned char &BatteryInstance, tN2kOnOff &Enable,
                       double &ChargeCurrentLimit, tN2kChargingAlgorithm &ChargingAlgorithm,
                       tN2kChargerMode &ChargerMode, tBattTempNoSensor &BatteryTemperature,
                       tN2kOnOff &EqualizationEnabled, tN2kOnOff &OverChargeEnable,
                       double &EqualizationTimeRemaining) {
  if (!Is(N2kMsg, kPgnChargerConfigStatus, kSingleFrameLen)) return false;
  int i = 0;
  ChargerInstance = N2kMsg.GetByte(i);
  BatteryInstance = N2kMsg.GetByte(i);
  Enable = static_cast<tN2kOnOff>(Low2(N2kMsg.GetByte(i)));
  ChargeCurrentLimit = Get1U(N2kMsg, i, 1);
  uint8_t b = N2kMsg.GetByte(i);
  ChargingAlgorithm = static_cast<tN2kChargingAlgorithm>(Low4(b));
  ChargerMode = static_cast<tN2kChargerMode>(Low4(b >> 4));
  b = N2kMsg.GetByte(i);
  BatteryTemperature = static_cast<tBattTempNoSensor>(Low4(b));
  EqualizationEnabled = static_cast<tN2kOnOff>(Low2(b >> 4));
  OverChargeEnable = static_cast<tN2kOnOff>(Low2(b >> 6));
  EqualizationTimeRemaining = Get2U(N2kMsg, i, kSecondsPerMinute);
  return true;
}

// ---- 127513 Battery Configuration Status ----
// Newer editions may append fields after byte 7; they are ignored.

void SetN2kPGN127513(tN2kMsg &N2kMsg, unsigned char BatInstance, tN2kBatType BatType,
                     tN2kBatEqSupport SupportsEqual, tN2kBatNomVolt BatNominalVoltage,
                     tN2kBatChem BatChemistry, double BatCapacity, int8_t BatTemperatureCoefficient,
                     double PeukertExponent, int8_t ChargeEfficiencyFactor) {
  N2kMsg.SetPGN(kPgnBatteryConfigStatus, 6);
  N2kMsg.AddByte(BatInstance);
  N2kMsg.AddByte(0xc0 | Low4(BatType) | Low2(SupportsEqual) << 4);
  N2kMsg.AddByte(Low4(BatNominalVoltage) | Low4(BatChemistry) << 4);
  N2kMsg.Add2ByteUDouble(BatCapacity, kCoulombsPerAh);
  N2kMsg.AddByte(static_cast<uint8_t>(BatTemperatureCoefficient));
  if (!RawInRange(PeukertExponent, kPeukertResolution, kPeukertOffset, kMaxPeukertRaw))
    PeukertExponent = N2kDoubleNA;
  N2kMsg.Add1ByteUDouble(PeukertExponent, kPeukertResolution, kPeukertOffset);
  N2kMsg.AddByte(static_cast<uint8_t>(ChargeEfficiencyFactor));
}

bool ParseN2kPGN127513(const tN2kMsg &N2kMsg, unsigned char &BatInstance, tN2kBatType &BatType,
                       tN2kBatEqSupport &SupportsEqual, tN2kBatNomVolt &BatNominalVoltage,
                       tN2kBatChem &BatChemistry, double &BatCapacity,
                       int8_t &BatTemperatureCoefficient, double &PeukertExponent,
                       int8_t &ChargeEfficiencyFactor) {
  if (!Is(N2kMsg, kPgnBatteryConfigStatus, kSingleFrameLen)) return false;
  int i = 0;
  BatInstance = N2kMsg.GetByte(i);
  uint8_t b = N2kMsg.GetByte(i);
  BatType = static_cast<tN2kBatType>(Low4(b));
  SupportsEqual = static_cast<tN2kBatEqSupport>(Low2(b >> 4));
  b = N2kMsg.GetByte(i);
  BatNominalVoltage = static_cast<tN2kBatNomVolt>(Low4(b));
  BatChemistry = static_cast<tN2kBatChem>(Low4(b >> 4));
  BatCapacity = Get2U(N2kMsg, i, kCoulombsPerAh);
  BatTemperatureCoefficient = static_cast<int8_t>(N2kMsg.GetByte(i));
  PeukertExponent = Get1U(N2kMsg, i, kPeukertResolution, kPeukertOffset, kMaxPeukertRaw);
  ChargeEfficiencyFactor = static_cast<int8_t>(N2kMsg.GetByte(i));
  return true;
}

// ---- 127750 Converter Status ----

void SetN2kPGN127750(tN2kMsg &N2kMsg, unsigned char SID, unsigned char ConnectionNumber,
                     tN2kConvMode OperatingState, tN2kTemperatureState TemperatureState,
                     tN2kOverloadState OverloadState, tN2kDCVolgateState LowDCVoltageState,
                     tN2kRippleState RippleState) {
  N2kMsg.SetPGN(kPgnConverterStatus, 6);
  N2kMsg.AddByte(SID);
  N2kMsg.AddByte(ConnectionNumber);
  N2kMsg.AddByte(static_cast<uint8_t>(OperatingState));
  N2kMsg.AddByte(Low2(TemperatureState) | Low2(OverloadState) << 2 | Low2(LowDCVoltageState) << 4 |
                 Low2(RippleState) << 6);
  N2kMsg.Add4ByteUInt(0xffffffffu);
}

bool ParseN2kPGN127750(const tN2kMsg &N2kMsg, unsigned char &SID, unsigned char &ConnectionNumber,
                       tN2kConvMode &OperatingState, tN2kTemperatureState &TemperatureState,
                       tN2kOverloadState &OverloadState, tN2kDCVolgateState &LowDCVoltageState,
                       tN2kRippleState &RippleState) {
  if (!Is(N2kMsg, kPgnConverterStatus, kSingleFrameLen)) return false;
  int i = 0;
  SID = N2kMsg.GetByte(i);
  ConnectionNumber = N2kMsg.GetByte(i);
  OperatingState = static_cast<tN2kConvMode>(N2kMsg.GetByte(i));
  uint8_t b = N2kMsg.GetByte(i);
  TemperatureState = static_cast<tN2kTemperatureState>(Low2(b));
  OverloadState = static_cast<tN2kOverloadState>(Low2(b >> 2));
  LowDCVoltageState = static_cast<tN2kDCVolgateState>(Low2(b >> 4));
  RippleState = static_cast<tN2kRippleState>(Low2(b >> 6));
  return true;
}
