// Rows of the frame catalog table (tarvik_frames): one row per feature
// dataset and one per class, written when the frame is committed.
// Internal to src/gdb; readers go through output_reader.h.
//
// The shared layout (output_layout.h) records its dataset and classes once
// (frame empty, frame_field "FrameName") and every frame in a row of its own
// (kind "frame") with its reference scale, the extent of its features and
// their OBJECTIDs in each class.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "coords/spatial_reference.h"
#include "gdb/store.h"

namespace tarvik::detail {

struct CatalogRow {
  std::string frame;              // frame name (the dataset name without its "y")
  std::string dataset;            // "y" + frame name
  std::string item;               // the dataset or class name as stored
  std::string kind;               // "dataset", "line", "polygon", "annotation" or "frame"
  double referenceScale = 0;      // annotation: scale denominator
  std::string referenceUnits;     // annotation: "meters"
  std::string annotationClasses;  // annotation: "Default"
  std::string srsWkt;
  int epsg = 0;
  bool hasDomain = false;
  double domainXMin = 0, domainYMin = 0, domainXMax = 0, domainYMax = 0;
  double xyResolution = 0;
  // Shared layout: the field naming each feature's frame; frames: the
  // extent of the frame's features (store coordinates).
  std::string frameField;
  bool hasExtent = false;
  double extentXMin = 0, extentYMin = 0, extentXMax = 0, extentYMax = 0;
  // Frames of the shared layout: the OBJECTIDs of the frame's features in
  // the line, polygon and text class, first and last (0 when none).
  std::int64_t idFirst[3] = {0, 0, 0};
  std::int64_t idLast[3] = {0, 0, 0};
  // How the run's input reached the frame's system (its system, the given
  // transformation); empty when it was in it already.
  std::string inputTransform;
  // The frame's row (dataset or frame): the numbers of its three-north
  // diagram; empty when it has none.
  std::string northDiagram;
};

// The catalog columns of those OBJECTIDs, in the order line, polygon, text.
inline constexpr const char* kIdFirstColumns[3] = {"line_first", "polygon_first", "text_first"};
inline constexpr const char* kIdLastColumns[3] = {"line_last", "polygon_last", "text_last"};

CatalogRow RowFor(const std::string& dataset, const std::string& item, const std::string& kind,
                  const SpatialReference& ref);
// The entry of a class of the dataset whose entry is `datasetRow`.
CatalogRow ClassRow(const CatalogRow& datasetRow, const std::string& item, const std::string& kind);
// Appends a row to the catalog table; false when the store refused it. The
// rows of a frame are kept by the store until the frame's commit.
bool AppendCatalogRow(OGRLayer* catalog, const CatalogRow& row);
// Each row of the catalog in turn, none kept: a catalog of a few hundred
// thousand frames is read without holding it. `filter` (an OGR attribute filter) limits the
// rows read; the catalog is left unfiltered.
void ForEachCatalogRow(OGRLayer* catalog, const std::function<void(const CatalogRow&)>& fn,
                       const char* filter = nullptr);
// Adds the columns of the shared layout (frame_field, extent_*, *_first,
// *_last) to a catalog that lacks them; false when the store refused one.
bool AddSharedLayoutColumns(OGRLayer* catalog);
// Adds the column input_transform to a catalog that lacks it; false when the
// store refused it.
bool AddInputTransformColumn(OGRLayer* catalog);
// Adds the column north_diagram to a catalog that lacks it; false when the
// store refused it.
bool AddNorthDiagramColumn(OGRLayer* catalog);

}  // namespace tarvik::detail
