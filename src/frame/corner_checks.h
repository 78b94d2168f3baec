// Corner labels in latitude and longitude are drawn only for corners from
// 1° to 90° north and from 20° to 180° east (CheckLatLon, label_format.h):
// a frame whose corners lie outside would stop its run in the middle with
// "参数设置错误". The checks here find such frames before a run starts, from
// the corners the builders label, converted exactly as they convert them.
//
// Angles are decimal degrees; planar values metres (X northing, Y easting;
// envelopes and vertices in store order, x easting).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "gdb/geometry.h"
#include "settings/frame_settings.h"

namespace tarvik {

struct CornerLonLat {
  long double lon = 0, lat = 0;
};

// A typed national sheet with these corners (its sheet's latitude and
// longitude: lower left, upper left, upper right, lower right): why its
// corner labels cannot be drawn, or none.
std::optional<std::string> SheetCornerProblem(const TFrameSettings& settings,
                                              const std::array<CornerLonLat, 4>& sheetCorners);
// A graticule sheet of an index, its polygon as stored (degrees when the
// index is geographic, metres otherwise).
std::optional<std::string> IndexSheetCornerProblem(const TFrameSettings& settings, const Geometry& sheet,
                                                   bool geographicIndex);
// The frame around a polygon with this envelope (metres), at the settings'
// scale and map margin.
std::optional<std::string> PolygonFrameCornerProblem(const TFrameSettings& settings,
                                                     const Envelope& envelope);

// What the person can do about such frames; `selected`: frames of a file,
// which a condition can leave out.
std::string CornerAdvice(const TFrameSettings& settings, bool standardSheet, bool selected);

}  // namespace tarvik
