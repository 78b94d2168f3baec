#include "sheets/sheet_neighbours.h"

#include <algorithm>
#include <cmath>

#include "sheets/sheet_index.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

constexpr int kRowLetters = 22;  // "A" (0..4 N) to "V" (84..88 N)
constexpr int kColumns = 60;     // 6 degrees each, column 01 starting at 180 W

struct Sizes {
  long double lon = 0, lat = 0;
};

Sizes SizesOf(int scaleIndex) {
  Sizes s;
  SheetSize(ScaleLetter(scaleIndex), s.lon, s.lat);
  return s;
}

}  // namespace

std::string_view NeighbourCaption(std::size_t i) {
  static constexpr std::string_view kCaptions[] = {"西北", "北", "东北", "西", "东", "西南", "南", "东南"};
  return i < 8 ? kCaptions[i] : std::string_view();
}

std::string_view NeighbourKey(std::size_t i) {
  static constexpr std::string_view kKeys[] = {"nw", "n", "ne", "w", "e", "sw", "s", "se"};
  return i < 8 ? kKeys[i] : std::string_view();
}

int NeighbourIndexOfCell(int i, int j) {
  const int cell = j * 3 + i;
  if (cell == 4) return -1;
  return cell < 4 ? cell : cell - 1;
}

std::int64_t SheetColumnsOf(int scaleIndex) {
  return std::llround(static_cast<double>(6 / SizesOf(scaleIndex).lon)) * kColumns;
}

std::int64_t SheetRowsOf(int scaleIndex) {
  return std::llround(static_cast<double>(4 / SizesOf(scaleIndex).lat)) * kRowLetters;
}

std::optional<SheetCell> SheetCellOf(const std::string& number, UserFeedback& feedback) {
  std::string why;
  const auto extent = DecodeMapNo(number, &why);
  if (!extent) {
    if (!why.empty()) feedback.message(why);
    return std::nullopt;
  }
  const auto cell = SheetCellOf(number);
  if (!cell) feedback.message("输入的" + number + ",错误的图幅号");
  return cell;
}

std::optional<SheetCell> SheetCellOf(const std::string& number) {
  const auto extent = DecodeMapNo(number);
  if (!extent) return std::nullopt;
  SheetCell cell;
  cell.scaleIndex = extent->scaleIndex;
  cell.gx = std::llround(static_cast<double>((extent->westLon + 180) / extent->lonSize));
  cell.gy = std::llround(static_cast<double>(extent->southLat / extent->latSize));
  // The codec reads any digits in any range; a number names a sheet only when
  // its cell lies in the series and writes back as the same number.
  const bool inSeries = cell.gx >= 0 && cell.gx < SheetColumnsOf(cell.scaleIndex) && cell.gy >= 0 &&
                        cell.gy < SheetRowsOf(cell.scaleIndex);
  const std::string again = inSeries ? SheetNumberOfCell(cell) : std::string();
  // A whole 1:1,000,000 sheet also reads in the ten-character form that
  // earlier indexes wrote (J50A001001).
  const bool same = again == number || (again.size() == 3 && number == again + "A001001");
  if (!inSeries || !same) return std::nullopt;
  return cell;
}

std::string SheetNumberOfCell(const SheetCell& cell) {
  return SheetNumberAt(cell.scaleIndex, cell.gx, cell.gy);
}

std::optional<NeighbourNumbers> SheetNeighbours(const std::string& number, UserFeedback& feedback) {
  if (!SheetCellOf(number, feedback)) return std::nullopt;
  return SheetNeighbours(number);
}

std::array<std::optional<SheetCell>, 8> NeighbourCells(const SheetCell& cell) {
  const std::int64_t columns = SheetColumnsOf(cell.scaleIndex);
  const std::int64_t rows = SheetRowsOf(cell.scaleIndex);
  std::array<std::optional<SheetCell>, 8> out;
  for (std::size_t i = 0; i < kNeighbourSteps.size(); ++i) {
    SheetCell n = cell;
    n.gy += kNeighbourSteps[i].north;
    if (n.gy < 0 || n.gy >= rows) continue;                       // past the equator or 88 degrees north
    n.gx = (n.gx + kNeighbourSteps[i].east + columns) % columns;  // across 180 degrees
    out[i] = n;
  }
  return out;
}

std::optional<NeighbourNumbers> SheetNeighbours(const std::string& number) {
  const auto cell = SheetCellOf(number);
  if (!cell) return std::nullopt;
  NeighbourNumbers out;
  const auto cells = NeighbourCells(*cell);
  for (std::size_t i = 0; i < cells.size(); ++i)
    if (cells[i]) out[i] = SheetNumberOfCell(*cells[i]);
  return out;
}

std::optional<SheetCell> SheetCellOfCorners(int scaleIndex, const std::array<Point2, 4>& corners,
                                            const CoordParams& coords, bool geographic) {
  const long double centreEast =
      (static_cast<long double>(corners[0].x) + corners[1].x + corners[2].x + corners[3].x) / 4;
  const long double centreNorth =
      (static_cast<long double>(corners[0].y) + corners[1].y + corners[2].y + corners[3].y) / 4;
  long double lon = centreEast, lat = centreNorth;
  if (!geographic && !XYToLB(coords, centreNorth, centreEast, lon, lat)) return std::nullopt;
  const auto cell = SheetCellAt(scaleIndex, lon, lat);
  if (!cell) return std::nullopt;
  const auto extent = DecodeMapNo(SheetNumberOfCell(*cell));
  if (!extent) return std::nullopt;
  // The polygon must be that sheet, not merely lie in it.
  const auto sheet = SheetCorners(*extent, coords, geographic);
  const long double tolerance =
      1e-4L * std::min(std::fabs(static_cast<long double>(corners[3].x) - corners[0].x),
                       std::fabs(static_cast<long double>(corners[1].y) - corners[0].y));
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::fabs(sheet[i].x - static_cast<long double>(corners[i].x)) > tolerance ||
        std::fabs(sheet[i].y - static_cast<long double>(corners[i].y)) > tolerance)
      return std::nullopt;
  }
  return cell;
}

std::optional<SheetCell> SheetCellAt(int scaleIndex, long double lon, long double lat) {
  if (scaleIndex < 0 || scaleIndex > 7 || !std::isfinite(lon) || !std::isfinite(lat)) return std::nullopt;
  const Sizes s = SizesOf(scaleIndex);
  SheetCell cell;
  cell.scaleIndex = scaleIndex;
  cell.gx = static_cast<std::int64_t>(std::floor((lon + 180) / s.lon));
  cell.gy = static_cast<std::int64_t>(std::floor(lat / s.lat));
  if (cell.gx < 0 || cell.gx >= SheetColumnsOf(scaleIndex) || cell.gy < 0 ||
      cell.gy >= SheetRowsOf(scaleIndex))
    return std::nullopt;
  return cell;
}

}  // namespace tarvik
