// The slope ruler (坡度尺): for a contour interval h and the sheet's scale,
// the horizontal distance on paper between contours for each slope alpha,
// d = n h / tan(alpha) / scale, drawn as a vertical line at the slope's
// mark on a base line, and a curve through their tops.
//
// Two parts on one base line, a mark every `step` mm: adjacent contours
// (n = 1) for the gentle slopes 0.5 and 1..10 degrees, and six contours
// (five intervals, n = 5: from index contour to index contour) for 5..30
// degrees, where adjacent contours lie too close to measure. Under each
// mark its slope ("0.5°"), under each part what it measures, and under
// both the contour interval.
#pragma once

#include <vector>

#include "frame/paper_drawing.h"

namespace tarvik {

struct SlopeMark {
  double slope;     // degrees
  int intervals;    // contour intervals measured: 1 or 5
  double x;         // mm from the left end of the base line
  double distance;  // mm on paper
};

// The marks of the ruler for contour interval h (metres) at the scale.
std::vector<SlopeMark> SlopeMarks(double contourInterval, double scaleDenominator, double stepMm);

// The ruler with the left end of its base line at (0, 0).
PaperDrawing SlopeRuler(double contourInterval, double scaleDenominator, double stepMm, double emMm);

// The usual basic contour interval of a scale (metres): 0.5 at 1:500, 1 at
// 1:1000 and 1:2000, 2 at 1:5000, 2.5 at 1:10 000, 5 at 1:25 000, 10 at
// 1:50 000, 20 at 1:100 000, 50 at 1:250 000, 100 at 1:500 000, 200 at
// 1:1 000 000; other scales 0.2 mm on paper.
double UsualContourInterval(double scaleDenominator);

}  // namespace tarvik
