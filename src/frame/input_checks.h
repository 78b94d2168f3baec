// What makes an input feature, or a whole input file, one the builders
// cannot frame: its shape, and how its coordinate system fits the mode and
// the output coordinates. The checks before a run and the builders during
// it ask the same questions here.
#pragma once

#include <optional>
#include <string>

#include "coords/spatial_reference.h"
#include "coords/utlbxy.h"
#include "gdb/feature.h"
#include "gdb/feature_class.h"
#include "gdb/geometry.h"

namespace tarvik {

// Why a shape cannot be framed, or nothing. Every shape needs coordinates,
// all of them numbers (no NaN, no infinity). A sheet of a standard sheet
// index must be one ring of four corners (four or five vertices).
std::optional<std::string> FrameShapeProblem(const Geometry& shape, bool sheetIndex);
// A sheet of a standard sheet index: FrameShapeProblem, then whether its
// corners are a sheet at all (ReadIndexSheet, index_sheets.h), read with
// the run's coordinate parameters (planar) or as stored (`geographic`).
std::optional<std::string> IndexSheetProblem(const Geometry& shape, const CoordParams& coords,
                                             bool geographic);

// How a feature is named in messages: "要素(FID=3, TFH=E45G094065)", the
// field left out when empty or not given.
std::string FeatureLabel(const Feature& feature, const std::string& nameField);

// RunError unless the input opened and holds polygons.
void CheckPolygonInput(const FeatureClass& input, const std::string& path);
// RunError unless a sheet index's corners can be read as the output wants
// them: degrees for geographic output, metres for planar output.
void CheckIndexCoordinates(const SpatialReference& indexRef, const std::string& path, bool geodeticOutput);
// RunError unless a polygon file has a system and is planar: a frame around
// a polygon is computed in metres from its envelope.
void CheckAreaCoordinates(const SpatialReference& inputRef, const std::string& path);

}  // namespace tarvik
