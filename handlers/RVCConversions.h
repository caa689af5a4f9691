// RV-C fields to the physical values (32-bit floats) that handlers hand to the
// registries. A raw value equal to the field's not-available code gives the
// not-available float instead; error and reserved codes are scaled like values.
#ifndef HANDLERS_RVCCONVERSIONS_H
#define HANDLERS_RVCCONVERSIONS_H

#include <cstdint>

#include "N2kCodec.h"

// A NaN with the bit pattern 0x7FBFFFFF: "the message marks this value not available".
// Registries keep their old value when given it (any NaN tests the same with isnan).
float RVCNotAvailable();

// A decoded field in the unit its description gives: (raw - zero) / steps, where steps
// = 1 / resolution and zero = -offset / resolution (RV-C resolutions are 1/n), in double
// precision, then narrowed. So 16-bit volts are raw / 20, currents (raw - 32000) / 20 or
// (raw - 2000000000) / 1000, temperatures raw x 0.03125 - 273 or raw - 40.
float RVCValue(const tN2kFieldValue &f);

// The two fields whose descriptions leave them in other units than the registries'.
// 16-bit rate of change (dVdT of DC source status 5, raw in its description):
// (raw - 32000) / 1000 V/s, in double precision, then narrowed; 0xFFFF n/a.
float RVCRate16(uint16_t raw);
// 16-bit ripple (Ripple of DC source status 3, in mV): raw / 1000 V; 0xFFFF n/a.
float RVCRipple16(uint16_t raw);

#endif
