// Whether coordinates belong to the run's central meridian at all: checked
// before anything is written, so that a frame is never drawn hundreds of
// kilometres off its meridian, or labelled in another zone than it is in.
//
// A Gauss-Krueger zone is used up to half its width from the central
// meridian; a frame may reach one degree further (sheets straddling a zone
// edge are drawn in the zone of their west edge). Anything beyond is a
// meridian chosen for other data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "coords/utlbxy.h"

namespace tarvik {

// Degrees of longitude a frame may lie from its central meridian: half the
// zone width plus one degree (2.5 for 3-degree zones, 4 for 6-degree zones).
long double ZoneReach(bool is3Degree);

// The central meridian of the zone of that width holding the longitude
// (decimal degrees): 3-degree zones Floor((L + 1.5) / 3) x 3, 6-degree
// zones (Floor(L / 6) + 1) x 6 - 3 (the same as with Trunc east of
// Greenwich; west of it -93 for -94.5 .. -91.5).
long double ZoneMeridianOf(long double longitude, bool is3Degree);

// Refuses (RunError) longitudes (degrees) beyond the reach of the run's
// central meridian, naming both and what would suit: the meridian of the
// run's zone width that reaches over them, else 6-degree zones and their
// meridian (1:1 000 000 and 1:500 000 sheets in 3-degree zones), else that
// no zone holds them.
// `what` names the data in the message ("数据", "图幅 E45G095066").
void CheckLongitudeReach(const CoordParams& p, long double lonMin, long double lonMax,
                         const std::string& what);

// Refuses (RunError) a planar extent (store order: eastings, northings in
// metres) that cannot be Gauss-Krueger coordinates of the run's
// parameters: eastings whose zone number is not the meridian's (or that
// carry one the run does not expect, or lack the one it does), or positions
// that turn back into longitudes beyond the meridian's reach.
void CheckPlanarReach(const CoordParams& p, double eMin, double nMin, double eMax, double nMax,
                      const std::string& what);

// The features of an input judged one at a time against the run's
// meridian, each by its own extent. The extent of them all is no measure:
// the corners of a whole zone's rectangle in the plane lie far outside
// every sheet (its west corner at the north edge is the easting of the
// zone's edge at the south edge, degrees further out up north).
class ReachJudge {
 public:
  // `geographic`: extents in degrees (longitude, latitude), else planar
  // (eastings, northings in metres, store order). `reprojected`: the
  // eastings were computed into the run's system, so their zone number
  // tells nothing (an easting past 1000 km is only far off), and only the
  // longitudes are judged.
  ReachJudge(const CoordParams& p, bool geographic, bool reprojected = false)
      : p_(p), geographic_(geographic), reprojected_(reprojected) {}
  // One feature's extent; `label` names it in a refusal.
  void add(double xMin, double yMin, double xMax, double yMax, const std::string& label);
  // Features beyond reach so far.
  std::int64_t outOfReach() const { return count_; }
  // RunError when any feature is beyond reach: the first ten (each with its
  // longitudes, or why its coordinates are none of the run's system), how
  // many there are, and what would hold all of them (a meridian, or 6-degree
  // zones, or splitting the input). `path` names the input.
  void check(const std::string& path) const;

 private:
  CoordParams p_;
  bool geographic_, reprojected_;
  std::int64_t count_ = 0;
  std::vector<std::string> lines_;       // the first ten
  bool prefixWrong_ = false;             // a feature's eastings carry the wrong zone number
  long double lonMin_ = 0, lonMax_ = 0;  // of every feature whose longitudes are known
  bool anyLon_ = false;
};

}  // namespace tarvik
