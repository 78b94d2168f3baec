#include "frame/slope_ruler.h"

#include <cmath>
#include <numbers>

#include "common/delphi.h"

namespace tarvik {
namespace {

constexpr double kRad = std::numbers::pi / 180;
constexpr double kAdjacent[] = {0.5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
constexpr double kSix[] = {5, 10, 15, 20, 25, 30};
constexpr int kPartGap = 2;     // steps between the two parts
constexpr int kCurveSteps = 5;  // segments of the curve between two marks

double Distance(double h, double scale, int intervals, double slope) {
  return intervals * h / std::tan(slope * kRad) / scale * 1000;
}

std::string SlopeText(double slope) { return FormatFixed(slope, slope == std::floor(slope) ? 0 : 1) + "°"; }

}  // namespace

double UsualContourInterval(double scale) {
  const struct {
    double scale, interval;
  } usual[] = {{500, 0.5},  {1000, 1},    {2000, 1},    {5000, 2},     {10000, 2.5},  {25000, 5},
               {50000, 10}, {100000, 20}, {250000, 50}, {500000, 100}, {1000000, 200}};
  for (const auto& u : usual)
    if (std::fabs(scale - u.scale) < 0.5) return u.interval;
  return scale * 0.0002;
}

std::vector<SlopeMark> SlopeMarks(double h, double scale, double step) {
  std::vector<SlopeMark> marks;
  int at = 0;
  for (double s : kAdjacent) marks.push_back({s, 1, step * at++, Distance(h, scale, 1, s)});
  at += kPartGap - 1;
  for (double s : kSix) marks.push_back({s, 5, step * at++, Distance(h, scale, 5, s)});
  return marks;
}

PaperDrawing SlopeRuler(double h, double scale, double step, double em) {
  PaperDrawing d;
  const std::vector<SlopeMark> marks = SlopeMarks(h, scale, step);
  const double gap = 0.25 * em;
  double partStart = 0;
  for (std::size_t i = 0; i < marks.size(); ++i) {
    const SlopeMark& m = marks[i];
    const bool partEnds = i + 1 == marks.size() || marks[i + 1].intervals != m.intervals;
    d.lines.push_back({m.x, 0, m.x, m.distance});
    d.texts.push_back({SlopeText(m.slope), m.x, -gap, kCentre, kTop});
    if (!partEnds) {
      // The curve to the next mark, the slope changing evenly between them.
      const SlopeMark& n = marks[i + 1];
      for (int k = 0; k < kCurveSteps; ++k) {
        const double a = m.slope + (n.slope - m.slope) * k / kCurveSteps;
        const double b = m.slope + (n.slope - m.slope) * (k + 1) / kCurveSteps;
        d.lines.push_back({m.x + (n.x - m.x) * k / kCurveSteps, Distance(h, scale, m.intervals, a),
                           m.x + (n.x - m.x) * (k + 1) / kCurveSteps, Distance(h, scale, m.intervals, b)});
      }
      continue;
    }
    // The part's base line and what it measures.
    d.lines.push_back({partStart, 0, m.x, 0});
    d.texts.push_back({m.intervals == 1 ? "相邻两条等高线" : "相邻六条等高线", (partStart + m.x) / 2,
                       -gap - 1.2 * em, kCentre, kTop});
    if (i + 1 < marks.size()) partStart = marks[i + 1].x;
  }
  d.texts.push_back(
      {"坡度尺　等高距" + FloatToStr(h) + "米", marks.back().x / 2, -gap - 2.4 * em, kCentre, kTop});
  return d;
}

}  // namespace tarvik
