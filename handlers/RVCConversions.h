// Raw RV-C voltage, current and temperature fields to the physical values (32-bit
// floats) that handlers hand to the registries. A raw value equal to the field's
// not-available pattern gives the not-available float instead.
#ifndef HANDLERS_RVCCONVERSIONS_H
#define HANDLERS_RVCCONVERSIONS_H

#include <cstdint>

// A NaN with the bit pattern 0x7FBFFFFF: "the message marks this value not available".
// Registries keep their old value when given it (any NaN tests the same with isnan).
float RVCNotAvailable();

// 16-bit DC voltage (Vdc, CVdc, DesVolt): raw / 20 V; 0xFFFF n/a.
float RVCVolts16(uint16_t raw);
// 16-bit current (CAdc, Adc of charger status 2, DesAmp): (raw - 32000) / 20 A, signed;
// 0xFFFF n/a.
float RVCAmps16(uint16_t raw);
// 32-bit DC current (Adc of DC source status 1): (raw - 2000000000) / 1000 A, the
// difference taken in 64 bits so that raw values from 0x80000000 up stay right;
// 0xFFFFFFFF n/a.
float RVCAmps32(uint32_t raw);
// 32-bit DC voltage (Vdc of DC source status 5): raw / 1000 V; 0xFFFFFFFF n/a.
float RVCVolts32(uint32_t raw);
// 16-bit rate of change (dVdT of DC source status 5): (raw - 32000) / 1000 V/s,
// in double precision, then narrowed; 0xFFFF n/a.
float RVCRate16(uint16_t raw);
// 16-bit temperature (Temp of DC source status 2): raw x 0.03125 - 273 degrees C;
// 0xFFFF n/a.
float RVCTemp16(uint16_t raw);
// 16-bit ripple (Ripple of DC source status 3): raw / 1000 V; 0xFFFF n/a.
float RVCRipple16(uint16_t raw);
// 8-bit temperature (Temp of charger status 2): raw - 40 degrees C (-40..214); 255 n/a.
float RVCTemp8(uint8_t raw);

#endif
