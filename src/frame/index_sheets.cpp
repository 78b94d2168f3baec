#include "frame/index_sheets.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/delphi.h"
#include "common/text_util.h"
#include "gdb/class_queries.h"
#include "gdb/feature.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

// Corners agree with the sheet's rectangle to this share of its shorter
// side: sheets converted from their corners agree to far less, indexes
// digitised by hand to about a metre at 1:10 000; a rotated or skewed
// polygon misses by far more.
constexpr long double kCornerTolerance = 1e-3L;

struct Corners {
  std::array<long double, 4> x{}, y{};  // x east (or longitude), y north (or latitude)
};

// Whether the four corners are four distinct corners of their own envelope.
bool OnEnvelopeCorners(const Corners& c) {
  const auto [xMin, xMax] = std::minmax_element(c.x.begin(), c.x.end());
  const auto [yMin, yMax] = std::minmax_element(c.y.begin(), c.y.end());
  const long double w = *xMax - *xMin, h = *yMax - *yMin;
  if (!(w > 0) || !(h > 0)) return false;
  const long double tol = kCornerTolerance * std::min(w, h);
  bool taken[4] = {false, false, false, false};
  for (std::size_t i = 0; i < 4; ++i) {
    const bool west = std::fabs(c.x[i] - *xMin) <= tol, east = std::fabs(c.x[i] - *xMax) <= tol;
    const bool south = std::fabs(c.y[i] - *yMin) <= tol, north = std::fabs(c.y[i] - *yMax) <= tol;
    if ((!west && !east) || (!south && !north)) return false;
    const int corner = (east ? 2 : 0) + (north ? 1 : 0);
    if (taken[corner]) return false;
    taken[corner] = true;
  }
  return true;
}

// The scale index whose sheets have this size, or -1.
int SeriesScaleOfSize(long double lonSize, long double latSize) {
  for (int i = 0; i < 8; ++i) {
    long double lon = 0, lat = 0;
    if (!SheetSize(ScaleLetter(i), lon, lat)) continue;
    if (std::fabs(lonSize - lon) <= kCornerTolerance * lon &&
        std::fabs(latSize - lat) <= kCornerTolerance * lat)
      return i;
  }
  return -1;
}

// An angle in whole degrees, minutes and seconds as maps write sheet sizes:
// 6°, 15′, 3′45″, 37.5″.
std::string AngleText(long double degrees) {
  const long double seconds = degrees * 3600;
  const auto whole = static_cast<long long>(std::floor(seconds + 1e-6L));
  const long double fraction = seconds - static_cast<long double>(whole);
  const long long d = whole / 3600, m = whole / 60 % 60, s = whole % 60;
  std::string out;
  if (d) out += std::to_string(d) + "°";
  if (m) out += std::to_string(m) + "′";
  if (s || fraction > 1e-6L) {
    std::string sec = FormatFixed(static_cast<long double>(s) + fraction, 1);
    if (sec.size() > 2 && sec.compare(sec.size() - 2, 2, ".0") == 0) sec.resize(sec.size() - 2);
    out += sec + "″";
  }
  return out.empty() ? "0″" : out;
}

}  // namespace

std::variant<IndexSheet, std::string> ReadIndexSheet(const Geometry& shape, const CoordParams& coords,
                                                     bool geographic) {
  if (shape.pointCount() < 4) return std::string("角点不足四个");
  Corners stored;
  for (std::size_t i = 0; i < 4; ++i) {
    const Point2 p = shape.point(i);
    stored.x[i] = p.x;
    stored.y[i] = p.y;
  }
  Corners geo = stored;
  bool converted = true;
  if (!geographic) {
    for (std::size_t i = 0; i < 4 && converted; ++i)
      converted = XYToLB(coords, stored.y[i], stored.x[i], geo.x[i], geo.y[i]);
  }
  if (converted && OnEnvelopeCorners(geo)) {
    const auto [lonMin, lonMax] = std::minmax_element(geo.x.begin(), geo.x.end());
    const auto [latMin, latMax] = std::minmax_element(geo.y.begin(), geo.y.end());
    return IndexSheet{true, SeriesScaleOfSize(*lonMax - *lonMin, *latMax - *latMin)};
  }
  if (!geographic && OnEnvelopeCorners(stored)) return IndexSheet{false, -1};
  return std::string(geographic ? "不是图幅：四个角点不在两条经线和两条纬线上"
                                : "不是图幅：四个角点既不在两条经线和两条纬线上，也不是矩形图幅的四角");
}

std::string ScaleName(long double denominator) {
  if (denominator >= 10000 && std::fmod(denominator, 1000) == 0)
    return "1:" + FloatToStr(denominator / 10000) + "万";
  return "1:" + FloatToStr(denominator);
}

std::string SeriesSheetName(int scaleIndex) {
  long double lon = 0, lat = 0;
  SheetSize(ScaleLetter(scaleIndex), lon, lat);
  return ScaleName(static_cast<long double>(ScaleDenominatorOfIndex(scaleIndex))) + "标准图幅（经差" +
         AngleText(lon) + "、纬差" + AngleText(lat) + "）";
}

}  // namespace tarvik
