// NMEA 2000 data messages: the public functions over their descriptions
// (N2kDescriptions.cpp). Doubles are physical values, everything else raw fields.
#include "N2kMessages.h"

#include "DescribedCodec.h"
#include "N2kDescriptions.h"

using n2kcodec::Decode;
using n2kcodec::Encode;
using n2kcodec::kSkip;

// ---- 126992 System Time ----

void SetN2kPGN126992(tN2kMsg &N2kMsg, unsigned char SID, uint16_t SystemDate, double SystemTime,
                     tN2kTimeSource TimeSource) {
  Encode(kN2kDescSystemTime, N2kMsg, SID, TimeSource, SystemDate, SystemTime);
}

bool ParseN2kPGN126992(const tN2kMsg &N2kMsg, unsigned char &SID, uint16_t &SystemDate,
                       double &SystemTime, tN2kTimeSource &TimeSource) {
  return Decode(kN2kDescSystemTime, N2kMsg, SID, TimeSource, SystemDate, SystemTime);
}

// ---- 127488 Engine Parameters, Rapid Update ----

void SetN2kPGN127488(tN2kMsg &N2kMsg, unsigned char EngineInstance, double EngineSpeed,
                     double EngineBoostPressure, int8_t EngineTiltTrim) {
  Encode(kN2kDescEngineRapid, N2kMsg, EngineInstance, EngineSpeed, EngineBoostPressure,
         EngineTiltTrim);
}

bool ParseN2kPGN127488(const tN2kMsg &N2kMsg, unsigned char &EngineInstance, double &EngineSpeed,
                       double &EngineBoostPressure, int8_t &EngineTiltTrim) {
  return Decode(kN2kDescEngineRapid, N2kMsg, EngineInstance, EngineSpeed, EngineBoostPressure,
                EngineTiltTrim);
}

// ---- 127501 Binary Switch Bank Status ----

void SetN2kPGN127501(tN2kMsg &N2kMsg, unsigned char DeviceBankInstance, uint64_t Status) {
  Encode(kN2kDescBinarySwitchStatus, N2kMsg, DeviceBankInstance, Status);
}

bool ParseN2kPGN127501(const tN2kMsg &N2kMsg, unsigned char &DeviceBankInstance, uint64_t &Status) {
  return Decode(kN2kDescBinarySwitchStatus, N2kMsg, DeviceBankInstance, Status);
}

// ---- 127506 DC Detailed Status ----

void SetN2kPGN127506(tN2kMsg &N2kMsg, unsigned char SID, unsigned char DCInstance,
                     tN2kDCType DCType, unsigned char StateOfCharge, unsigned char StateOfHealth,
                     double TimeRemaining, double RippleVoltage, double Capacity) {
  Encode(kN2kDescDCDetailedStatus, N2kMsg, SID, DCInstance, DCType, StateOfCharge, StateOfHealth,
         TimeRemaining, RippleVoltage, Capacity);
}

bool ParseN2kPGN127506(const tN2kMsg &N2kMsg, unsigned char &SID, unsigned char &DCInstance,
                       tN2kDCType &DCType, unsigned char &StateOfCharge,
                       unsigned char &StateOfHealth, double &TimeRemaining, double &RippleVoltage,
                       double &Capacity) {
  return Decode(kN2kDescDCDetailedStatus, N2kMsg, SID, DCInstance, DCType, StateOfCharge,
                StateOfHealth, TimeRemaining, RippleVoltage, Capacity);
}

bool ParseN2kPGN127506(const tN2kMsg &N2kMsg, unsigned char &SID, unsigned char &DCInstance,
                       tN2kDCType &DCType, unsigned char &StateOfCharge,
                       unsigned char &StateOfHealth, double &TimeRemaining, double &RippleVoltage) {
  return Decode(kN2kDescDCDetailedStatus, N2kMsg, SID, DCInstance, DCType, StateOfCharge,
                StateOfHealth, TimeRemaining, RippleVoltage, kSkip);
}

// ---- 127507 Charger Status ----

void SetN2kPGN127507(tN2kMsg &N2kMsg, unsigned char Instance, unsigned char BatteryInstance,
                     tN2kChargeState ChargeState, tN2kChargerMode ChargerMode, tN2kOnOff Enabled,
                     tN2kOnOff EqualizationPending, double EqualizationTimeRemaining) {
  Encode(kN2kDescChargerStatus, N2kMsg, Instance, BatteryInstance, ChargeState, ChargerMode,
         Enabled, EqualizationPending, EqualizationTimeRemaining);
}

bool ParseN2kPGN127507(const tN2kMsg &N2kMsg, unsigned char &Instance,
                       unsigned char &BatteryInstance, tN2kChargeState &ChargeState,
                       tN2kChargerMode &ChargerMode, tN2kOnOff &Enabled,
                       tN2kOnOff &EqualizationPending, double &EqualizationTimeRemaining) {
  return Decode(kN2kDescChargerStatus, N2kMsg, Instance, BatteryInstance, ChargeState, ChargerMode,
                Enabled, EqualizationPending, EqualizationTimeRemaining);
}

// ---- 127508 Battery Status ----

void SetN2kPGN127508(tN2kMsg &N2kMsg, unsigned char BatteryInstance, double BatteryVoltage,
                     double BatteryCurrent, double BatteryTemperature, unsigned char SID) {
  Encode(kN2kDescBatteryStatus, N2kMsg, BatteryInstance, BatteryVoltage, BatteryCurrent,
         BatteryTemperature, SID);
}

bool ParseN2kPGN127508(const tN2kMsg &N2kMsg, unsigned char &BatteryInstance,
                       double &BatteryVoltage, double &BatteryCurrent, double &BatteryTemperature,
                       unsigned char &SID) {
  return Decode(kN2kDescBatteryStatus, N2kMsg, BatteryInstance, BatteryVoltage, BatteryCurrent,
                BatteryTemperature, SID);
}

// ---- 127510 Charger Configuration Status ----

void SetN2kPGN127510(tN2kMsg &N2kMsg, unsigned char ChargerInstance, unsigned char BatteryInstance,
                     tN2kOnOff Enable, double ChargeCurrentLimit,
                     tN2kChargingAlgorithm ChargingAlgorithm, tN2kChargerMode ChargerMode,
                     tBattTempNoSensor BatteryTemperature, tN2kOnOff EqualizationEnabled,
                     tN2kOnOff OverChargeEnable, double EqualizationTimeRemaining) {
  Encode(kN2kDescChargerConfigStatus, N2kMsg, ChargerInstance, BatteryInstance, Enable,
         ChargeCurrentLimit, ChargingAlgorithm, ChargerMode, BatteryTemperature,
         EqualizationEnabled, OverChargeEnable, EqualizationTimeRemaining);
}

bool ParseN2kPGN127510(const tN2kMsg &N2kMsg, unsigned char &ChargerInstance,
                       unsigned char &BatteryInstance, tN2kOnOff &Enable,
                       double &ChargeCurrentLimit, tN2kChargingAlgorithm &ChargingAlgorithm,
                       tN2kChargerMode &ChargerMode, tBattTempNoSensor &BatteryTemperature,
                       tN2kOnOff &EqualizationEnabled, tN2kOnOff &OverChargeEnable,
                       double &EqualizationTimeRemaining) {
  return Decode(kN2kDescChargerConfigStatus, N2kMsg, ChargerInstance, BatteryInstance, Enable,
                ChargeCurrentLimit, ChargingAlgorithm, ChargerMode, BatteryTemperature,
                EqualizationEnabled, OverChargeEnable, EqualizationTimeRemaining);
}

// ---- 127513 Battery Configuration Status ----

void SetN2kPGN127513(tN2kMsg &N2kMsg, unsigned char BatInstance, tN2kBatType BatType,
                     tN2kBatEqSupport SupportsEqual, tN2kBatNomVolt BatNominalVoltage,
                     tN2kBatChem BatChemistry, double BatCapacity, int8_t BatTemperatureCoefficient,
                     double PeukertExponent, int8_t ChargeEfficiencyFactor) {
  Encode(kN2kDescBatteryConfigStatus, N2kMsg, BatInstance, BatType, SupportsEqual,
         BatNominalVoltage, BatChemistry, BatCapacity, BatTemperatureCoefficient, PeukertExponent,
         ChargeEfficiencyFactor);
}

bool ParseN2kPGN127513(const tN2kMsg &N2kMsg, unsigned char &BatInstance, tN2kBatType &BatType,
                       tN2kBatEqSupport &SupportsEqual, tN2kBatNomVolt &BatNominalVoltage,
                       tN2kBatChem &BatChemistry, double &BatCapacity,
                       int8_t &BatTemperatureCoefficient, double &PeukertExponent,
                       int8_t &ChargeEfficiencyFactor) {
  return Decode(kN2kDescBatteryConfigStatus, N2kMsg, BatInstance, BatType, SupportsEqual,
                BatNominalVoltage, BatChemistry, BatCapacity, BatTemperatureCoefficient,
                PeukertExponent, ChargeEfficiencyFactor);
}

// ---- 127750 Converter Status ----

void SetN2kPGN127750(tN2kMsg &N2kMsg, unsigned char SID, unsigned char ConnectionNumber,
                     tN2kConvMode OperatingState, tN2kTemperatureState TemperatureState,
                     tN2kOverloadState OverloadState, tN2kDCVolgateState LowDCVoltageState,
                     tN2kRippleState RippleState) {
  Encode(kN2kDescConverterStatus, N2kMsg, SID, ConnectionNumber, OperatingState, TemperatureState,
         OverloadState, LowDCVoltageState, RippleState);
}

bool ParseN2kPGN127750(const tN2kMsg &N2kMsg, unsigned char &SID, unsigned char &ConnectionNumber,
                       tN2kConvMode &OperatingState, tN2kTemperatureState &TemperatureState,
                       tN2kOverloadState &OverloadState, tN2kDCVolgateState &LowDCVoltageState,
                       tN2kRippleState &RippleState) {
  return Decode(kN2kDescConverterStatus, N2kMsg, SID, ConnectionNumber, OperatingState,
                TemperatureState, OverloadState, LowDCVoltageState, RippleState);
}
