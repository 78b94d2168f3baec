// The eight sheets around a sheet of the national series, computed from its
// number alone.
//
// A step of one sheet north, south, east or west is carried across the
// borders of the 1:1,000,000 sheets: a row before the first (after the last)
// row of its 1:1,000,000 sheet goes on in the last (first) row of the next row
// letter, a column in the next column number. Column 60 ends at 180 degrees
// east and column 01 starts there, so east of column 60 lies column 01 and
// west of column 01 lies column 60. Row V (84..88 degrees north) is the last
// row letter and row A starts at the equator: there is no sheet north of V
// or south of A (the series has no southern rows).
//
// Angles are decimal degrees, east and north positive.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/user_feedback.h"
#include "coords/utlbxy.h"
#include "gdb/geometry.h"

namespace tarvik {

// Neighbours in table order: north-west, north, north-east, west, east,
// south-west, south, south-east. An empty text where there is no sheet.
using NeighbourNumbers = std::array<std::string, 8>;

// Steps of each neighbour in that order, in sheets east and north.
struct NeighbourStep {
  int east, north;
};
inline constexpr std::array<NeighbourStep, 8> kNeighbourSteps = {
    {{-1, 1}, {0, 1}, {1, 1}, {-1, 0}, {1, 0}, {-1, -1}, {0, -1}, {1, -1}}};

// Short names of the directions in that order: "西北", "北", ... (for people)
// and "nw", "n", ... (for JSON keys).
std::string_view NeighbourCaption(std::size_t i);
std::string_view NeighbourKey(std::size_t i);

// Index into NeighbourNumbers of the table cell in column i (0 west .. 2
// east) and row j (0 north .. 2 south); -1 for the centre cell.
int NeighbourIndexOfCell(int i, int j);

// A sheet's place in the world grid of its scale: gx counts sheets from 180
// degrees west, gy from the equator northwards.
struct SheetCell {
  int scaleIndex = 0;
  std::int64_t gx = 0, gy = 0;
};

// Sheets of a scale across the world (gx) and from the equator to 88 degrees
// north (gy).
std::int64_t SheetColumnsOf(int scaleIndex);
std::int64_t SheetRowsOf(int scaleIndex);

// The cell of a current number (ten characters, or three for a 1:1,000,000
// sheet). A number that the codec reads but that names no sheet of the
// series (row letter outside "A".."V", column 00 or past 60, a row or column
// inside the 1:1,000,000 sheet of 000 or past its count, digits written with
// signs or blanks) is refused with "输入的" + number + ",错误的图幅号".
std::optional<SheetCell> SheetCellOf(const std::string& currentNumber, UserFeedback& feedback);
// The same without telling anyone.
std::optional<SheetCell> SheetCellOf(const std::string& currentNumber);

// The number of a cell (a 1:1,000,000 sheet in its three characters, J50).
std::string SheetNumberOfCell(const SheetCell& cell);

// The neighbours of a current number (a 1:1,000,000 sheet's as J50, also
// for the ten-character J50A001001). Refused as SheetCellOf refuses.
std::optional<NeighbourNumbers> SheetNeighbours(const std::string& currentNumber, UserFeedback& feedback);
// The same without telling anyone (a number that names no sheet has none).
std::optional<NeighbourNumbers> SheetNeighbours(const std::string& currentNumber);

// The cells of the eight neighbours of a cell, in table order; none where
// there is no sheet (south of the equator, north of 88 degrees).
std::array<std::optional<SheetCell>, 8> NeighbourCells(const SheetCell& cell);

// The sheet of the scale whose corners these are (0 lower-left, 1
// upper-left, 2 upper-right, 3 lower-right; longitude and latitude when
// `geographic`, else planar store order converted with `coords`): the cell
// holding their centre, when its sheet's corners agree with them to a
// ten-thousandth of the sheet's side. None when they are no sheet of the
// scale (only lie in one, or are another shape).
std::optional<SheetCell> SheetCellOfCorners(int scaleIndex, const std::array<Point2, 4>& corners,
                                            const CoordParams& coords, bool geographic);

// The cell of the scale's sheet holding the point; none outside the series
// (south of the equator, north of 88 degrees, or not a longitude).
std::optional<SheetCell> SheetCellAt(int scaleIndex, long double lon, long double lat);

}  // namespace tarvik
