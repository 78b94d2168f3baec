#include "sheets/sheet_index.h"

#include <cmath>

#include "common/user_feedback.h"

namespace tarvik {
namespace {

struct SheetGrid {
  long double lonSize = 0, latSize = 0;
  std::int64_t perMillionX = 0, perMillionY = 0;  // sheets across / down one 1:1,000,000 sheet
};

SheetGrid GridOf(int scaleIndex) {
  SheetGrid g;
  SheetSize(ScaleLetter(scaleIndex), g.lonSize, g.latSize);
  g.perMillionX = std::llround(static_cast<double>(6 / g.lonSize));
  g.perMillionY = std::llround(static_cast<double>(4 / g.latSize));
  return g;
}

// Global column and row ranges of the sheets overlapping the box. A box
// edge on a sheet edge (to within a billionth of a sheet) does not take in
// the sheet beyond it.
struct Range {
  std::int64_t gxMin, gxMax, gyMin, gyMax;
};

Range RangeOf(const SheetGrid& g, const GeoBox& box) {
  constexpr long double kEdge = 1e-9L;
  Range r;
  r.gxMin = static_cast<std::int64_t>(std::floor((box.west + 180) / g.lonSize + kEdge));
  r.gxMax = static_cast<std::int64_t>(std::ceil((box.east + 180) / g.lonSize - kEdge)) - 1;
  r.gyMin = static_cast<std::int64_t>(std::floor(box.south / g.latSize + kEdge));
  r.gyMax = static_cast<std::int64_t>(std::ceil(box.north / g.latSize - kEdge)) - 1;
  return r;
}

}  // namespace

int ScaleIndexOfDenominator(long denominator) {
  for (int i = 0; i <= 7; ++i)
    if (ScaleDenominatorOfIndex(i) == denominator) return i;
  return -1;
}

std::string SheetNumberAt(int scaleIndex, std::int64_t gx, std::int64_t gy) {
  const SheetGrid g = GridOf(scaleIndex);
  const std::int64_t millionColumn = gx / g.perMillionX + 1;    // 1 starts at 180 W
  const std::int64_t millionRow = gy / g.perMillionY;           // 0 is "A"
  const std::int64_t column = gx % g.perMillionX + 1;           // from the west
  const std::int64_t row = g.perMillionY - gy % g.perMillionY;  // from the north
  std::string number(1, static_cast<char>('A' + millionRow));
  if (millionColumn < 10) number += '0';
  number += std::to_string(millionColumn);
  if (scaleIndex == 0) return number;  // a whole 1:1,000,000 sheet is J50
  number += ScaleLetter(scaleIndex);
  number += Pad3(static_cast<int>(row));
  number += Pad3(static_cast<int>(column));
  return number;
}

std::int64_t SheetCountInBox(int scaleIndex, const GeoBox& box) {
  const Range r = RangeOf(GridOf(scaleIndex), box);
  if (r.gxMax < r.gxMin || r.gyMax < r.gyMin) return 0;
  return (r.gxMax - r.gxMin + 1) * (r.gyMax - r.gyMin + 1);
}

std::vector<std::string> SheetNumbersInBox(int scaleIndex, const GeoBox& box) {
  const Range r = RangeOf(GridOf(scaleIndex), box);
  std::vector<std::string> numbers;
  for (std::int64_t gy = r.gyMax; gy >= r.gyMin; --gy)
    for (std::int64_t gx = r.gxMin; gx <= r.gxMax; ++gx) numbers.push_back(SheetNumberAt(scaleIndex, gx, gy));
  return numbers;
}

std::array<Point2, 4> SheetCorners(const SheetExtent& sheet, const CoordParams& coords, bool geographic) {
  const long double west = sheet.westLon, east = sheet.westLon + sheet.lonSize;
  const long double south = sheet.southLat, north = sheet.southLat + sheet.latSize;
  const long double lon[4] = {west, west, east, east};
  const long double lat[4] = {south, north, north, south};
  std::array<Point2, 4> corners;
  for (std::size_t i = 0; i < 4; ++i) {
    if (geographic) {
      corners[i] = {static_cast<double>(lon[i]), static_cast<double>(lat[i])};
    } else {
      const PlanarXY p = LBToXY(coords, lat[i], lon[i]);
      corners[i] = {static_cast<double>(p.easting), static_cast<double>(p.northing)};
    }
  }
  return corners;
}

std::vector<IndexPolygon> SheetIndexPolygons(const std::vector<std::string>& numbers,
                                             const CoordParams& coords, bool geographic,
                                             const std::function<bool(const SheetExtent&)>& keep) {
  std::vector<IndexPolygon> sheets;
  sheets.reserve(numbers.size());
  for (const auto& number : numbers) {
    const auto extent = DecodeMapNo(number);  // the numbers come from the codec itself
    if (!extent || (keep && !keep(*extent))) continue;
    const auto c = SheetCorners(*extent, coords, geographic);
    sheets.push_back({number, {c.begin(), c.end()}});
  }
  return sheets;
}

}  // namespace tarvik
