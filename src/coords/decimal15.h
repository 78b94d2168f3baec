// The value a number has after a trip through its 15-significant-digit
// decimal text: Decimal15(v) == *StrToFloat(FloatToStr(v)) for every finite v,
// without building the text.
//
// The conversions hand angles to the series as such text, so this rounding
// is part of their results; it is on the hot path of frame drawing, hence
// the inline floating-point path for 1 <= |v| < 10^12.
#pragma once

namespace tarvik {

namespace decimal15_detail {
inline constexpr long double kPow10L[19] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                            1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                            1e14L, 1e15L, 1e16L, 1e17L, 1e18L};
}  // namespace decimal15_detail

// The same value by exact integer arithmetic on the 64-bit significand
// (2^-10 <= |v| < 2^40) or through the text itself (anything else).
long double Decimal15Exact(long double v);
// Through the text itself; zero, NaN and infinities come back unchanged.
long double Decimal15ViaText(long double v);

// v rounded to 15 significant decimal digits (ties to even on the exact
// binary value), then to the nearest long double. NaN and infinities come
// back unchanged.
inline long double Decimal15(long double v) {
  using decimal15_detail::kPow10L;
  const long double a = v < 0 ? -v : v;
  if (!(a >= 1 && a < 1e12L)) return Decimal15Exact(v);
  int e = 0;  // 10^e <= a < 10^(e+1), the powers being exact
  while (a >= kPow10L[e + 1]) ++e;
  // a x 10^(14-e) lies in [10^14, 10^15) < 2^50; the long double product is
  // within 2^-15 of the exact one, and adding and taking off 1.5 x 2^63
  // rounds it to an integer, ties to even. That integer is the exact
  // rounding unless the product sits within 2^-10 of a half; then, and
  // only then, the exact path decides.
  const long double scale = kPow10L[14 - e];
  const long double product = a * scale;
  constexpr long double kRound = 13835058055282163712.0L;  // 1.5 x 2^63
  const long double digits = (product + kRound) - kRound;
  const long double off = product - digits;
  if (off > 0.5L - 0x1p-10L || off < -0.5L + 0x1p-10L) return Decimal15Exact(v);
  // digits < 2^50 and scale = 10^(14-e) are exact long doubles, so one division
  // gives the long double nearest to digits x 10^-(14-e), as parsing the text does.
  const long double r = digits / scale;
  return v < 0 ? -r : r;
}

}  // namespace tarvik
