#include "ChargerValues.h"

#include <cstdio>

bool operator==(const tChargerConfig &a, const tChargerConfig &b) {
  return a.type == b.type && a.instance == b.instance && a.chrgAlg == b.chrgAlg &&
         a.chrgMode == b.chrgMode && a.batSense == b.batSense && a.line == b.line &&
         a.linked == b.linked && a.batType == b.batType && a.batSize == b.batSize &&
         a.maxAmps == b.maxAmps;
}

int ChargerConfigText(char *out, size_t size, int canAddr, const tChargerConfig &c) {
  return snprintf(out, size,
                  "RVCChargerConfigStat(%d): Type=%d, Instance=%d, ChrgAlg=%d, ChrgMode=%d, "
                  "BatSense=%d, Line=%d, Linked=%d, BatType=%d, BatSize=%d, MaxAmps=%d",
                  canAddr, c.type, c.instance, c.chrgAlg, c.chrgMode, c.batSense, c.line, c.linked,
                  c.batType, c.batSize, c.maxAmps);
}

bool operator==(const tDiagnostic &a, const tDiagnostic &b) {
  return a.on == b.on && a.active == b.active && a.red == b.red && a.yellow == b.yellow &&
         a.dsa == b.dsa && a.spn == b.spn && a.fmi == b.fmi && a.count == b.count &&
         a.dsaExt == b.dsaExt && a.bank == b.bank;
}

int DiagnosticText(char *out, size_t size, int canAddr, const tDiagnostic &d) {
  return snprintf(out, size,
                  "UpdateDiag(%d): On=%d, Active=%d, Red=%d, Yellow=%d, DSA=%d, SPN=%d, FMI=%d, "
                  "Count=%d, DSA_ext=%d, Bank=%d",
                  canAddr, d.on, d.active, d.red, d.yellow, d.dsa, d.spn, d.fmi, d.count, d.dsaExt,
                  d.bank);
}
