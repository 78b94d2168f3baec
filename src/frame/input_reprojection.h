// An input in another coordinate system than the run's: its shapes put into
// the run's system before anything is checked or drawn, so that the frame
// engine only ever sees coordinates of the run's system.
//
// - A sheet index: the sheet's corners come from its number when a number
//   field reads as a sheet number (exact: the corners of the number in the
//   run's system, as a typed number's), provided the sheet's shape lies on
//   that sheet; otherwise from its four vertices, transformed one by one
//   (the corners of a sheet are points, not edges to follow).
// - A polygon file: the shape transformed with its edges densified, so
//   that its envelope is its true envelope in the run's plane.
//
// The run's system is the planar Gauss-Krueger system of the run for
// polygon files and planar output, and the datum's longitude/latitude for a
// sheet index framed in geographic output (store order throughout:
// easting or longitude first).
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "coords/utlbxy.h"
#include "gdb/coordinate_transform.h"
#include "gdb/feature.h"
#include "gdb/geometry.h"

namespace tarvik {

class InputReprojection {
 public:
  // The features of a sheet index; `numberFields` may hold the sheets'
  // numbers (empty names are passed over), `coords` and `geographic` are
  // the run's.
  static std::shared_ptr<InputReprojection> ForSheets(CoordinateTransform transform,
                                                      std::vector<std::string> numberFields,
                                                      CoordParams coords, bool geographic);
  // The polygons of a polygon file.
  static std::shared_ptr<InputReprojection> ForAreas(CoordinateTransform transform);

  // The feature's shape in the run's system, or why it has none there (a
  // vertex PROJ cannot transform, a number that names another place).
  std::variant<Geometry, std::string> shapeOf(const Feature& feature);

  // What the run does with the input ("EPSG:32650 → …；<note>").
  const std::string& description() const { return transform_.description(); }

 private:
  explicit InputReprojection(CoordinateTransform transform) : transform_(std::move(transform)) {}
  std::variant<Geometry, std::string> sheetOf(const Feature& feature);

  CoordinateTransform transform_;
  bool sheets_ = false;
  std::vector<std::string> numberFields_;
  CoordParams coords_;
  bool geographic_ = false;
};

}  // namespace tarvik
