// Large-scale rectangular sheets (1:500, 1:1000, 1:2000, 1:5000): the sheets
// of survey offices, laid on a grid of equal rectangles in Gauss-Krueger
// coordinates (any datum, zone and meridian) and numbered by their
// south-west corner in kilometres, x (northing) first: "x-y".
//
// Numbers carry 2 decimals at 1:500 (3810.40-500.75), 1 at 1:1000 and 1:2000
// (4230.0-510.0) and none at 1:5000 (3810-502). A sheet is 50 x 50, 40 x 50
// or 40 x 40 cm on paper, written x first like the numbers: 40x50 is 40 cm
// north-south by 50 cm east-west (at 1:500, 200 m by 250 m on the ground).
// Sheets lie on whole multiples of their size from the grid origin (x = 0,
// y = 0 of the coordinates as stored), so a corner is a whole number of
// metres at every scale and all arithmetic here is exact integer metres.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "coords/utlbxy.h"
#include "sheets/sheet_neighbours.h"

namespace tarvik {

// Size of a sheet on paper in centimetres: x north-south, y east-west.
struct RectLayout {
  int xCm = 50, yCm = 50;
  bool operator==(const RectLayout&) const = default;
};

// The layouts of the series in order of preference: 50x50, 40x50, 40x40.
const std::array<RectLayout, 3>& RectLayouts();
// "50x50", "40x50" or "40x40" (also with "X" or "×"); none for anything else.
std::optional<RectLayout> ParseRectLayout(std::string_view text);
std::string RectLayoutName(RectLayout layout);

// Whether a scale denominator is one of the rectangular scales (500, 1000,
// 2000, 5000).
bool IsRectScale(long denominator);
// Decimals of the kilometre numbers: 2, 1, 1, 0; -1 for other scales.
int RectNumberDecimals(long denominator);
// Why the layout's sheets cannot be numbered at the scale (a side is not a
// whole multiple of the number's last digit, as 50 cm at 1:5000 = 2.5 km),
// or why the scale has no rectangular sheets; none when they can.
std::optional<std::string> RectLayoutProblem(long denominator, RectLayout layout);

// One sheet: its scale and layout, and its place in the grid (row counts
// sheets northwards from x = 0, col eastwards from y = 0).
struct RectSheet {
  long denominator = 500;
  RectLayout layout;
  std::int64_t row = 0, col = 0;

  // Sides on the ground in whole metres: x north-south, y east-west.
  std::int64_t xSize() const;
  std::int64_t ySize() const;
  // South-west corner in metres.
  std::int64_t south() const { return row * xSize(); }
  std::int64_t west() const { return col * ySize(); }
  // "x-y" in kilometres with the scale's decimals.
  std::string number() const;
  bool operator==(const RectSheet&) const = default;
};

// Whether a text is written like a rectangular number (starts with a digit
// and has a "-" after it), as opposed to a sheet number of the national
// series (which starts with a row letter).
bool LooksLikeRectNumber(std::string_view text);

// Reads "x-y" at the scale. With a layout, the number must lie on that
// layout's grid; without one, the first layout of RectLayouts that numbers
// at this scale and holds the number on its grid is taken. A text that is
// not "x-y" in non-negative kilometres, a scale without rectangular sheets,
// or a corner off the grid is refused with the reason (Chinese, for the
// user, beginning "输入的" + text + ",错误的图幅号").
std::variant<RectSheet, std::string> ParseRectNumber(std::string_view text, long denominator,
                                                     std::optional<RectLayout> layout = std::nullopt);

// The eight neighbours' numbers in table order (kNeighbourSteps); none west
// of y = 0 or south of x = 0.
NeighbourNumbers RectNeighbours(const RectSheet& sheet);

// The sheet whose corners these are (planar metres; eastings and northings
// in corner order lower-left, upper-left, upper-right, lower-right), when
// they form a sheet of a layout at the scale to within a millimetre.
std::optional<RectSheet> RectSheetOfCorners(long denominator, const std::array<long double, 4>& east,
                                            const std::array<long double, 4>& north);

// The sheets of the layout at the scale that overlap the area (northings
// xMin..xMax, eastings yMin..yMax, metres, at or above 0); sheets that only
// touch its edges do not count. Row by row from north to south, west to
// east within a row.
std::int64_t RectSheetCount(long denominator, RectLayout layout, long double xMin, long double yMin,
                            long double xMax, long double yMax);
std::vector<RectSheet> RectSheetsIn(long denominator, RectLayout layout, long double xMin, long double yMin,
                                    long double xMax, long double yMax);

// Refuses (RunError) a sheet whose corners cannot be Gauss-Krueger
// coordinates of the run's parameters (eastings of another zone, a zone
// number the run does not expect or lacks, a position beyond the meridian's
// reach): the frame would be written under a coordinate system that does not
// describe it.
void CheckRectSheetCoordinates(const CoordParams& p, const RectSheet& sheet);

}  // namespace tarvik
