// RV-C data groups and DM_RV, written from the protocol reference (section E and, for
// the names and the fields the library reports, section G): one row a field, undefined
// bits left out (they go out as 1s). Codes by the RV-C rule: all ones not available, all
// ones less one out of range (error), values up to all ones less three; a bit pair is
// 00b off, 01b on, 10b error, 11b not available.
#include "N2kDescriptions.h"

#include "FieldTypes.h"
#include "N2kPgns.h"

namespace {

using namespace n2kfields;

constexpr uint64_t kNo = kN2kNoCode;
constexpr uint8_t kRvcLen = 8;  // every RV-C frame carries 8 bytes

// clang-format off
// A row: name, unit, first bit[, resolution[, offset]]; fields of no standard type also
// width, flags, resolution, offset, not-available code, error code, largest valid raw.

// The same 8 bytes under three DGNs. Hour is local time; TimeZone is hours behind UTC.
constexpr tN2kField kDateTime[] = {
  U8("Year", "", 0, 1, 2000),
  U8("Month", "", 8),
  U8("Date", "", 16),
  U8("DayOfWeek", "", 24),
  U8("Hour", "h", 32),
  U8("Minute", "min", 40),
  U8("Second", "s", 48),
  U8("TimeZone", "h", 56),
};

constexpr tN2kField kChargerStatus[] = {
  U8("Instance", "", 0),
  U16("CVdc", "V", 8, 0.05),
  U16("CAdc", "A", 24, 0.05, -1600),
  U8("PerMax", "%", 40, 0.5),
  U8("State", "", 48),
  Pair("EnableAtPO", "", 56),
  Pair("AutoRechg", "", 58),
  Nibble("ForcedChrg", "", 60),
};

constexpr tN2kField kChargerStatus2[] = {
  U8("ChrgInst", "", 0),
  U8("DCInst", "", 8),
  U8("DevPri", "", 16),
  U16("Vdc", "V", 24, 0.05),
  U16("Adc", "A", 40, 0.05, -1600),
  U8("Temp", "C", 56, 1, -40),
};

constexpr tN2kField kChargerConfigStatus[] = {
  U8("Instance", "", 0),
  U8("ChrgAlg", "", 8),
  U8("ChrgMode", "", 16),
  Pair("BatSense", "", 24),
  Pair("Line", "", 26),
  Nibble("BatType", "", 28),
  U16("BatSize", "Ah", 32),
  U16("MaxChargeCurrent", "A", 48, 0.05, -1600),
};

constexpr tN2kField kChargerConfigStatus2[] = {
  U8("Instance", "", 0),
  U8("PerMaxAmps", "%", 8, 0.5),
  U8("PerMaxShore", "%", 16, 0.5),
  U8("ShorBr", "A", 24),
  U8("DefBatTemp", "C", 32, 1, -40),
  U16("RchgVolt", "V", 40, 0.05),
};

constexpr tN2kField kChargerConfigStatus3[] = {
  U8("Instance", "", 0),
  U16("BulkV", "V", 8, 0.05),
  U16("AbsorbV", "V", 24, 0.05),
  U16("FloatV", "V", 40, 0.05),
  U8("TempComp", "mV/K", 56),
};

constexpr tN2kField kChargerConfigStatus4[] = {
  U8("Instance", "", 0),
  U16("BulkT", "min", 8),
  U16("AbsorbT", "min", 24),
  U16("FloatT", "min", 40),
};

constexpr tN2kField kChargerEqualStatus[] = {
  U8("Instance", "", 0),
  U16("Time", "min", 8),
  Pair("PreChrg", "", 24),
};

constexpr tN2kField kChargerEqualConfigStatus[] = {
  U8("Instance", "", 0),
  U16("Volts", "V", 8, 0.05),
  U16("Time", "min", 24),
};

// Every DC source status starts with the DC instance and the reporter's priority.
#define RVC_DC_SOURCE_HEAD U8("Instance", "", 0), U8("DevPri", "", 8)

// Current: positive flows out of the source (discharge).
constexpr tN2kField kDCSourceStatus1[] = {
  RVC_DC_SOURCE_HEAD,
  U16("Vdc", "V", 16, 0.05),
  U32("Adc", "A", 32, 0.001, -2000000),
};

// TRInterp: 00b time to empty, 01b time to full.
constexpr tN2kField kDCSourceStatus2[] = {
  RVC_DC_SOURCE_HEAD,
  U16("Temp", "C", 16, 0.03125, -273),
  U8("SOC", "%", 32, 0.5),
  U16("TR", "min", 40),
  Pair("TRInterp", "", 56),
};

constexpr tN2kField kDCSourceStatus3[] = {
  RVC_DC_SOURCE_HEAD,
  U8("SOH", "%", 16, 0.5),
  U16("CapRem", "Ah", 24),
  U8("CapRemPer", "%", 40, 0.5),
  U16("Ripple", "mV", 48),
};

constexpr tN2kField kDCSourceStatus4[] = {
  RVC_DC_SOURCE_HEAD,
  U8("DesCM", "", 16),
  U16("DesVolt", "V", 24, 0.05),
  U16("DesAmp", "A", 40, 0.05, -1600),
  Nibble("BatType", "", 56),
};

// dVdT: deprecated, normally 0xFFFF; reported raw.
constexpr tN2kField kDCSourceStatus5[] = {
  RVC_DC_SOURCE_HEAD,
  U32("Vdc", "V", 16, 0.001),
  U16("dVdT", "", 48),
};

// 01b: limit reached or bus disconnected.
constexpr tN2kField kDCSourceStatus6[] = {
  RVC_DC_SOURCE_HEAD,
  Pair("HVls", "", 16),
  Pair("HVld", "", 18),
  Pair("LVls", "", 20),
  Pair("LVld", "", 22),
  Pair("LSOCls", "", 24),
  Pair("LSOCld", "", 26),
  Pair("LTls", "", 28),
  Pair("LTld", "", 30),
  Pair("HTls", "", 32),
  Pair("HTld", "", 34),
};

constexpr tN2kField kDCSourceStatus11[] = {
  RVC_DC_SOURCE_HEAD,
  Pair("PwrOnOff", "", 16),
  Pair("ChrgOnOff", "", 18),
  Pair("ChrgDet", "", 20),
  Pair("ResvStat", "", 22),
  U16("BatAHCap", "Ah", 24),
  U16("DCPower", "W", 40),
};

// No length field: the text ends at the first 0xFF.
constexpr tN2kField kTerminal[] = {
  Field("Text", "", 0, 64, kN2kText, 1, 0, 0xFF, kNo, 0),
};

// SPN in the single-instance form: (b2 << 11) | (b3 << 3) | (b4 >> 5), 0x7FFFF when there
// is no fault.
constexpr tN2kField kDMRV[] = {
  Pair("On", "", 0),
  Pair("Active", "", 2),
  Pair("Yellow", "", 4),
  Pair("Red", "", 6),
  U8("DSA", "", 8),
  Field("SPN",     "", 16, 19, kN2kMsbFirst, 1, 0, 0x7FFFF, kNo, 0x7FFFE),
  Field("FMI",     "", 32,  5, 0,            1, 0, 31,      kNo, 30),
  Field("Count",   "", 40,  7, 0,            1, 0, 0x7F,    kNo, 0x7E),
  Field("DSA_ext", "", 48,  8, 0,            1, 0, 0xFF,    kNo, 0xFE),
  Nibble("Bank", "", 56),
};
// clang-format on

#undef RVC_DC_SOURCE_HEAD

template <size_t N>
constexpr uint8_t CountOf(const tN2kField (&)[N]) {
  return static_cast<uint8_t>(N);
}

// An RV-C status: single frame of exactly 8 bytes.
constexpr tN2kMsgDesc Rvc(unsigned long dgn, const char *name, uint8_t priority,
                          const tN2kField *fields, uint8_t count) {
  return tN2kMsgDesc{dgn, name, priority, kRvcLen, kRvcLen, kRvcLen, false, fields, count};
}

}  // namespace

#define RVC_FIELDS(table) table, CountOf(table)

const tN2kMsgDesc kRvcDescDateTimeStatus =
    Rvc(kDgnDateTimeStatus, "DATE_TIME_STATUS", 6, RVC_FIELDS(kDateTime));
const tN2kMsgDesc kRvcDescSetDateTimeCommand =
    Rvc(kDgnSetDateTimeCommand, "SET_DATE_TIME_COMMAND", 5, RVC_FIELDS(kDateTime));
// COMPASS_BEARING_STATUS in current RV-C; the daemon reads it as a date and time, and its
// clock checks keep a compass reading from setting the clock.
const tN2kMsgDesc kRvcDescDateTime1FFA0 =
    Rvc(kDgnDateTime1FFA0, "DATE_TIME_1FFA0", 6, RVC_FIELDS(kDateTime));
const tN2kMsgDesc kRvcDescChargerStatus =
    Rvc(kDgnChargerStatus, "CHARGER_STATUS", 6, RVC_FIELDS(kChargerStatus));
const tN2kMsgDesc kRvcDescChargerStatus2 =
    Rvc(kDgnChargerStatus2, "CHARGER_STATUS_2", 6, RVC_FIELDS(kChargerStatus2));
const tN2kMsgDesc kRvcDescChargerConfigStatus = Rvc(
    kDgnChargerConfigStatus, "CHARGER_CONFIGURATION_STATUS", 6, RVC_FIELDS(kChargerConfigStatus));
const tN2kMsgDesc kRvcDescChargerConfigStatus2 =
    Rvc(kDgnChargerConfigStatus2, "CHARGER_CONFIGURATION_STATUS_2", 6,
        RVC_FIELDS(kChargerConfigStatus2));
const tN2kMsgDesc kRvcDescChargerConfigStatus3 =
    Rvc(kDgnChargerConfigStatus3, "CHARGER_CONFIGURATION_STATUS_3", 6,
        RVC_FIELDS(kChargerConfigStatus3));
const tN2kMsgDesc kRvcDescChargerConfigStatus4 =
    Rvc(kDgnChargerConfigStatus4, "CHARGER_CONFIGURATION_STATUS_4", 6,
        RVC_FIELDS(kChargerConfigStatus4));
const tN2kMsgDesc kRvcDescChargerEqualStatus =
    Rvc(kDgnChargerEqualStatus, "CHARGER_EQUALIZATION_STATUS", 6, RVC_FIELDS(kChargerEqualStatus));
const tN2kMsgDesc kRvcDescChargerEqualConfigStatus =
    Rvc(kDgnChargerEqualConfigStatus, "CHARGER_EQUALIZATION_CONFIGURATION_STATUS", 6,
        RVC_FIELDS(kChargerEqualConfigStatus));
const tN2kMsgDesc kRvcDescDCSourceStatus1 =
    Rvc(kDgnDCSourceStatus1, "DC_SOURCE_STATUS_1", 6, RVC_FIELDS(kDCSourceStatus1));
const tN2kMsgDesc kRvcDescDCSourceStatus2 =
    Rvc(kDgnDCSourceStatus2, "DC_SOURCE_STATUS_2", 6, RVC_FIELDS(kDCSourceStatus2));
const tN2kMsgDesc kRvcDescDCSourceStatus3 =
    Rvc(kDgnDCSourceStatus3, "DC_SOURCE_STATUS_3", 6, RVC_FIELDS(kDCSourceStatus3));
const tN2kMsgDesc kRvcDescDCSourceStatus4 =
    Rvc(kDgnDCSourceStatus4, "DC_SOURCE_STATUS_4", 6, RVC_FIELDS(kDCSourceStatus4));
const tN2kMsgDesc kRvcDescDCSourceStatus5 =
    Rvc(kDgnDCSourceStatus5, "DC_SOURCE_STATUS_5", 6, RVC_FIELDS(kDCSourceStatus5));
const tN2kMsgDesc kRvcDescDCSourceStatus6 =
    Rvc(kDgnDCSourceStatus6, "DC_SOURCE_STATUS_6", 6, RVC_FIELDS(kDCSourceStatus6));
const tN2kMsgDesc kRvcDescDCSourceStatus11 =
    Rvc(kDgnDCSourceStatus11, "DC_SOURCE_STATUS_11", 6, RVC_FIELDS(kDCSourceStatus11));
// PDU1: the destination rides in the identifier. Short frames are tolerated.
const tN2kMsgDesc kRvcDescTerminal = {kDgnTerminal, "TERMINAL",           7, kRvcLen, 1, kRvcLen,
                                      false,        RVC_FIELDS(kTerminal)};
const tN2kMsgDesc kRvcDescDMRV = Rvc(kDgnDMRV, "DM_RV", 6, RVC_FIELDS(kDMRV));
