// RV-C messages (DGNs) and the DM_RV diagnostic message.
//
// RV-C decoders return raw fields: the caller scales them. A 2-bit status field
// read into a bool is true exactly when it holds 01b. Every decoder checks the PGN
// and that the message holds 8 bytes, and returns false otherwise. Encoders take raw
// fields, set PGN and default priority, write all 8 bytes (unused bits as 1s).
// The charger decoders' leading type output has no field on the bus and is always 0.
// Each message's layout is its description in N2kDescriptions.h.
#ifndef BUSLIB_RVCMESSAGES_H
#define BUSLIB_RVCMESSAGES_H

#include <cstdint>

#include "N2kMsg.h"
#include "N2kTypes.h"

// ---- Date and time: DATE_TIME_STATUS 1FFFF, SET_DATE_TIME_COMMAND 1FFFE, 1FFA0 ----
// Year: years since 2000; Month 1..12; Date: day of month; Hour local time.
// Each decoder accepts only a message of its own DGN.
void SetRVCPGN1FFFF(tN2kMsg &N2kMsg, uint8_t Year, uint8_t Month, uint8_t Date, uint8_t DayOfWeek,
                    uint8_t Hour, uint8_t Minute, uint8_t Second, tRVCTimeZone TimeZone);
bool ParseRVCPGN1FFFF(const tN2kMsg &N2kMsg, uint8_t &Year, uint8_t &Month, uint8_t &Date,
                      uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute, uint8_t &Second,
                      tRVCTimeZone &TimeZone);
void SetRVCPGN1FFFE(tN2kMsg &N2kMsg, uint8_t Year, uint8_t Month, uint8_t Date, uint8_t DayOfWeek,
                    uint8_t Hour, uint8_t Minute, uint8_t Second, tRVCTimeZone TimeZone);
bool ParseRVCPGN1FFFE(const tN2kMsg &N2kMsg, uint8_t &Year, uint8_t &Month, uint8_t &Date,
                      uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute, uint8_t &Second,
                      tRVCTimeZone &TimeZone);
void SetRVCPGN1FFA0(tN2kMsg &N2kMsg, uint8_t Year, uint8_t Month, uint8_t Date, uint8_t DayOfWeek,
                    uint8_t Hour, uint8_t Minute, uint8_t Second, tRVCTimeZone TimeZone);
bool ParseRVCPGN1FFA0(const tN2kMsg &N2kMsg, uint8_t &Year, uint8_t &Month, uint8_t &Date,
                      uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute, uint8_t &Second,
                      tRVCTimeZone &TimeZone);

// ---- Charger status ----
// CHARGER_STATUS 1FFC7: CVdc 0.05 V, CAdc 0.05 A - 1600, PerMax 0.5 %.
void SetRVCPGN1FFC7(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t CVdc, uint16_t CAdc, uint8_t PerMax,
                    tRVCBatChrgMode State, bool EnableAtPO, bool AutoRechg,
                    tRVCChrgForceChrg ForcedChrg);
bool ParseRVCPGN1FFC7(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &CVdc,
                      uint16_t &CAdc, uint8_t &PerMax, tRVCBatChrgMode &State, bool &EnableAtPO,
                      bool &AutoRechg, tRVCChrgForceChrg &ForcedChrg);

// CHARGER_STATUS_2 1FEA3: Vdc 0.05 V, Adc 0.05 A - 1600, Temp 1 C - 40 (raw).
void SetRVCPGN1FEA3(tN2kMsg &N2kMsg, uint8_t ChrgInst, uint8_t DCInst, uint8_t DevPri, uint16_t Vdc,
                    uint16_t Adc, uint8_t Temp);
bool ParseRVCPGN1FEA3(const tN2kMsg &N2kMsg, tRVCChrgType &ChrgType, uint8_t &ChrgInst,
                      uint8_t &DCInst, uint8_t &DevPri, uint16_t &Vdc, uint16_t &Adc,
                      uint8_t &Temp);

// ---- Charger configuration and equalization ----
// CHARGER_CONFIGURATION_STATUS 1FFC6. The encoder takes the maximum charging
// current as the raw 16-bit bus value (0.05 A, -1600 A); the decoder reports it as
// MaxAmps in whole amperes clamped to 0..254, 255 when not available, and reports
// Linked = (charger mode == 3).
void SetRVCPGN1FFC6(tN2kMsg &N2kMsg, uint8_t Instance, tRVCChrgAlg ChrgAlg, tRVCChrgMode ChrgMode,
                    bool BatSense, tRVCChrgLine Line, tRVCBatType BatType, uint16_t BatSize,
                    uint16_t MaxChargeCurrentRaw);
bool ParseRVCPGN1FFC6(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance,
                      tRVCChrgAlg &ChrgAlg, tRVCChrgMode &ChrgMode, bool &BatSense,
                      tRVCChrgLine &Line, bool &Linked, tRVCBatType &BatType, uint16_t &BatSize,
                      uint8_t &MaxAmps);

// CHARGER_CONFIGURATION_STATUS_2 1FF96.
void SetRVCPGN1FF96(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t PerMaxAmps, uint8_t PerMaxShore,
                    uint8_t ShorBr, uint8_t DefBatTemp, uint16_t RchgVolt);
bool ParseRVCPGN1FF96(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance,
                      uint8_t &PerMaxAmps, uint8_t &PerMaxShore, uint8_t &ShorBr,
                      uint8_t &DefBatTemp, uint16_t &RchgVolt);

// CHARGER_CONFIGURATION_STATUS_3 1FECC.
void SetRVCPGN1FECC(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t BulkV, uint16_t AbsorbV,
                    uint16_t FloatV, uint8_t TempComp);
bool ParseRVCPGN1FECC(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &BulkV,
                      uint16_t &AbsorbV, uint16_t &FloatV, uint8_t &TempComp);

// CHARGER_CONFIGURATION_STATUS_4 1FEBF.
void SetRVCPGN1FEBF(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t BulkT, uint16_t AbsorbT,
                    uint16_t FloatT);
bool ParseRVCPGN1FEBF(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &BulkT,
                      uint16_t &AbsorbT, uint16_t &FloatT);

// CHARGER_EQUALIZATION_STATUS 1FF99.
void SetRVCPGN1FF99(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t Time, bool PreChrg);
bool ParseRVCPGN1FF99(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &Time,
                      bool &PreChrg);

// CHARGER_EQUALIZATION_CONFIGURATION_STATUS 1FF98.
void SetRVCPGN1FF98(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t Volts, uint16_t Time);
bool ParseRVCPGN1FF98(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &Volts,
                      uint16_t &Time);

// ---- DC source status (all raw) ----
// 1: Vdc 0.05 V; Adc 0.001 A - 2000000 A.
void SetRVCPGN1FFFD(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint16_t Vdc, uint32_t Adc);
bool ParseRVCPGN1FFFD(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint16_t &Vdc,
                      uint32_t &Adc);
// 2: Temp 0.03125 C - 273; SOC 0.5 %; TR minutes. (Byte 7, the time remaining
// interpretation, is sent as "to empty" with unused bits 1s.)
void SetRVCPGN1FFFC(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint16_t Temp, uint8_t SOC,
                    uint16_t TR);
bool ParseRVCPGN1FFFC(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint16_t &Temp,
                      uint8_t &SOC, uint16_t &TR);
// 3: SOH 0.5 %; CapRem Ah; CapRemPer (relative capacity) 0.5 %; Ripple mV.
void SetRVCPGN1FFFB(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint8_t SOH, uint16_t CapRem,
                    uint8_t CapRemPer, uint16_t Ripple);
bool ParseRVCPGN1FFFB(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint8_t &SOH,
                      uint16_t &CapRem, uint8_t &CapRemPer, uint16_t &Ripple);
// 4: DesVolt 0.05 V; DesAmp 0.05 A - 1600.
void SetRVCPGN1FEC9(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, tRVCBatChrgMode DesCM,
                    uint16_t DesVolt, uint16_t DesAmp, tRVCBatType BatType);
bool ParseRVCPGN1FEC9(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri,
                      tRVCBatChrgMode &DesCM, uint16_t &DesVolt, uint16_t &DesAmp,
                      tRVCBatType &BatType);
// 5: Vdc 0.001 V; dVdT bytes 6-7 raw (deprecated, normally 0xFFFF).
void SetRVCPGN1FEC8(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint32_t Vdc,
                    uint16_t dVdT = 0xffff);
bool ParseRVCPGN1FEC8(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint32_t &Vdc,
                      uint16_t &dVdT);
// 6: limit and disconnect flags, byte 2 bits 0-1, 2-3, 4-5, 6-7.
void SetRVCPGN1FEC7(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, bool HVls, bool HVld,
                    bool LVls, bool LVld);
bool ParseRVCPGN1FEC7(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, bool &HVls,
                      bool &HVld, bool &LVls, bool &LVld);
// 11: flags byte 2; BatAHCap Ah; DCPower W.
void SetRVCPGN1FEA5(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, bool PwrOnOff,
                    bool ChrgOnOff, bool ChrgDet, bool ResvStat, uint16_t BatAHCap,
                    uint16_t DCPower);
bool ParseRVCPGN1FEA5(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, bool &PwrOnOff,
                      bool &ChrgOnOff, bool &ChrgDet, bool &ResvStat, uint16_t &BatAHCap,
                      uint16_t &DCPower);

// ---- TERMINAL 17E00 (PDU1, priority 7, destination = the identifier's PS byte) ----
// Count = bytes before the first 0xFF (at most 8 and at most the data length).
// Address = the message's destination. Chars receives exactly Count bytes (no NUL).
bool ParseRVCPGN17E00(const tN2kMsg &N2kMsg, unsigned char &Address, int &Count, char (&Chars)[8]);
// Count is clamped to 0..8 (Chars may be null when Count is 0); the rest is 0xFF.
void SetRVCPGN17E00(tN2kMsg &N2kMsg, unsigned char Destination, int Count, const char *Chars);

// ---- DM_RV 1FECA ----
// SPN = (b2 << 11) | (b3 << 3) | (b4 >> 5) (19 bits, 0x7FFFF = none); FMI byte 4 bits 0-4;
// Count byte 5 bits 0-6; Bank byte 7 bits 0-3.
void SetISOPGN1FECA(tN2kMsg &N2kMsg, bool On, bool Active, bool Red, bool Yellow, uint8_t DSA,
                    uint32_t SPN, tISOFMIType FMI, uint8_t Count, uint8_t DSA_ext, uint8_t Bank);
bool ParseISOPGN1FECA(const tN2kMsg &N2kMsg, bool &On, bool &Active, bool &Red, bool &Yellow,
                      uint8_t &DSA, uint32_t &SPN, tISOFMIType &FMI, uint8_t &Count,
                      uint8_t &DSA_ext, uint8_t &Bank);

#endif
