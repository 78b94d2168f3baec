#include "frame/north_diagram.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "common/delphi.h"

namespace tarvik {
namespace {

constexpr double kRad = std::numbers::pi / 180;

// The point at distance r in direction a (degrees clockwise from up).
double Ex(double r, double a) { return r * std::sin(a * kRad); }
double Ny(double r, double a) { return r * std::cos(a * kRad); }

void Arc(PaperDrawing& d, double r, double a1, double a2) {
  const double lo = std::min(a1, a2), hi = std::max(a1, a2);
  const int steps = std::max(2, static_cast<int>(std::ceil((hi - lo) / 2)));
  for (int i = 0; i < steps; ++i) {
    const double p = lo + (hi - lo) * i / steps, q = lo + (hi - lo) * (i + 1) / steps;
    d.lines.push_back({Ex(r, p), Ny(r, p), Ex(r, q), Ny(r, q)});
  }
}

}  // namespace

std::string DegreesMinutes(double degrees) {
  const long minutes = std::lround(std::fabs(degrees) * 60);
  const std::string m = std::to_string(minutes % 60);
  return std::to_string(minutes / 60) + "°" + (m.size() < 2 ? "0" + m : m) + "′";
}

std::string EastWest(double degrees) {
  if (std::lround(std::fabs(degrees) * 60) == 0) return DegreesMinutes(0);
  return (degrees > 0 ? "东偏" : "西偏") + DegreesMinutes(degrees);
}

DrawnDirections DrawnNorthDirections(const NorthAngles& angles) {
  // The three directions in their true order, spread to at least the
  // smallest drawn angle, true north kept straight up.
  std::array<std::pair<double, int>, 3> order = {
      {{0.0, 0}, {angles.convergence, 1}, {angles.declination, 2}}};
  std::stable_sort(order.begin(), order.end(), [](auto& a, auto& b) { return a.first < b.first; });
  std::array<double, 3> drawn{};
  drawn[0] = 0;
  for (int i = 1; i < 3; ++i)
    drawn[i] = drawn[i - 1] + std::max(order[i].first - order[i - 1].first, kMinDrawnAngle);
  double shift = 0;
  for (int i = 0; i < 3; ++i)
    if (order[i].second == 0) shift = drawn[i];
  std::array<double, 3> byLine{};
  for (int i = 0; i < 3; ++i) byLine[static_cast<std::size_t>(order[i].second)] = drawn[i] - shift;
  return {byLine[0], byLine[1], byLine[2]};
}

PaperDrawing NorthDiagram(const NorthAngles& angles, double L, double em) {
  PaperDrawing d;
  const DrawnDirections dir = DrawnNorthDirections(angles);
  struct Line {
    double angle, length;
    const char* name;
  };
  const Line lines[3] = {
      {dir.trueNorth, L, "真北"}, {dir.gridNorth, 0.85 * L, "坐标北"}, {dir.magneticNorth, 0.7 * L, "磁北"}};
  const double gap = 0.25 * em;
  for (const Line& l : lines) {
    d.lines.push_back({0, 0, Ex(l.length, l.angle), Ny(l.length, l.angle)});
    d.texts.push_back({l.name, Ex(l.length + gap, l.angle), Ny(l.length + gap, l.angle), kCentre, kBottom});
  }
  // The arrowhead of magnetic north: two barbs 0.12 L long, 15 degrees off.
  const double tipX = Ex(lines[2].length, dir.magneticNorth), tipY = Ny(lines[2].length, dir.magneticNorth);
  for (double side : {-15.0, 15.0}) {
    const double back = dir.magneticNorth + 180 + side;
    d.lines.push_back({tipX, tipY, tipX + Ex(0.12 * L, back), tipY + Ny(0.12 * L, back)});
  }

  // How far east (or west) the lines reach at height y: labels stand clear of all of them.
  const auto reach = [&](double y, bool east) {
    double out = 0;
    for (const Line& l : lines) {
      if (Ny(l.length, l.angle) < y) continue;
      const double x = y * std::tan(l.angle * kRad);
      out = east ? std::max(out, x) : std::min(out, x);
    }
    return out;
  };
  struct Angle {
    double from, to, radius, value;
    const char* name;
  };
  const Angle arcs[3] = {
      {dir.trueNorth, dir.gridNorth, 0.62 * L, angles.convergence, "子午线收敛角"},
      {dir.trueNorth, dir.magneticNorth, 0.46 * L, angles.declination, "磁偏角"},
      {dir.gridNorth, dir.magneticNorth, 0.30 * L, angles.declination - angles.convergence, "磁坐偏角"}};
  for (const Angle& a : arcs) {
    Arc(d, a.radius, a.from, a.to);
    const bool east = std::max(a.from, a.to) > 0;
    const double end = east ? std::max(a.from, a.to) : std::min(a.from, a.to);
    const double y = Ny(a.radius, end);
    const double x = reach(y, east) + (east ? em / 2 : -em / 2);
    d.texts.push_back({std::string(a.name) + " " + EastWest(a.value), x, y, east ? kLeft : kRight, kMiddle});
  }
  std::string note = std::to_string(angles.year) + "年磁偏角";
  if (angles.annualChange && std::lround(std::fabs(*angles.annualChange) * 10) != 0) {
    const double c = *angles.annualChange;
    note += std::string("，每年") + (c > 0 ? "东移" : "西移") + FormatFixed(std::fabs(c), 1) + "′";
  }
  d.texts.push_back({note, 0, -gap, kCentre, kTop});
  return d;
}

}  // namespace tarvik
