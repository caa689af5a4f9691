// NMEA 2000 data messages: encoders (SetN2kPGN...) and decoders (ParseN2kPGN...).
//
// Physical values are doubles in SI units (V, A, K, s, Pa, C for charge) with
// N2kDoubleNA for "not available". Encoders write the field's not-available code for
// N2kDoubleNA, NaN, infinities and values outside the field's range, round to the
// nearest step, set the PGN and its default priority. Decoders check PGN and length
// first and return false on a mismatch; they never read past DataLen. A raw value
// beyond the field's valid range (the error and reserved codes, or past a range the
// protocol states, such as a time of day after 86401 s) decodes as N2kDoubleNA.
// Each message's layout is its description in N2kDescriptions.h.
#ifndef BUSLIB_N2KMESSAGES_H
#define BUSLIB_N2KMESSAGES_H

#include <cstdint>

#include "N2kMsg.h"
#include "N2kTypes.h"

// 126992 System Time (single frame, priority 3).
// SystemDate: days since 1970-01-01 (0xFFFF not available); SystemTime: seconds since
// midnight UTC, 0..86401 (a leap second included).
void SetN2kPGN126992(tN2kMsg &N2kMsg, unsigned char SID, uint16_t SystemDate, double SystemTime,
                     tN2kTimeSource TimeSource = N2ktimes_GPS);
bool ParseN2kPGN126992(const tN2kMsg &N2kMsg, unsigned char &SID, uint16_t &SystemDate,
                       double &SystemTime, tN2kTimeSource &TimeSource);

// 127488 Engine Parameters, Rapid Update (single, priority 2). Speed in rpm,
// boost pressure in Pa, tilt/trim in percent (0x7F not available).
void SetN2kPGN127488(tN2kMsg &N2kMsg, unsigned char EngineInstance, double EngineSpeed,
                     double EngineBoostPressure, int8_t EngineTiltTrim);
bool ParseN2kPGN127488(const tN2kMsg &N2kMsg, unsigned char &EngineInstance, double &EngineSpeed,
                       double &EngineBoostPressure, int8_t &EngineTiltTrim);

// 127501 Binary Switch Bank Status (single, priority 3). Indicator k (1..28) is the
// 2-bit value at bits 2(k-1) of Status.
void SetN2kPGN127501(tN2kMsg &N2kMsg, unsigned char DeviceBankInstance, uint64_t Status);
bool ParseN2kPGN127501(const tN2kMsg &N2kMsg, unsigned char &DeviceBankInstance, uint64_t &Status);

// 127506 DC Detailed Status (fast packet, priority 6, 11 bytes; 9-byte form accepted).
// TimeRemaining in seconds, RippleVoltage in V, Capacity in C (Ah * 3600).
void SetN2kPGN127506(tN2kMsg &N2kMsg, unsigned char SID, unsigned char DCInstance,
                     tN2kDCType DCType, unsigned char StateOfCharge, unsigned char StateOfHealth,
                     double TimeRemaining, double RippleVoltage, double Capacity = N2kDoubleNA);
bool ParseN2kPGN127506(const tN2kMsg &N2kMsg, unsigned char &SID, unsigned char &DCInstance,
                       tN2kDCType &DCType, unsigned char &StateOfCharge,
                       unsigned char &StateOfHealth, double &TimeRemaining, double &RippleVoltage);
bool ParseN2kPGN127506(const tN2kMsg &N2kMsg, unsigned char &SID, unsigned char &DCInstance,
                       tN2kDCType &DCType, unsigned char &StateOfCharge,
                       unsigned char &StateOfHealth, double &TimeRemaining, double &RippleVoltage,
                       double &Capacity);

// 127507 Charger Status (fast packet, priority 6, 6 bytes). EqualizationTimeRemaining in s.
void SetN2kPGN127507(tN2kMsg &N2kMsg, unsigned char Instance, unsigned char BatteryInstance,
                     tN2kChargeState ChargeState, tN2kChargerMode ChargerMode, tN2kOnOff Enabled,
                     tN2kOnOff EqualizationPending, double EqualizationTimeRemaining);
bool ParseN2kPGN127507(const tN2kMsg &N2kMsg, unsigned char &Instance,
                       unsigned char &BatteryInstance, tN2kChargeState &ChargeState,
                       tN2kChargerMode &ChargerMode, tN2kOnOff &Enabled,
                       tN2kOnOff &EqualizationPending, double &EqualizationTimeRemaining);

// 127508 Battery Status (single, priority 6). Voltage V, current A, temperature K.
void SetN2kPGN127508(tN2kMsg &N2kMsg, unsigned char BatteryInstance, double BatteryVoltage,
                     double BatteryCurrent = N2kDoubleNA, double BatteryTemperature = N2kDoubleNA,
                     unsigned char SID = 0xff);
bool ParseN2kPGN127508(const tN2kMsg &N2kMsg, unsigned char &BatteryInstance,
                       double &BatteryVoltage, double &BatteryCurrent, double &BatteryTemperature,
                       unsigned char &SID);

// 127510 Charger Configuration Status (fast packet, priority 6, 8 bytes).
// ChargeCurrentLimit in percent; EqualizationTimeRemaining in s.
void SetN2kPGN127510(tN2kMsg &N2kMsg, unsigned char ChargerInstance, unsigned char BatteryInstance,
                     tN2kOnOff Enable, double ChargeCurrentLimit,
                     tN2kChargingAlgorithm ChargingAlgorithm, tN2kChargerMode ChargerMode,
                     tBattTempNoSensor BatteryTemperature, tN2kOnOff EqualizationEnabled,
                     tN2kOnOff OverChargeEnable, double EqualizationTimeRemaining);
bool ParseN2kPGN127510(const tN2kMsg &N2kMsg, unsigned char &ChargerInstance,
                       unsigned char &BatteryInstance, tN2kOnOff &Enable,
                       double &ChargeCurrentLimit, tN2kChargingAlgorithm &ChargingAlgorithm,
                       tN2kChargerMode &ChargerMode, tBattTempNoSensor &BatteryTemperature,
                       tN2kOnOff &EqualizationEnabled, tN2kOnOff &OverChargeEnable,
                       double &EqualizationTimeRemaining);

// 127513 Battery Configuration Status (fast packet, priority 6, 8 bytes).
// BatCapacity in C (Ah * 3600); PeukertExponent 1.000..1.500.
void SetN2kPGN127513(tN2kMsg &N2kMsg, unsigned char BatInstance, tN2kBatType BatType,
                     tN2kBatEqSupport SupportsEqual, tN2kBatNomVolt BatNominalVoltage,
                     tN2kBatChem BatChemistry, double BatCapacity, int8_t BatTemperatureCoefficient,
                     double PeukertExponent, int8_t ChargeEfficiencyFactor);
bool ParseN2kPGN127513(const tN2kMsg &N2kMsg, unsigned char &BatInstance, tN2kBatType &BatType,
                       tN2kBatEqSupport &SupportsEqual, tN2kBatNomVolt &BatNominalVoltage,
                       tN2kBatChem &BatChemistry, double &BatCapacity,
                       int8_t &BatTemperatureCoefficient, double &PeukertExponent,
                       int8_t &ChargeEfficiencyFactor);

// 127750 Converter Status (single frame, priority 6).
void SetN2kPGN127750(tN2kMsg &N2kMsg, unsigned char SID, unsigned char ConnectionNumber,
                     tN2kConvMode OperatingState, tN2kTemperatureState TemperatureState,
                     tN2kOverloadState OverloadState, tN2kDCVolgateState LowDCVoltageState,
                     tN2kRippleState RippleState);
bool ParseN2kPGN127750(const tN2kMsg &N2kMsg, unsigned char &SID, unsigned char &ConnectionNumber,
                       tN2kConvMode &OperatingState, tN2kTemperatureState &TemperatureState,
                       tN2kOverloadState &OverloadState, tN2kDCVolgateState &LowDCVoltageState,
                       tN2kRippleState &RippleState);

#endif
