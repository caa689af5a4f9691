// RV-C data groups and DM_RV, written from the protocol reference (section E and, for
// the names and the fields the library reports, section G): one row a field, undefined
// bits left out (they go out as 1s). Codes by the RV-C rule: all ones not available, all
// ones less one out of range (error), values up to all ones less three; a bit pair is
// 00b off, 01b on, 10b error, 11b not available.
#include "N2kDescriptions.h"

#include "N2kPgns.h"

namespace {

constexpr uint64_t kNo = kN2kNoCode;
constexpr uint8_t kRvcLen = 8;  // every RV-C frame carries 8 bytes

// clang-format off
// Columns: name, unit, bit, width, flags, resolution, offset, not available, error, max valid.

// The same 8 bytes under three DGNs. Hour is local time; TimeZone is hours behind UTC.
constexpr tN2kField kDateTime[] = {
  {"Year",      "",     0, 8, 0, 1, 2000, 0xFF, 0xFE, 0xFC},
  {"Month",     "",     8, 8, 0, 1, 0,    0xFF, 0xFE, 0xFC},
  {"Date",      "",    16, 8, 0, 1, 0,    0xFF, 0xFE, 0xFC},
  {"DayOfWeek", "",    24, 8, 0, 1, 0,    0xFF, 0xFE, 0xFC},
  {"Hour",      "h",   32, 8, 0, 1, 0,    0xFF, 0xFE, 0xFC},
  {"Minute",    "min", 40, 8, 0, 1, 0,    0xFF, 0xFE, 0xFC},
  {"Second",    "s",   48, 8, 0, 1, 0,    0xFF, 0xFE, 0xFC},
  {"TimeZone",  "h",   56, 8, 0, 1, 0,    0xFF, 0xFE, 0xFC},
};

constexpr tN2kField kChargerStatus[] = {
  {"Instance",   "",   0,  8, 0, 1,    0,     0xFF,   0xFE,   0xFC},
  {"CVdc",       "V",  8, 16, 0, 0.05, 0,     0xFFFF, 0xFFFE, 0xFFFC},
  {"CAdc",       "A", 24, 16, 0, 0.05, -1600, 0xFFFF, 0xFFFE, 0xFFFC},
  {"PerMax",     "%", 40,  8, 0, 0.5,  0,     0xFF,   0xFE,   0xFC},
  {"State",      "",  48,  8, 0, 1,    0,     0xFF,   0xFE,   0xFC},
  {"EnableAtPO", "",  56,  2, 0, 1,    0,     3,      2,      1},
  {"AutoRechg",  "",  58,  2, 0, 1,    0,     3,      2,      1},
  {"ForcedChrg", "",  60,  4, 0, 1,    0,     15,     14,     13},
};

constexpr tN2kField kChargerStatus2[] = {
  {"ChrgInst", "",   0,  8, 0, 1,    0,     0xFF,   0xFE,   0xFC},
  {"DCInst",   "",   8,  8, 0, 1,    0,     0xFF,   0xFE,   0xFC},
  {"DevPri",   "",  16,  8, 0, 1,    0,     0xFF,   0xFE,   0xFC},
  {"Vdc",      "V", 24, 16, 0, 0.05, 0,     0xFFFF, 0xFFFE, 0xFFFC},
  {"Adc",      "A", 40, 16, 0, 0.05, -1600, 0xFFFF, 0xFFFE, 0xFFFC},
  {"Temp",     "C", 56,  8, 0, 1,    -40,   0xFF,   0xFE,   0xFC},
};

constexpr tN2kField kChargerConfigStatus[] = {
  {"Instance",        "",    0,  8, 0, 1,    0,     0xFF,   0xFE,   0xFC},
  {"ChrgAlg",         "",    8,  8, 0, 1,    0,     0xFF,   0xFE,   0xFC},
  {"ChrgMode",        "",   16,  8, 0, 1,    0,     0xFF,   0xFE,   0xFC},
  {"BatSense",        "",   24,  2, 0, 1,    0,     3,      2,      1},
  {"Line",            "",   26,  2, 0, 1,    0,     3,      2,      1},
  {"BatType",         "",   28,  4, 0, 1,    0,     15,     14,     13},
  {"BatSize",         "Ah", 32, 16, 0, 1,    0,     0xFFFF, 0xFFFE, 0xFFFC},
  {"MaxChargeCurrent", "A", 48, 16, 0, 0.05, -1600, 0xFFFF, 0xFFFE, 0xFFFC},
};

constexpr tN2kField kChargerConfigStatus2[] = {
  {"Instance",    "",   0,  8, 0, 1,    0,   0xFF,   0xFE,   0xFC},
  {"PerMaxAmps",  "%",  8,  8, 0, 0.5,  0,   0xFF,   0xFE,   0xFC},
  {"PerMaxShore", "%", 16,  8, 0, 0.5,  0,   0xFF,   0xFE,   0xFC},
  {"ShorBr",      "A", 24,  8, 0, 1,    0,   0xFF,   0xFE,   0xFC},
  {"DefBatTemp",  "C", 32,  8, 0, 1,    -40, 0xFF,   0xFE,   0xFC},
  {"RchgVolt",    "V", 40, 16, 0, 0.05, 0,   0xFFFF, 0xFFFE, 0xFFFC},
};

constexpr tN2kField kChargerConfigStatus3[] = {
  {"Instance", "",      0,  8, 0, 1,    0, 0xFF,   0xFE,   0xFC},
  {"BulkV",    "V",     8, 16, 0, 0.05, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"AbsorbV",  "V",    24, 16, 0, 0.05, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"FloatV",   "V",    40, 16, 0, 0.05, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"TempComp", "mV/K", 56,  8, 0, 1,    0, 0xFF,   0xFE,   0xFC},
};

constexpr tN2kField kChargerConfigStatus4[] = {
  {"Instance", "",     0,  8, 0, 1, 0, 0xFF,   0xFE,   0xFC},
  {"BulkT",    "min",  8, 16, 0, 1, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"AbsorbT",  "min", 24, 16, 0, 1, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"FloatT",   "min", 40, 16, 0, 1, 0, 0xFFFF, 0xFFFE, 0xFFFC},
};

constexpr tN2kField kChargerEqualStatus[] = {
  {"Instance", "",     0,  8, 0, 1, 0, 0xFF,   0xFE,   0xFC},
  {"Time",     "min",  8, 16, 0, 1, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"PreChrg",  "",    24,  2, 0, 1, 0, 3,      2,      1},
};

constexpr tN2kField kChargerEqualConfigStatus[] = {
  {"Instance", "",     0,  8, 0, 1,    0, 0xFF,   0xFE,   0xFC},
  {"Volts",    "V",    8, 16, 0, 0.05, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"Time",     "min", 24, 16, 0, 1,    0, 0xFFFF, 0xFFFE, 0xFFFC},
};

// Every DC source status starts with the DC instance and the reporter's priority.
#define RVC_DC_SOURCE_HEAD                                   \
  {"Instance", "", 0, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC},         \
  {"DevPri",   "", 8, 8, 0, 1, 0, 0xFF, 0xFE, 0xFC}

// Current: positive flows out of the source (discharge).
constexpr tN2kField kDCSourceStatus1[] = {
  RVC_DC_SOURCE_HEAD,
  {"Vdc", "V", 16, 16, 0, 0.05,  0,        0xFFFF,     0xFFFE,     0xFFFC},
  {"Adc", "A", 32, 32, 0, 0.001, -2000000, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFC},
};

// TRInterp: 00b time to empty, 01b time to full.
constexpr tN2kField kDCSourceStatus2[] = {
  RVC_DC_SOURCE_HEAD,
  {"Temp",     "C",   16, 16, 0, 0.03125, -273, 0xFFFF, 0xFFFE, 0xFFFC},
  {"SOC",      "%",   32,  8, 0, 0.5,     0,    0xFF,   0xFE,   0xFC},
  {"TR",       "min", 40, 16, 0, 1,       0,    0xFFFF, 0xFFFE, 0xFFFC},
  {"TRInterp", "",    56,  2, 0, 1,       0,    3,      2,      1},
};

constexpr tN2kField kDCSourceStatus3[] = {
  RVC_DC_SOURCE_HEAD,
  {"SOH",       "%",  16,  8, 0, 0.5, 0, 0xFF,   0xFE,   0xFC},
  {"CapRem",    "Ah", 24, 16, 0, 1,   0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"CapRemPer", "%",  40,  8, 0, 0.5, 0, 0xFF,   0xFE,   0xFC},
  {"Ripple",    "mV", 48, 16, 0, 1,   0, 0xFFFF, 0xFFFE, 0xFFFC},
};

constexpr tN2kField kDCSourceStatus4[] = {
  RVC_DC_SOURCE_HEAD,
  {"DesCM",   "",  16,  8, 0, 1,    0,     0xFF,   0xFE,   0xFC},
  {"DesVolt", "V", 24, 16, 0, 0.05, 0,     0xFFFF, 0xFFFE, 0xFFFC},
  {"DesAmp",  "A", 40, 16, 0, 0.05, -1600, 0xFFFF, 0xFFFE, 0xFFFC},
  {"BatType", "",  56,  4, 0, 1,    0,     15,     14,     13},
};

// dVdT: deprecated, normally 0xFFFF; reported raw.
constexpr tN2kField kDCSourceStatus5[] = {
  RVC_DC_SOURCE_HEAD,
  {"Vdc",  "V", 16, 32, 0, 0.001, 0, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFC},
  {"dVdT", "",  48, 16, 0, 1,     0, 0xFFFF,     0xFFFE,     0xFFFC},
};

// 01b: limit reached or bus disconnected.
constexpr tN2kField kDCSourceStatus6[] = {
  RVC_DC_SOURCE_HEAD,
  {"HVls",     "", 16, 2, 0, 1, 0, 3, 2, 1},
  {"HVld",     "", 18, 2, 0, 1, 0, 3, 2, 1},
  {"LVls",     "", 20, 2, 0, 1, 0, 3, 2, 1},
  {"LVld",     "", 22, 2, 0, 1, 0, 3, 2, 1},
  {"LSOCls",   "", 24, 2, 0, 1, 0, 3, 2, 1},
  {"LSOCld",   "", 26, 2, 0, 1, 0, 3, 2, 1},
  {"LTls",     "", 28, 2, 0, 1, 0, 3, 2, 1},
  {"LTld",     "", 30, 2, 0, 1, 0, 3, 2, 1},
  {"HTls",     "", 32, 2, 0, 1, 0, 3, 2, 1},
  {"HTld",     "", 34, 2, 0, 1, 0, 3, 2, 1},
};

constexpr tN2kField kDCSourceStatus11[] = {
  RVC_DC_SOURCE_HEAD,
  {"PwrOnOff",  "",   16,  2, 0, 1, 0, 3,      2,      1},
  {"ChrgOnOff", "",   18,  2, 0, 1, 0, 3,      2,      1},
  {"ChrgDet",   "",   20,  2, 0, 1, 0, 3,      2,      1},
  {"ResvStat",  "",   22,  2, 0, 1, 0, 3,      2,      1},
  {"BatAHCap",  "Ah", 24, 16, 0, 1, 0, 0xFFFF, 0xFFFE, 0xFFFC},
  {"DCPower",   "W",  40, 16, 0, 1, 0, 0xFFFF, 0xFFFE, 0xFFFC},
};

// No length field: the text ends at the first 0xFF.
constexpr tN2kField kTerminal[] = {
  {"Text", "", 0, 64, kN2kText, 1, 0, 0xFF, kNo, 0},
};

// SPN in the single-instance form: (b2 << 11) | (b3 << 3) | (b4 >> 5), 0x7FFFF when there
// is no fault.
constexpr tN2kField kDMRV[] = {
  {"On",      "",  0,  2, 0,            1, 0, 3,       2,   1},
  {"Active",  "",  2,  2, 0,            1, 0, 3,       2,   1},
  {"Yellow",  "",  4,  2, 0,            1, 0, 3,       2,   1},
  {"Red",     "",  6,  2, 0,            1, 0, 3,       2,   1},
  {"DSA",     "",  8,  8, 0,            1, 0, 0xFF,    0xFE, 0xFC},
  {"SPN",     "", 16, 19, kN2kMsbFirst, 1, 0, 0x7FFFF, kNo, 0x7FFFE},
  {"FMI",     "", 32,  5, 0,            1, 0, 31,      kNo, 30},
  {"Count",   "", 40,  7, 0,            1, 0, 0x7F,    kNo, 0x7E},
  {"DSA_ext", "", 48,  8, 0,            1, 0, 0xFF,    kNo, 0xFE},
  {"Bank",    "", 56,  4, 0,            1, 0, 15,      14,  13},
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
