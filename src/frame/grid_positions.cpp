#include "frame/grid_positions.h"

#include <cmath>

#include "common/delphi.h"

namespace tarvik {

long double FirstGridValue(long double innerMin, long double I, int halfMode) {
  long double v = Int((innerMin + I) / I) * I;
  if (halfMode == 1) {
    v -= I / 2;
    if (innerMin > v) v += I;
  }
  return v;
}

std::int64_t LastGridIndex(long double first, long double innerMax, long double I) {
  return static_cast<std::int64_t>(std::floor((innerMax - first) / I));
}

std::string LastTwo(long double value) {
  const std::string text = FloatToStr(value);
  return text.size() > 2 ? text.substr(text.size() - 2) : text;
}

}  // namespace tarvik
