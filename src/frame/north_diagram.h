// The three-north diagram (三北方向图): true north, grid north and magnetic
// north from one base point, with the angles between them.
//
// Angles are in degrees, positive east (clockwise from true north):
// convergence = grid north from true north (子午线收敛角), declination =
// magnetic north from true north (磁偏角); the grid-magnetic angle (磁坐偏角)
// is magnetic north from grid north, declination - convergence.
//
// Drawn: true north straight up, length L; grid north 0.85 L and magnetic
// north 0.7 L (so that their names, above their tops, stand at different
// heights), magnetic north with an arrowhead. Angles smaller than
// kMinDrawnAngle between neighbouring lines are drawn that wide, keeping
// the lines' order, as printed sheets do; the labels give the true values.
// Each angle has an arc (convergence at 0.62 L, declination at 0.46 L, the
// grid-magnetic angle at 0.30 L) and a label beside the lines at the arc's
// height: on the east side when the arc reaches east of true north, else
// on the west. Under the base point: the year of the declination and its
// annual change.
#pragma once

#include <optional>
#include <string>

#include "frame/paper_drawing.h"

namespace tarvik {

inline constexpr double kMinDrawnAngle = 8;  // degrees

struct NorthAngles {
  double convergence = 0;  // degrees
  double declination = 0;  // degrees
  // Arc minutes per year, east positive; none when not known.
  std::optional<double> annualChange;
  int year = 0;  // of the declination
};

// "3°24′" for 3.4 or -3.4: whole arc minutes, rounded.
std::string DegreesMinutes(double degrees);
// "东偏0°12′", "西偏3°24′", "0°00′".
std::string EastWest(double degrees);

// The diagram with its base point at (0, 0); L and the text height (em) in
// millimetres.
PaperDrawing NorthDiagram(const NorthAngles& angles, double lengthMm, double emMm);

// The directions (degrees from straight up, clockwise) the three lines are
// drawn at: [0] true, [1] grid, [2] magnetic.
struct DrawnDirections {
  double trueNorth = 0, gridNorth = 0, magneticNorth = 0;
};
DrawnDirections DrawnNorthDirections(const NorthAngles& angles);

}  // namespace tarvik
