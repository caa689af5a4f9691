// RV-C data groups and DM_RV (protocol.md sections E and G).
#include "RVCMessages.h"

#include "N2kPgns.h"

namespace {

constexpr int kRvcLen = 8;  // every RV-C frame carries 8 bytes
constexpr uint8_t kFill = 0xff;
constexpr unsigned char kPrioInfo = 6;
constexpr unsigned char kPrioSetDateTime = 5;
constexpr unsigned char kPrioTerminal = 7;

constexpr uint8_t kChrgModeLinkedToDC = 3;
constexpr uint16_t kCurrent16NA = 0xffff;
constexpr int kCurrent16ZeroRaw = 32000;  // 0.05 A steps, -1600 A offset
constexpr int kCurrent16StepsPerAmp = 20;
constexpr uint8_t kMaxAmpsLimit = 254;
constexpr uint8_t kMaxAmpsNA = 255;

constexpr uint32_t kSpnMask = 0x7ffff;  // 19-bit single-instance SPN

bool Is(const tN2kMsg &msg, unsigned long dgn) {
  return msg.PGN == dgn && msg.DataLen == kRvcLen;
}

// A bit pair means "yes" only when it is 01b; 00b is no, 10b error, 11b unknown.
bool Flag(uint8_t byte, int shift) {
  return ((byte >> shift) & 0x03) == 0x01;
}
uint8_t Pair(bool on, int shift) {
  return static_cast<uint8_t>((on ? 1 : 0) << shift);
}

void Fill(tN2kMsg &msg) {
  while (msg.DataLen < kRvcLen) msg.AddByte(kFill);
}

// ---- Date and time: the same 8 bytes under three DGNs ----

void SetDateTime(tN2kMsg &msg, unsigned long dgn, unsigned char priority, uint8_t Year,
                 uint8_t Month, uint8_t Date, uint8_t DayOfWeek, uint8_t Hour, uint8_t Minute,
                 uint8_t Second, tRVCTimeZone TimeZone) {
  msg.SetPGN(dgn, priority);
  msg.AddByte(Year);
  msg.AddByte(Month);
  msg.AddByte(Date);
  msg.AddByte(DayOfWeek);
  msg.AddByte(Hour);
  msg.AddByte(Minute);
  msg.AddByte(Second);
  msg.AddByte(static_cast<uint8_t>(TimeZone));
}

bool ParseDateTime(const tN2kMsg &msg, unsigned long dgn, uint8_t &Year, uint8_t &Month,
                   uint8_t &Date, uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute,
                   uint8_t &Second, tRVCTimeZone &TimeZone) {
  if (!Is(msg, dgn)) return false;
  const unsigned char *d = msg.Data;
  Year = d[0];
  Month = d[1];
  Date = d[2];
  DayOfWeek = d[3];
  Hour = d[4];
  Minute = d[5];
  Second = d[6];
  TimeZone = static_cast<tRVCTimeZone>(d[7]);
  return true;
}

uint16_t U16(const unsigned char *d, int at) {
  return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}
uint32_t U32(const unsigned char *d, int at) {
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}

}  // namespace

void SetRVCPGN1FFFF(tN2kMsg &N2kMsg, uint8_t Year, uint8_t Month, uint8_t Date, uint8_t DayOfWeek,
                    uint8_t Hour, uint8_t Minute, uint8_t Second, tRVCTimeZone TimeZone) {
  SetDateTime(N2kMsg, kDgnDateTimeStatus, kPrioInfo, Year, Month, Date, DayOfWeek, Hour, Minute,
              Second, TimeZone);
}

bool ParseRVCPGN1FFFF(const tN2kMsg &N2kMsg, uint8_t &Year, uint8_t &Month, uint8_t &Date,
                      uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute, uint8_t &Second,
                      tRVCTimeZone &TimeZone) {
  return ParseDateTime(N2kMsg, kDgnDateTimeStatus, Year, Month, Date, DayOfWeek, Hour, Minute,
                       Second, TimeZone);
}

void SetRVCPGN1FFFE(tN2kMsg &N2kMsg, uint8_t Year, uint8_t Month, uint8_t Date, uint8_t DayOfWeek,
                    uint8_t Hour, uint8_t Minute, uint8_t Second, tRVCTimeZone TimeZone) {
  SetDateTime(N2kMsg, kDgnSetDateTimeCommand, kPrioSetDateTime, Year, Month, Date, DayOfWeek, Hour,
              Minute, Second, TimeZone);
}

bool ParseRVCPGN1FFFE(const tN2kMsg &N2kMsg, uint8_t &Year, uint8_t &Month, uint8_t &Date,
                      uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute, uint8_t &Second,
                      tRVCTimeZone &TimeZone) {
  return ParseDateTime(N2kMsg, kDgnSetDateTimeCommand, Year, Month, Date, DayOfWeek, Hour, Minute,
                       Second, TimeZone);
}

// 1FFA0 is COMPASS_BEARING_STATUS in current RV-C; the daemon still reads it as a
// date and time, and its clock checks keep a compass reading from setting the clock.
void SetRVCPGN1FFA0(tN2kMsg &N2kMsg, uint8_t Year, uint8_t Month, uint8_t Date, uint8_t DayOfWeek,
                    uint8_t Hour, uint8_t Minute, uint8_t Second, tRVCTimeZone TimeZone) {
  SetDateTime(N2kMsg, kDgnDateTime1FFA0, kPrioInfo, Year, Month, Date, DayOfWeek, Hour, Minute,
              Second, TimeZone);
}

bool ParseRVCPGN1FFA0(const tN2kMsg &N2kMsg, uint8_t &Year, uint8_t &Month, uint8_t &Date,
                      uint8_t &DayOfWeek, uint8_t &Hour, uint8_t &Minute, uint8_t &Second,
                      tRVCTimeZone &TimeZone) {
  return ParseDateTime(N2kMsg, kDgnDateTime1FFA0, Year, Month, Date, DayOfWeek, Hour, Minute,
                       Second, TimeZone);
}

// ---- Charger status ----

void SetRVCPGN1FFC7(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t CVdc, uint16_t CAdc, uint8_t PerMax,
                    tRVCBatChrgMode State, bool EnableAtPO, bool AutoRechg,
                    tRVCChrgForceChrg ForcedChrg) {
  N2kMsg.SetPGN(kDgnChargerStatus, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.Add2ByteUInt(CVdc);
  N2kMsg.Add2ByteUInt(CAdc);
  N2kMsg.AddByte(PerMax);
  N2kMsg.AddByte(static_cast<uint8_t>(State));
  N2kMsg.AddByte(Pair(EnableAtPO, 0) | Pair(AutoRechg, 2) | (ForcedChrg & 0x0f) << 4);
}

bool ParseRVCPGN1FFC7(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &CVdc,
                      uint16_t &CAdc, uint8_t &PerMax, tRVCBatChrgMode &State, bool &EnableAtPO,
                      bool &AutoRechg, tRVCChrgForceChrg &ForcedChrg) {
  if (!Is(N2kMsg, kDgnChargerStatus)) return false;
  const unsigned char *d = N2kMsg.Data;
  Type = RVCCT_Charger;
  Instance = d[0];
  CVdc = U16(d, 1);
  CAdc = U16(d, 3);
  PerMax = d[5];
  State = static_cast<tRVCBatChrgMode>(d[6]);
  EnableAtPO = Flag(d[7], 0);
  AutoRechg = Flag(d[7], 2);
  ForcedChrg = static_cast<tRVCChrgForceChrg>(d[7] >> 4);
  return true;
}

void SetRVCPGN1FEA3(tN2kMsg &N2kMsg, uint8_t ChrgInst, uint8_t DCInst, uint8_t DevPri, uint16_t Vdc,
                    uint16_t Adc, uint8_t Temp) {
  N2kMsg.SetPGN(kDgnChargerStatus2, kPrioInfo);
  N2kMsg.AddByte(ChrgInst);
  N2kMsg.AddByte(DCInst);
  N2kMsg.AddByte(DevPri);
  N2kMsg.Add2ByteUInt(Vdc);
  N2kMsg.Add2ByteUInt(Adc);
  N2kMsg.AddByte(Temp);
}

bool ParseRVCPGN1FEA3(const tN2kMsg &N2kMsg, tRVCChrgType &ChrgType, uint8_t &ChrgInst,
                      uint8_t &DCInst, uint8_t &DevPri, uint16_t &Vdc, uint16_t &Adc,
                      uint8_t &Temp) {
  if (!Is(N2kMsg, kDgnChargerStatus2)) return false;
  const unsigned char *d = N2kMsg.Data;
  ChrgType = RVCCT_Charger;
  ChrgInst = d[0];
  DCInst = d[1];
  DevPri = d[2];
  Vdc = U16(d, 3);
  Adc = U16(d, 5);
  Temp = d[7];
  return true;
}

// ---- Charger configuration and equalization ----

void SetRVCPGN1FFC6(tN2kMsg &N2kMsg, uint8_t Instance, tRVCChrgAlg ChrgAlg, tRVCChrgMode ChrgMode,
                    bool BatSense, tRVCChrgLine Line, tRVCBatType BatType, uint16_t BatSize,
                    uint16_t MaxChargeCurrentRaw) {
  N2kMsg.SetPGN(kDgnChargerConfigStatus, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(static_cast<uint8_t>(ChrgAlg));
  N2kMsg.AddByte(static_cast<uint8_t>(ChrgMode));
  N2kMsg.AddByte(Pair(BatSense, 0) | (Line & 0x03) << 2 | (BatType & 0x0f) << 4);
  N2kMsg.Add2ByteUInt(BatSize);
  N2kMsg.Add2ByteUInt(MaxChargeCurrentRaw);
}

namespace {

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

bool ParseRVCPGN1FFC6(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance,
                      tRVCChrgAlg &ChrgAlg, tRVCChrgMode &ChrgMode, bool &BatSense,
                      tRVCChrgLine &Line, bool &Linked, tRVCBatType &BatType, uint16_t &BatSize,
                      uint8_t &MaxAmps) {
  if (!Is(N2kMsg, kDgnChargerConfigStatus)) return false;
  const unsigned char *d = N2kMsg.Data;
  Type = RVCCT_Charger;
  Instance = d[0];
  ChrgAlg = static_cast<tRVCChrgAlg>(d[1]);
  ChrgMode = static_cast<tRVCChrgMode>(d[2]);
  Linked = d[2] == kChrgModeLinkedToDC;
  BatSense = Flag(d[3], 0);
  Line = static_cast<tRVCChrgLine>((d[3] >> 2) & 0x03);
  BatType = static_cast<tRVCBatType>(d[3] >> 4);
  BatSize = U16(d, 4);
  MaxAmps = MaxAmpsFromRaw(U16(d, 6));
  return true;
}

void SetRVCPGN1FF96(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t PerMaxAmps, uint8_t PerMaxShore,
                    uint8_t ShorBr, uint8_t DefBatTemp, uint16_t RchgVolt) {
  N2kMsg.SetPGN(kDgnChargerConfigStatus2, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(PerMaxAmps);
  N2kMsg.AddByte(PerMaxShore);
  N2kMsg.AddByte(ShorBr);
  N2kMsg.AddByte(DefBatTemp);
  N2kMsg.Add2ByteUInt(RchgVolt);
  Fill(N2kMsg);
}

bool ParseRVCPGN1FF96(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance,
                      uint8_t &PerMaxAmps, uint8_t &PerMaxShore, uint8_t &ShorBr,
                      uint8_t &DefBatTemp, uint16_t &RchgVolt) {
  if (!Is(N2kMsg, kDgnChargerConfigStatus2)) return false;
  const unsigned char *d = N2kMsg.Data;
  Type = RVCCT_Charger;
  Instance = d[0];
  PerMaxAmps = d[1];
  PerMaxShore = d[2];
  ShorBr = d[3];
  DefBatTemp = d[4];
  RchgVolt = U16(d, 5);
  return true;
}

void SetRVCPGN1FECC(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t BulkV, uint16_t AbsorbV,
                    uint16_t FloatV, uint8_t TempComp) {
  N2kMsg.SetPGN(kDgnChargerConfigStatus3, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.Add2ByteUInt(BulkV);
  N2kMsg.Add2ByteUInt(AbsorbV);
  N2kMsg.Add2ByteUInt(FloatV);
  N2kMsg.AddByte(TempComp);
}

bool ParseRVCPGN1FECC(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &BulkV,
                      uint16_t &AbsorbV, uint16_t &FloatV, uint8_t &TempComp) {
  if (!Is(N2kMsg, kDgnChargerConfigStatus3)) return false;
  const unsigned char *d = N2kMsg.Data;
  Type = RVCCT_Charger;
  Instance = d[0];
  BulkV = U16(d, 1);
  AbsorbV = U16(d, 3);
  FloatV = U16(d, 5);
  TempComp = d[7];
  return true;
}

void SetRVCPGN1FEBF(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t BulkT, uint16_t AbsorbT,
                    uint16_t FloatT) {
  N2kMsg.SetPGN(kDgnChargerConfigStatus4, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.Add2ByteUInt(BulkT);
  N2kMsg.Add2ByteUInt(AbsorbT);
  N2kMsg.Add2ByteUInt(FloatT);
  Fill(N2kMsg);
}

bool ParseRVCPGN1FEBF(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &BulkT,
                      uint16_t &AbsorbT, uint16_t &FloatT) {
  if (!Is(N2kMsg, kDgnChargerConfigStatus4)) return false;
  const unsigned char *d = N2kMsg.Data;
  Type = RVCCT_Charger;
  Instance = d[0];
  BulkT = U16(d, 1);
  AbsorbT = U16(d, 3);
  FloatT = U16(d, 5);
  return true;
}

void SetRVCPGN1FF99(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t Time, bool PreChrg) {
  N2kMsg.SetPGN(kDgnChargerEqualStatus, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.Add2ByteUInt(Time);
  N2kMsg.AddByte(0xfc | Pair(PreChrg, 0));
  Fill(N2kMsg);
}

bool ParseRVCPGN1FF99(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &Time,
                      bool &PreChrg) {
  if (!Is(N2kMsg, kDgnChargerEqualStatus)) return false;
  const unsigned char *d = N2kMsg.Data;
  Type = RVCCT_Charger;
  Instance = d[0];
  Time = U16(d, 1);
  PreChrg = Flag(d[3], 0);
  return true;
}

void SetRVCPGN1FF98(tN2kMsg &N2kMsg, uint8_t Instance, uint16_t Volts, uint16_t Time) {
  N2kMsg.SetPGN(kDgnChargerEqualConfigStatus, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.Add2ByteUInt(Volts);
  N2kMsg.Add2ByteUInt(Time);
  Fill(N2kMsg);
}

bool ParseRVCPGN1FF98(const tN2kMsg &N2kMsg, tRVCChrgType &Type, uint8_t &Instance, uint16_t &Volts,
                      uint16_t &Time) {
  if (!Is(N2kMsg, kDgnChargerEqualConfigStatus)) return false;
  const unsigned char *d = N2kMsg.Data;
  Type = RVCCT_Charger;
  Instance = d[0];
  Volts = U16(d, 1);
  Time = U16(d, 3);
  return true;
}

// ---- DC source status ----

void SetRVCPGN1FFFD(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint16_t Vdc, uint32_t Adc) {
  N2kMsg.SetPGN(kDgnDCSourceStatus1, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(DevPri);
  N2kMsg.Add2ByteUInt(Vdc);
  N2kMsg.Add4ByteUInt(Adc);
}

bool ParseRVCPGN1FFFD(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint16_t &Vdc,
                      uint32_t &Adc) {
  if (!Is(N2kMsg, kDgnDCSourceStatus1)) return false;
  const unsigned char *d = N2kMsg.Data;
  Instance = d[0];
  DevPri = d[1];
  Vdc = U16(d, 2);
  Adc = U32(d, 4);
  return true;
}

void SetRVCPGN1FFFC(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint16_t Temp, uint8_t SOC,
                    uint16_t TR) {
  N2kMsg.SetPGN(kDgnDCSourceStatus2, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(DevPri);
  N2kMsg.Add2ByteUInt(Temp);
  N2kMsg.AddByte(SOC);
  N2kMsg.Add2ByteUInt(TR);
  N2kMsg.AddByte(0xfc);  // time remaining means "to empty"; undefined bits 1s
}

bool ParseRVCPGN1FFFC(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint16_t &Temp,
                      uint8_t &SOC, uint16_t &TR) {
  if (!Is(N2kMsg, kDgnDCSourceStatus2)) return false;
  const unsigned char *d = N2kMsg.Data;
  Instance = d[0];
  DevPri = d[1];
  Temp = U16(d, 2);
  SOC = d[4];
  TR = U16(d, 5);
  return true;
}

void SetRVCPGN1FFFB(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint8_t SOH, uint16_t CapRem,
                    uint8_t CapRemPer, uint16_t Ripple) {
  N2kMsg.SetPGN(kDgnDCSourceStatus3, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(DevPri);
  N2kMsg.AddByte(SOH);
  N2kMsg.Add2ByteUInt(CapRem);
  N2kMsg.AddByte(CapRemPer);
  N2kMsg.Add2ByteUInt(Ripple);
}

bool ParseRVCPGN1FFFB(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint8_t &SOH,
                      uint16_t &CapRem, uint8_t &CapRemPer, uint16_t &Ripple) {
  if (!Is(N2kMsg, kDgnDCSourceStatus3)) return false;
  const unsigned char *d = N2kMsg.Data;
  Instance = d[0];
  DevPri = d[1];
  SOH = d[2];
  CapRem = U16(d, 3);
  CapRemPer = d[5];
  Ripple = U16(d, 6);
  return true;
}

void SetRVCPGN1FEC9(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, tRVCBatChrgMode DesCM,
                    uint16_t DesVolt, uint16_t DesAmp, tRVCBatType BatType) {
  N2kMsg.SetPGN(kDgnDCSourceStatus4, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(DevPri);
  N2kMsg.AddByte(static_cast<uint8_t>(DesCM));
  N2kMsg.Add2ByteUInt(DesVolt);
  N2kMsg.Add2ByteUInt(DesAmp);
  N2kMsg.AddByte(0xf0 | (BatType & 0x0f));
}

bool ParseRVCPGN1FEC9(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri,
                      tRVCBatChrgMode &DesCM, uint16_t &DesVolt, uint16_t &DesAmp,
                      tRVCBatType &BatType) {
  if (!Is(N2kMsg, kDgnDCSourceStatus4)) return false;
  const unsigned char *d = N2kMsg.Data;
  Instance = d[0];
  DevPri = d[1];
  DesCM = static_cast<tRVCBatChrgMode>(d[2]);
  DesVolt = U16(d, 3);
  DesAmp = U16(d, 5);
  BatType = static_cast<tRVCBatType>(d[7] & 0x0f);
  return true;
}

void SetRVCPGN1FEC8(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, uint32_t Vdc,
                    uint16_t dVdT) {
  N2kMsg.SetPGN(kDgnDCSourceStatus5, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(DevPri);
  N2kMsg.Add4ByteUInt(Vdc);
  N2kMsg.Add2ByteUInt(dVdT);
}

bool ParseRVCPGN1FEC8(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, uint32_t &Vdc,
                      uint16_t &dVdT) {
  if (!Is(N2kMsg, kDgnDCSourceStatus5)) return false;
  const unsigned char *d = N2kMsg.Data;
  Instance = d[0];
  DevPri = d[1];
  Vdc = U32(d, 2);
  dVdT = U16(d, 6);
  return true;
}

void SetRVCPGN1FEC7(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, bool HVls, bool HVld,
                    bool LVls, bool LVld) {
  N2kMsg.SetPGN(kDgnDCSourceStatus6, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(DevPri);
  N2kMsg.AddByte(Pair(HVls, 0) | Pair(HVld, 2) | Pair(LVls, 4) | Pair(LVld, 6));
  Fill(N2kMsg);  // the state-of-charge, temperature and current limits are not reported
}

bool ParseRVCPGN1FEC7(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, bool &HVls,
                      bool &HVld, bool &LVls, bool &LVld) {
  if (!Is(N2kMsg, kDgnDCSourceStatus6)) return false;
  const unsigned char *d = N2kMsg.Data;
  Instance = d[0];
  DevPri = d[1];
  HVls = Flag(d[2], 0);
  HVld = Flag(d[2], 2);
  LVls = Flag(d[2], 4);
  LVld = Flag(d[2], 6);
  return true;
}

void SetRVCPGN1FEA5(tN2kMsg &N2kMsg, uint8_t Instance, uint8_t DevPri, bool PwrOnOff,
                    bool ChrgOnOff, bool ChrgDet, bool ResvStat, uint16_t BatAHCap,
                    uint16_t DCPower) {
  N2kMsg.SetPGN(kDgnDCSourceStatus11, kPrioInfo);
  N2kMsg.AddByte(Instance);
  N2kMsg.AddByte(DevPri);
  N2kMsg.AddByte(Pair(PwrOnOff, 0) | Pair(ChrgOnOff, 2) | Pair(ChrgDet, 4) | Pair(ResvStat, 6));
  N2kMsg.Add2ByteUInt(BatAHCap);
  N2kMsg.Add2ByteUInt(DCPower);
  Fill(N2kMsg);
}

bool ParseRVCPGN1FEA5(const tN2kMsg &N2kMsg, uint8_t &Instance, uint8_t &DevPri, bool &PwrOnOff,
                      bool &ChrgOnOff, bool &ChrgDet, bool &ResvStat, uint16_t &BatAHCap,
                      uint16_t &DCPower) {
  if (!Is(N2kMsg, kDgnDCSourceStatus11)) return false;
  const unsigned char *d = N2kMsg.Data;
  Instance = d[0];
  DevPri = d[1];
  PwrOnOff = Flag(d[2], 0);
  ChrgOnOff = Flag(d[2], 2);
  ChrgDet = Flag(d[2], 4);
  ResvStat = Flag(d[2], 6);
  BatAHCap = U16(d, 3);
  DCPower = U16(d, 5);
  return true;
}

// ---- TERMINAL ----
// No length field: the text ends at the first 0xFF. Short frames are tolerated
// (the count never exceeds the data length).

bool ParseRVCPGN17E00(const tN2kMsg &N2kMsg, unsigned char &Address, int &Count, char (&Chars)[8]) {
  if (N2kMsg.PGN != kDgnTerminal || N2kMsg.DataLen < 1 || N2kMsg.DataLen > kRvcLen) return false;
  Address = N2kMsg.Destination;
  Count = 0;
  while (Count < N2kMsg.DataLen && N2kMsg.Data[Count] != kFill) {
    Chars[Count] = static_cast<char>(N2kMsg.Data[Count]);
    Count++;
  }
  return true;
}

void SetRVCPGN17E00(tN2kMsg &N2kMsg, unsigned char Destination, int Count, const char *Chars) {
  N2kMsg.SetPGN(kDgnTerminal, kPrioTerminal);
  N2kMsg.Destination = Destination;
  if (Count < 0 || Chars == nullptr) Count = 0;
  if (Count > kRvcLen) Count = kRvcLen;
  N2kMsg.AddBuf(Chars, Count);
  Fill(N2kMsg);
}

// ---- DM_RV ----

void SetISOPGN1FECA(tN2kMsg &N2kMsg, bool On, bool Active, bool Red, bool Yellow, uint8_t DSA,
                    uint32_t SPN, tISOFMIType FMI, uint8_t Count, uint8_t DSA_ext, uint8_t Bank) {
  N2kMsg.SetPGN(kDgnDMRV, kPrioInfo);
  SPN &= kSpnMask;
  N2kMsg.AddByte(Pair(On, 0) | Pair(Active, 2) | Pair(Yellow, 4) | Pair(Red, 6));
  N2kMsg.AddByte(DSA);
  N2kMsg.AddByte(static_cast<uint8_t>(SPN >> 11));
  N2kMsg.AddByte(static_cast<uint8_t>(SPN >> 3));
  N2kMsg.AddByte(static_cast<uint8_t>((SPN & 0x07) << 5 | (FMI & 0x1f)));
  N2kMsg.AddByte(0x80 | (Count & 0x7f));
  N2kMsg.AddByte(DSA_ext);
  N2kMsg.AddByte(0xf0 | (Bank & 0x0f));
}

bool ParseISOPGN1FECA(const tN2kMsg &N2kMsg, bool &On, bool &Active, bool &Red, bool &Yellow,
                      uint8_t &DSA, uint32_t &SPN, tISOFMIType &FMI, uint8_t &Count,
                      uint8_t &DSA_ext, uint8_t &Bank) {
  if (!Is(N2kMsg, kDgnDMRV)) return false;
  const unsigned char *d = N2kMsg.Data;
  On = Flag(d[0], 0);
  Active = Flag(d[0], 2);
  Yellow = Flag(d[0], 4);
  Red = Flag(d[0], 6);
  DSA = d[1];
  SPN = static_cast<uint32_t>(d[2]) << 11 | static_cast<uint32_t>(d[3]) << 3 | d[4] >> 5;
  FMI = static_cast<tISOFMIType>(d[4] & 0x1f);
  Count = d[5] & 0x7f;
  DSA_ext = d[6];
  Bank = d[7] & 0x0f;
  return true;
}
