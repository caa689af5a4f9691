// Coded fields of the NMEA 2000, ISO and RV-C messages the library knows.
// Values are those that travel on the bus. Each type holds any byte: a decoder hands
// on whatever code a device sends, named here or not.
#ifndef BUSLIB_N2KTYPES_H
#define BUSLIB_N2KTYPES_H

#include <cstdint>

// ---- NMEA 2000 ----
enum tN2kTimeSource : uint8_t {
  N2ktimes_GPS = 0,
  N2ktimes_GLONASS = 1,
  N2ktimes_RadioStation = 2,
  N2ktimes_LocalCesiumClock = 3,
  N2ktimes_LocalRubidiumClock = 4,
  N2ktimes_LocalCrystalClock = 5,
  N2ktimes_Unavailable = 15
};

enum tN2kDCType : uint8_t {
  N2kDCt_Battery = 0,
  N2kDCt_Alternator = 1,
  N2kDCt_Converter = 2,
  N2kDCt_SolarCell = 3,
  N2kDCt_WindGenerator = 4,
  N2kDCt_Unavailable = 255
};

enum tN2kChargeState : uint8_t {
  N2kCS_NotCharging = 0,
  N2kCS_Bulk = 1,
  N2kCS_Absorption = 2,
  N2kCS_Overcharge = 3,
  N2kCS_Equalise = 4,
  N2kCS_Float = 5,
  N2kCS_NoFloat = 6,
  N2kCS_ConstantVI = 7,
  N2kCS_Disabled = 8,
  N2kCS_Fault = 9,
  N2kCS_Error = 14,
  N2kCS_Unavailable = 15
};

enum tN2kChargerMode : uint8_t {
  N2kCM_Standalone = 0,
  N2kCM_Primary = 1,
  N2kCM_Secondary = 2,
  N2kCM_Echo = 3,
  N2kCM_Unavailable = 15
};

enum tN2kOnOff : uint8_t {
  N2kOnOff_Off = 0,
  N2kOnOff_On = 1,
  N2kOnOff_Error = 2,
  N2kOnOff_Unavailable = 3
};

enum tN2kChargingAlgorithm : uint8_t {
  N2kCA_Trickle = 0,
  N2kCA_CVCC = 1,
  N2kCA_2Stage = 2,
  N2kCA_3Stage = 3,
  N2kCA_Error = 14,
  N2kCA_Unavailable = 15
};

enum tBattTempNoSensor : uint8_t {
  N2kBT_Cold = 0,
  N2kBT_Warm = 1,
  N2kBT_Hot = 2,
  N2kBT_Unavailable = 15
};

enum tN2kBatType : uint8_t {
  N2kBT_Flooded = 0,
  N2kBT_Gel = 1,
  N2kBT_AGM = 2,
  N2kBT_TypeUnavailable = 15
};

enum tN2kBatEqSupport : uint8_t {
  N2kBES_No = 0,
  N2kBES_Yes = 1,
  N2kBES_Error = 2,
  N2kBES_Unavailable = 3
};

enum tN2kBatNomVolt : uint8_t {
  N2kBNV_6V = 0,
  N2kBNV_12V = 1,
  N2kBNV_24V = 2,
  N2kBNV_32V = 3,
  N2kBNV_36V = 4,
  N2kBNV_42V = 5,
  N2kBNV_48V = 6,
  N2kBNV_Unavailable = 15
};

enum tN2kBatChem : uint8_t {
  N2kBC_LeadAcid = 0,
  N2kBC_LiIon = 1,
  N2kBC_NiCad = 2,
  N2kBC_ZnO = 3,
  N2kBC_NiMh = 4,
  N2kBC_Unavailable = 15
};

enum tN2kConvMode : uint8_t {
  N2kConvM_Off = 0,
  N2kConvM_LowPower = 1,
  N2kConvM_Fault = 2,
  N2kConvM_Bulk = 3,
  N2kConvM_Absorption = 4,
  N2kConvM_Float = 5,
  N2kConvM_Storage = 6,
  N2kConvM_Equalise = 7,
  N2kConvM_PassThrough = 8,
  N2kConvM_Inverting = 9,
  N2kConvM_Assisting = 10,
  N2kConvM_Unavailable = 255
};

// Good / warning / error states of 127750, two bits each.
enum tN2kTemperatureState : uint8_t {
  N2kTS_Good = 0,
  N2kTS_Warning = 1,
  N2kTS_Error = 2,
  N2kTS_Unavailable = 3
};
enum tN2kOverloadState : uint8_t {
  N2kOS_Good = 0,
  N2kOS_Warning = 1,
  N2kOS_Error = 2,
  N2kOS_Unavailable = 3
};
enum tN2kDCVolgateState : uint8_t {
  N2kDCVS_Good = 0,
  N2kDCVS_Warning = 1,
  N2kDCVS_Error = 2,
  N2kDCVS_Unavailable = 3
};
enum tN2kRippleState : uint8_t {
  N2kRS_Good = 0,
  N2kRS_Warning = 1,
  N2kRS_Error = 2,
  N2kRS_Unavailable = 3
};

// ---- RV-C ----
// The standard has no charger type field; decoders report 0.
enum tRVCChrgType : uint8_t { RVCCT_Charger = 0 };

// CHARGER_STATUS operating state and DC_SOURCE_STATUS_4 desired charge state share values 0..7.
enum tRVCBatChrgMode : uint8_t {
  RVCBCM_Disabled = 0,  // "undefined" in DC_SOURCE_STATUS_4
  RVCBCM_NotCharging = 1,
  RVCBCM_Bulk = 2,
  RVCBCM_Absorption = 3,
  RVCBCM_Overcharge = 4,
  RVCBCM_Equalize = 5,
  RVCBCM_Float = 6,
  RVCBCM_ConstantVI = 7,
  RVCBCM_Unavailable = 255
};

enum tRVCChrgForceChrg : uint8_t {
  RVCCFC_NotForced = 0,
  RVCCFC_Bulk = 1,
  RVCCFC_Float = 2,
  RVCCFC_Unavailable = 15
};

enum tRVCChrgAlg : uint8_t {
  RVCCA_ConstantVoltage = 0,
  RVCCA_ConstantCurrent = 1,
  RVCCA_3Stage = 2,
  RVCCA_2Stage = 3,
  RVCCA_Trickle = 4,
  RVCCA_Custom2 = 249,
  RVCCA_Custom1 = 250,
  RVCCA_Unavailable = 255
};

enum tRVCChrgMode : uint8_t {
  RVCCM_Standalone = 0,
  RVCCM_Primary = 1,
  RVCCM_Secondary = 2,
  RVCCM_LinkedToDC = 3,
  RVCCM_Unavailable = 255
};

enum tRVCChrgLine : uint8_t { RVCCL_Line1 = 0, RVCCL_Line2 = 1, RVCCL_Unavailable = 3 };

enum tRVCBatType : uint8_t {
  RVCBT_Flooded = 0,
  RVCBT_Gel = 1,
  RVCBT_AGM = 2,
  RVCBT_LiFePO4 = 3,
  RVCBT_Unavailable = 15
};

// Hours behind UTC, modulo 24 (0 GMT, 5 EST, 8 PST, 22 CEST).
enum tRVCTimeZone : uint8_t {
  RVCTZ_GMT = 0,
  RVCTZ_EDT = 4,
  RVCTZ_EST = 5,
  RVCTZ_PDT = 7,
  RVCTZ_PST = 8,
  RVCTZ_CEST = 22,
  RVCTZ_Unavailable = 255
};

// DM_RV failure mode identifier, 0..31.
enum tISOFMIType : uint8_t {
  ISOFMI_AboveNormal = 0,
  ISOFMI_BelowNormal = 1,
  ISOFMI_Erratic = 2,
  ISOFMI_ShortHigh = 3,
  ISOFMI_ShortLow = 4,
  ISOFMI_OpenCircuit = 5,
  ISOFMI_Grounded = 6,
  ISOFMI_MechanicalFail = 7,
  ISOFMI_FrequencyError = 8,
  ISOFMI_NotUpdating = 9,
  ISOFMI_Fluctuating = 10,
  ISOFMI_Unidentifiable = 11,
  ISOFMI_BadNode = 12,
  ISOFMI_CalibrationRequired = 13,
  ISOFMI_NoneOfTheAbove = 14,
  ISOFMI_AboveRangeLeast = 15,
  ISOFMI_AboveRangeModerate = 16,
  ISOFMI_BelowRangeLeast = 17,
  ISOFMI_BelowRangeModerate = 18,
  ISOFMI_InvalidNetworkDatum = 19,
  ISOFMI_DeviceNotResponding = 20,
  ISOFMI_NetworkedNotResponding = 21,
  ISOFMI_ReversePolarity = 22,
  ISOFMI_Unavailable = 31
};

#endif
