#include "common/font_desc.h"

#include <cmath>
#include <cstdlib>

namespace tarvik {

int FontDesc::pointSize() const { return static_cast<int>(std::lround(std::abs(height) * 72.0 / 96.0)); }

FontDesc FontDesc::FromPixels(const std::string& face, int pixels) {
  FontDesc f;
  f.face = face;
  f.height = -std::abs(pixels);
  return f;
}

FontDesc FontDesc::FromPoints(const std::string& face, int points) {
  FontDesc f;
  f.face = face;
  f.height = -static_cast<std::int32_t>(std::lround(std::abs(points) * 96.0 / 72.0));
  return f;
}

}  // namespace tarvik
