// The value a number has after a trip through its 15-significant-digit
// decimal text: Decimal15(v) == *StrToFloat(FloatToStr(v)) for every finite v,
// without building the text on the common path.
//
// The conversions hand angles to the series as such text, so this rounding
// is part of their results; it is on the hot path of frame drawing.
#pragma once

namespace tarvik {

// v rounded to 15 significant decimal digits (ties to even on the exact
// binary value), then to the nearest long double. NaN and infinities come
// back unchanged.
long double Decimal15(long double v);

}  // namespace tarvik
