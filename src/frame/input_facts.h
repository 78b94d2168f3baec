// What an input file (a sheet index or any polygon file) tells before a run:
// its geometry, how many features it has, its coordinate system and the
// fields that can name the frames. The window reads it when a file is
// picked, the command line before a frame run, `fields` shows it, and
// `make-index --cover` takes its area and system from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coords/spatial_reference.h"
#include "frame/input_coordinates.h"
#include "gdb/feature_class.h"
#include "gdb/geometry.h"

namespace tarvik {

struct InputInspection {
  std::string path;
  FeatureClass cls;       // the file's one layer, open for reading
  SpatialReference ref;   // the file's system; empty when it has none
  bool polygons = false;  // the layer holds polygons
  std::int64_t featureCount = 0;
  std::vector<std::string> nameFields;  // fields whose values differ on every feature
  // What the system says about the run's coordinate settings; none when it
  // cannot be read (no system: coordinateError says why).
  std::optional<InputCoordinates> coords;
  std::string coordinateError;

  // The coordinates, or RunError with coordinateError.
  const InputCoordinates& coordinates() const;
};

// What a run does with the input's coordinates when its options leave the
// output system to the input (fields, the window's file box):
//   "as-is"      a system of the datum table: the frames are drawn in it;
//   "reproject"  another system on a datum of the table (UTM, Web Mercator):
//                put into that datum's Gauss-Krueger zone of its centre;
//   "transform"  a system on a datum off the table: only with a given
//                transformation (seven parameters or a PROJ pipeline);
//   "describe"   no system, or one that names no place: the options must
//                say what its coordinates are.
struct InputUse {
  std::string key;
  std::string text;  // for the person
};
InputUse DefaultInputUse(const InputInspection& input);

// Whether the input's features look like the sheets of a standard sheet
// index (most of its first features are four-corner sheets in its own
// system) rather than arbitrary polygons.
bool LooksLikeSheetIndex(const InputInspection& input);

// What a run would frame, for a map of it before it runs: the selected
// features' rings in the input's own coordinates (at most `limit` of them)
// with the naming field's value, or a typed sheet and its neighbours.
struct MapShapes {
  struct Shape {
    std::vector<std::vector<Point2>> rings;
    std::string label;
    bool main = true;  // false: a neighbour of the typed sheet
  };
  std::vector<Shape> shapes;
  bool geographic = false;    // longitude/latitude (drawn squeezed east-west)
  std::int64_t selected = 0;  // features the condition selects; -1: more than `limit`
  std::string problem;        // why nothing can be shown (a bad condition)
};
MapShapes InputMapShapes(const InputInspection& input, const std::string& where,
                         const std::string& labelField, std::size_t limit);
// A typed sheet number (current, old or at `denominator` a rectangular
// one) and its eight neighbours; `problem` says why not.
MapShapes SheetMapShapes(const std::string& number, long denominator);

// Opens and reads the file; writes nothing. RunError "文件" + path + ",不存在"
// for a missing file and "不能打开" + path + "，它不是可以读取的shapefile" for
// one that does not open. A layer that holds no polygons or has no system is
// reported in the result, not refused: each caller says what it needs.
InputInspection InspectInput(const std::string& path);

}  // namespace tarvik
