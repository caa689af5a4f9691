// RV-C data groups and DM_RV: the public functions over their descriptions
// (RVCDescriptions.cpp). RV-C fields travel raw both ways.
#include "RVCMessages.h"

#include "DescribedCodec.h"
#include "N2kDescriptions.h"

using n2kcodec::Decode;
using n2kcodec::Encode;
using n2kcodec::kSkip;

namespace {

constexpr int kRvcLen = 8;
constexpr uint8_t kFill = 0xff;
constexpr uint8_t kPairNA = 3;  // a bit pair the functions do not report

constexpr uint8_t kChrgModeLinkedToDC = 3;
constexpr uint16_t kCurrent16NA = 0xffff;
constexpr int kCurrent16ZeroRaw = 32000;  // 0.05 A steps, -1600 A offset
constexpr int kCurrent16StepsPerAmp = 20;
constexpr uint8_t kMaxAmpsLimit = 254;
constexpr uint8_t kMaxAmpsNA = 255;

// The charger decoders' leading type has no field on the bus.
bool Charger(bool decoded, tRVCChrgType &type) {
  if (decoded) type = RVCCT_Charger;
  return decoded;
}

// The charger's maximum current in whole amperes as the daemon keeps it: one byte,
// 255 for "not available", so the valid range stops at 254.
uint8_t MaxAmpsFromRaw(uint16_t raw) {
  if (raw == kCurrent16NA) return kMaxAmpsNA;
  int amps = (static_cast<int>(raw) - kCurrent16ZeroRaw) / kCurrent16StepsPerAmp;
  if (amps < 0) return 0;
  if (amps > kMaxAmpsLimit) return kMaxAmpsLimit;
  return static_cast<uint8_t>(amps);
}

}  // namespace

// ---- Date and time ----

void SetRVCPGN1FFFF(tN2kMsg &N2kMsg, uint8_t Year, uint8_t Month, uint8_t Date, uint8_t DayOfWeek,
                    uint8_t Hour, uint8_t Minute, uint8_t Second, tRVCTimeZone TimeZone) {
  Encode(kRvcDescDateTimeStatus, N2kMsg, Year, Month, Date, DayOfWeek, Hour, Minute, Second,
         TimeZone);
}

bool ParseRVCPGN1FFFF(const tN2kMsg &N2kMsg, uint8_t &Year, uint8_t &Month, uint8_t &Date,
                      uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute, uint8_t &Second,
                      tRVCTimeZone &TimeZone) {
  return Decode(kRvcDescDateTimeStatus, N2kMsg, Year, Month, Date, DayOfWeek, Hour, Minute, Second,
                TimeZone);
}

void SetRVCPGN1FFFE(tN2kMsg &N2kMsg, uint8_t Year, uint8_t Month, uint8_t Date, uint8_t DayOfWeek,
                    uint8_t Hour, uint8_t Minute, uint8_t Second, tRVCTimeZone TimeZone) {
  Encode(kRvcDescSetDateTimeCommand, N2kMsg, Year, Month, Date, DayOfWeek, Hour, Minute, Second,
         TimeZone);
}

bool ParseRVCPGN1FFFE(const tN2kMsg &N2kMsg, uint8_t &Year, uint8_t &Month, uint8_t &Date,
                      uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute, uint8_t &Second,
                      tRVCTimeZone &TimeZone) {
  return Decode(kRvcDescSetDateTimeCommand, N2kMsg, Year, Month, Date, DayOfWeek, Hour, Minute,
                Second, TimeZone);
}

void SetRVCPGN1FFA0(tN2kMsg &N2kMsg, uint8_t Year, uint8_t Month, uint8_t Date, uint8_t DayOfWeek,
                    uint8_t Hour, uint8_t Minute, uint8_t Second, tRVCTimeZone TimeZone) {
  Encode(kRvcDescDateTime1FFA0, N2kMsg, Year, Month, Date, DayOfWeek, Hour, Minute, Second,
         TimeZone);
}

bool ParseRVCPGN1FFA0(const tN2kMsg &N2kMsg, uint8_t &Year, uint8_t &Month, uint8_t &Date,
                      uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute, uint8_t &Second,
                      tRVCTimeZone &TimeZone) {
  return Decode(kRvcDescDateTime1FFA0, N2kMsg, Year, Month, Date, DayOfWeek, Hour, Minute, Second,
                TimeZone);
}

// ---- Charger status ----

void SetRVCPGN1FFC7(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t CVdc, uint16_t CAdc, uint8_t PerMax,
                    tRVCBatChrgMode State, bool EnableAtPO, bool AutoRechg,
                    tRVCChrgForceChrg ForcedChrg) {
  Encode(kRvcDescChargerStatus, N2kMsg, Instance, CVdc, CAdc, PerMax, State, EnableAtPO, AutoRechg,
         ForcedChrg);
}

bool ParseRVCPGN1FFC7(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &CVdc,
                      uint16_t &CAdc, uint8_t &PerMax, tRVCBatChrgMode &State, bool &EnableAtPO,
                      bool &AutoRechg, tRVCChrgForceChrg &ForcedChrg) {
  return Charger(Decode(kRvcDescChargerStatus, N2kMsg, Instance, CVdc, CAdc, PerMax, State,
                        EnableAtPO, AutoRechg, ForcedChrg),
                 Type);
}

void SetRVCPGN1FEA3(tN2kMsg &N2kMsg, uint8_t ChrgInst, uint8_t DCInst, uint8_t DevPri, uint16_t Vdc,
                    uint16_t Adc, uint8_t Temp) {
  Encode(kRvcDescChargerStatus2, N2kMsg, ChrgInst, DCInst, DevPri, Vdc, Adc, Temp);
}

bool ParseRVCPGN1FEA3(const tN2kMsg &N2kMsg, tRVCChrgType &ChrgType, uint8_t &ChrgInst,
                      uint8_t &DCInst, uint8_t &DevPri, uint16_t &Vdc, uint16_t &Adc,
                      uint8_t &Temp) {
  return Charger(Decode(kRvcDescChargerStatus2, N2kMsg, ChrgInst, DCInst, DevPri, Vdc, Adc, Temp),
                 ChrgType);
}

// ---- Charger configuration and equalization ----

void SetRVCPGN1FFC6(tN2kMsg &N2kMsg, uint8_t Instance, tRVCChrgAlg ChrgAlg, tRVCChrgMode ChrgMode,
                    bool BatSense, tRVCChrgLine Line, tRVCBatType BatType, uint16_t BatSize,
                    uint16_t MaxChargeCurrentRaw) {
  Encode(kRvcDescChargerConfigStatus, N2kMsg, Instance, ChrgAlg, ChrgMode, BatSense, Line, BatType,
         BatSize, MaxChargeCurrentRaw);
}

bool ParseRVCPGN1FFC6(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance,
                      tRVCChrgAlg &ChrgAlg, tRVCChrgMode &ChrgMode, bool &BatSense,
                      tRVCChrgLine &Line, bool &Linked, tRVCBatType &BatType, uint16_t &BatSize,
                      uint8_t &MaxAmps) {
  uint16_t maxCurrent;
  if (!Decode(kRvcDescChargerConfigStatus, N2kMsg, Instance, ChrgAlg, ChrgMode, BatSense, Line,
              BatType, BatSize, maxCurrent))
    return false;
  Linked = ChrgMode == kChrgModeLinkedToDC;
  MaxAmps = MaxAmpsFromRaw(maxCurrent);
  return Charger(true, Type);
}

void SetRVCPGN1FF96(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t PerMaxAmps, uint8_t PerMaxShore,
                    uint8_t ShorBr, uint8_t DefBatTemp, uint16_t RchgVolt) {
  Encode(kRvcDescChargerConfigStatus2, N2kMsg, Instance, PerMaxAmps, PerMaxShore, ShorBr,
         DefBatTemp, RchgVolt);
}

bool ParseRVCPGN1FF96(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance,
                      uint8_t &PerMaxAmps, uint8_t &PerMaxShore, uint8_t &ShorBr,
                      uint8_t &DefBatTemp, uint16_t &RchgVolt) {
  return Charger(Decode(kRvcDescChargerConfigStatus2, N2kMsg, Instance, PerMaxAmps, PerMaxShore,
                        ShorBr, DefBatTemp, RchgVolt),
                 Type);
}

void SetRVCPGN1FECC(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t BulkV, uint16_t AbsorbV,
                    uint16_t FloatV, uint8_t TempComp) {
  Encode(kRvcDescChargerConfigStatus3, N2kMsg, Instance, BulkV, AbsorbV, FloatV, TempComp);
}

bool ParseRVCPGN1FECC(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &BulkV,
                      uint16_t &AbsorbV, uint16_t &FloatV, uint8_t &TempComp) {
  return Charger(
      Decode(kRvcDescChargerConfigStatus3, N2kMsg, Instance, BulkV, AbsorbV, FloatV, TempComp),
      Type);
}

void SetRVCPGN1FEBF(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t BulkT, uint16_t AbsorbT,
                    uint16_t FloatT) {
  Encode(kRvcDescChargerConfigStatus4, N2kMsg, Instance, BulkT, AbsorbT, FloatT);
}

bool ParseRVCPGN1FEBF(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &BulkT,
                      uint16_t &AbsorbT, uint16_t &FloatT) {
  return Charger(Decode(kRvcDescChargerConfigStatus4, N2kMsg, Instance, BulkT, AbsorbT, FloatT),
                 Type);
}

void SetRVCPGN1FF99(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t Time, bool PreChrg) {
  Encode(kRvcDescChargerEqualStatus, N2kMsg, Instance, Time, PreChrg);
}

bool ParseRVCPGN1FF99(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &Time,
                      bool &PreChrg) {
  return Charger(Decode(kRvcDescChargerEqualStatus, N2kMsg, Instance, Time, PreChrg), Type);
}

void SetRVCPGN1FF98(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t Volts, uint16_t Time) {
  Encode(kRvcDescChargerEqualConfigStatus, N2kMsg, Instance, Volts, Time);
}

bool ParseRVCPGN1FF98(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &Volts,
                      uint16_t &Time) {
  return Charger(Decode(kRvcDescChargerEqualConfigStatus, N2kMsg, Instance, Volts, Time), Type);
}

// ---- DC source status ----

void SetRVCPGN1FFFD(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint16_t Vdc, uint32_t Adc) {
  Encode(kRvcDescDCSourceStatus1, N2kMsg, Instance, DevPri, Vdc, Adc);
}

bool ParseRVCPGN1FFFD(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint16_t &Vdc,
                      uint32_t &Adc) {
  return Decode(kRvcDescDCSourceStatus1, N2kMsg, Instance, DevPri, Vdc, Adc);
}

void SetRVCPGN1FFFC(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint16_t Temp, uint8_t SOC,
                    uint16_t TR) {
  const uint8_t toEmpty = 0;
  Encode(kRvcDescDCSourceStatus2, N2kMsg, Instance, DevPri, Temp, SOC, TR, toEmpty);
}

bool ParseRVCPGN1FFFC(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint16_t &Temp,
                      uint8_t &SOC, uint16_t &TR) {
  return Decode(kRvcDescDCSourceStatus2, N2kMsg, Instance, DevPri, Temp, SOC, TR, kSkip);
}

void SetRVCPGN1FFFB(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint8_t SOH, uint16_t CapRem,
                    uint8_t CapRemPer, uint16_t Ripple) {
  Encode(kRvcDescDCSourceStatus3, N2kMsg, Instance, DevPri, SOH, CapRem, CapRemPer, Ripple);
}

bool ParseRVCPGN1FFFB(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint8_t &SOH,
                      uint16_t &CapRem, uint8_t &CapRemPer, uint16_t &Ripple) {
  return Decode(kRvcDescDCSourceStatus3, N2kMsg, Instance, DevPri, SOH, CapRem, CapRemPer, Ripple);
}

void SetRVCPGN1FEC9(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, tRVCBatChrgMode DesCM,
                    uint16_t DesVolt, uint16_t DesAmp, tRVCBatType BatType) {
  Encode(kRvcDescDCSourceStatus4, N2kMsg, Instance, DevPri, DesCM, DesVolt, DesAmp, BatType);
}

bool ParseRVCPGN1FEC9(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri,
                      tRVCBatChrgMode &DesCM, uint16_t &DesVolt, uint16_t &DesAmp,
                      tRVCBatType &BatType) {
  return Decode(kRvcDescDCSourceStatus4, N2kMsg, Instance, DevPri, DesCM, DesVolt, DesAmp, BatType);
}

void SetRVCPGN1FEC8(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint32_t Vdc,
                    uint16_t dVdT) {
  Encode(kRvcDescDCSourceStatus5, N2kMsg, Instance, DevPri, Vdc, dVdT);
}

bool ParseRVCPGN1FEC8(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint32_t &Vdc,
                      uint16_t &dVdT) {
  return Decode(kRvcDescDCSourceStatus5, N2kMsg, Instance, DevPri, Vdc, dVdT);
}

// The state-of-charge, temperature and current limits are not reported.
void SetRVCPGN1FEC7(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, bool HVls, bool HVld,
                    bool LVls, bool LVld) {
  const uint8_t na = kPairNA;
  Encode(kRvcDescDCSourceStatus6, N2kMsg, Instance, DevPri, HVls, HVld, LVls, LVld, na, na, na, na,
         na, na);
}

bool ParseRVCPGN1FEC7(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, bool &HVls,
                      bool &HVld, bool &LVls, bool &LVld) {
  return Decode(kRvcDescDCSourceStatus6, N2kMsg, Instance, DevPri, HVls, HVld, LVls, LVld, kSkip,
                kSkip, kSkip, kSkip, kSkip, kSkip);
}

void SetRVCPGN1FEA5(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, bool PwrOnOff,
                    bool ChrgOnOff, bool ChrgDet, bool ResvStat, uint16_t BatAHCap,
                    uint16_t DCPower) {
  Encode(kRvcDescDCSourceStatus11, N2kMsg, Instance, DevPri, PwrOnOff, ChrgOnOff, ChrgDet, ResvStat,
         BatAHCap, DCPower);
}

bool ParseRVCPGN1FEA5(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, bool &PwrOnOff,
                      bool &ChrgOnOff, bool &ChrgDet, bool &ResvStat, uint16_t &BatAHCap,
                      uint16_t &DCPower) {
  return Decode(kRvcDescDCSourceStatus11, N2kMsg, Instance, DevPri, PwrOnOff, ChrgOnOff, ChrgDet,
                ResvStat, BatAHCap, DCPower);
}

// ---- TERMINAL ----
// No length field: the text ends at the first 0xFF. Short frames are tolerated (the
// count never exceeds the data length).

bool ParseRVCPGN17E00(const tN2kMsg &N2kMsg, unsigned char &Address, int &Count, char (&Chars)[8]) {
  tN2kFieldValue text[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescTerminal, N2kMsg, text)) return false;
  Address = N2kMsg.Destination;
  Count = static_cast<int>(text[0].Raw);
  for (int i = 0; i < Count; i++) Chars[i] = static_cast<char>(N2kMsg.Data[i]);
  return true;
}

void SetRVCPGN17E00(tN2kMsg &N2kMsg, unsigned char Destination, int Count, const char *Chars) {
  const uint64_t text = kFill;
  N2kEncodeRaw(kRvcDescTerminal, &text, 1, N2kMsg);
  N2kMsg.Destination = Destination;
  if (Count < 0 || Chars == nullptr) Count = 0;
  if (Count > kRvcLen) Count = kRvcLen;
  for (int i = 0; i < Count; i++) N2kMsg.Data[i] = static_cast<uint8_t>(Chars[i]);
}

// ---- DM_RV ----

void SetISOPGN1FECA(tN2kMsg &N2kMsg, bool On, bool Active, bool Red, bool Yellow, uint8_t DSA,
                    uint32_t SPN, tISOFMIType FMI, uint8_t Count, uint8_t DSA_ext, uint8_t Bank) {
  Encode(kRvcDescDMRV, N2kMsg, On, Active, Yellow, Red, DSA, SPN, FMI, Count, DSA_ext, Bank);
}

bool ParseISOPGN1FECA(const tN2kMsg &N2kMsg, bool &On, bool &Active, bool &Red, bool &Yellow,
                      uint8_t &DSA, uint32_t &SPN, tISOFMIType &FMI, uint8_t &Count,
                      uint8_t &DSA_ext, uint8_t &Bank) {
  return Decode(kRvcDescDMRV, N2kMsg, On, Active, Yellow, Red, DSA, SPN, FMI, Count, DSA_ext, Bank);
}
