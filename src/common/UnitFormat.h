// Number texts shared by the datasheet, the formulas and the models.
#pragma once

#include <QString>

// The most extra significant digits a datasheet column can show.
inline constexpr int MaxDigits = 8;

// Text of a value with 4 + digits significant digits (digits kept within 0 .. 8): fixed notation for
// 0.01 <= |x| <= 10000 with fewer decimals as the value grows (3.142, 12.35, 123.5, 1235), scientific
// notation otherwise (1.23E-3, 1.23E+5, -5.00E-3) and for the few values whose integer part needs more
// digits than that (10000 with no extra digit). Exactly 0 gives "0"; a non-finite value "#Number!".
// The value is taken to 15 significant digits first, as the exports write it; halves then round away
// from zero. The locale's decimal separator.
QString FormatSignificant(int digits, double x);
// General format with at most `significant` significant digits (1 .. 17) and no trailing zeros, rounded
// from the exact value (halves away from zero): fixed
// notation for 1e-4 <= |x| < 10^significant, else mantissa, "E", sign and exponent (1.5E-7, 2E+20).
// A non-finite value gives "#Number!". The locale's decimal separator, no digit grouping.
QString FormatGeneral(double x, int significant = 15);
// The shortest text that reads back as the same double, in the general format above.
QString FormatShortest(double x);
