// NMEA 2000 data messages (protocol.md section D).
#include "N2kMessages.h"

namespace {

constexpr unsigned long kPgnSystemTime = 126992;
constexpr unsigned long kPgnEngineRapid = 127488;
constexpr unsigned long kPgnBinarySwitchStatus = 127501;
constexpr unsigned long kPgnDCDetailedStatus = 127506;
constexpr unsigned long kPgnChargerStatus = 127507;
constexpr unsigned long kPgnBatteryStatus = 127508;
constexpr unsigned long kPgnChargerConfigStatus = 127510;
constexpr unsigned long kPgnBatteryConfigStatus = 127513;
constexpr unsigned long kPgnConverterStatus = 127750;

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

}  // namespace

// ---- 126992 System Time ----

void SetN2kPGN126992(tN2kMsg &N2kMsg, unsigned char SID, uint16_t SystemDate, double SystemTime,
                     tN2kTimeSource TimeSource) {
  N2kMsg.SetPGN(kPgnSystemTime, 3);
  N2kMsg.AddByte(SID);
  N2kMsg.AddByte(0xf0 | Low4(TimeSource));
  N2kMsg.Add2ByteUInt(SystemDate);
  N2kMsg.Add4ByteUDouble(SystemTime, 0.0001);
}

bool ParseN2kPGN126992(const tN2kMsg &N2kMsg, unsigned char &SID, uint16_t &SystemDate,
                       double &SystemTime, tN2kTimeSource &TimeSource) {
  if (!Is(N2kMsg, kPgnSystemTime, kSingleFrameLen)) return false;
  int i = 0;
  SID = N2kMsg.GetByte(i);
  TimeSource = static_cast<tN2kTimeSource>(Low4(N2kMsg.GetByte(i)));
  SystemDate = N2kMsg.Get2ByteUInt(i);
  SystemTime = N2kMsg.Get4ByteUDouble(0.0001, i);
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
  EngineSpeed = N2kMsg.Get2ByteUDouble(0.25, i);
  EngineBoostPressure = N2kMsg.Get2ByteUDouble(100, i);
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
  TimeRemaining = N2kMsg.Get2ByteUDouble(kSecondsPerMinute, i);
  RippleVoltage = N2kMsg.Get2ByteUDouble(0.001, i);
  Capacity = N2kDoubleNA;
  if (N2kMsg.DataLen >= kDCDetailedLen) Capacity = N2kMsg.Get2ByteUDouble(kCoulombsPerAh, i);
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
  EqualizationTimeRemaining = N2kMsg.Get2ByteUDouble(kSecondsPerMinute, i);
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
  BatteryVoltage = N2kMsg.Get2ByteDouble(0.01, i);
  BatteryCurrent = N2kMsg.Get2ByteDouble(0.1, i);
  BatteryTemperature = N2kMsg.Get2ByteUDouble(0.01, i);
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
  ChargeCurrentLimit = N2kMsg.Get1ByteUDouble(1, i);
  uint8_t b = N2kMsg.GetByte(i);
  ChargingAlgorithm = static_cast<tN2kChargingAlgorithm>(Low4(b));
  ChargerMode = static_cast<tN2kChargerMode>(Low4(b >> 4));
  b = N2kMsg.GetByte(i);
  BatteryTemperature = static_cast<tBattTempNoSensor>(Low4(b));
  EqualizationEnabled = static_cast<tN2kOnOff>(Low2(b >> 4));
  OverChargeEnable = static_cast<tN2kOnOff>(Low2(b >> 6));
  EqualizationTimeRemaining = N2kMsg.Get2ByteUDouble(kSecondsPerMinute, i);
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
  N2kMsg.Add1ByteUDouble(PeukertExponent, 0.002, 1.0);
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
  BatCapacity = N2kMsg.Get2ByteUDouble(kCoulombsPerAh, i);
  BatTemperatureCoefficient = static_cast<int8_t>(N2kMsg.GetByte(i));
  PeukertExponent = N2kMsg.Get1ByteUDouble(0.002, i, 1.0);
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
