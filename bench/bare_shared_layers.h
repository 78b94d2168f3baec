// The shared layout's three classes and its catalog made with GDAL alone,
// the same names, fields and creation options the store uses: what the bare
// writes of the shared benchmarks fill.
#pragma once

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <string>

#include "coords/spatial_reference.h"

namespace bench {

inline OGRLayer* NewBareLayer(GDALDataset* ds, bool gpkg, const char* name, OGRwkbGeometryType type,
                              const tarvik::SpatialReference& ref) {
  char** o = nullptr;
  o = CSLSetNameValue(o, "GEOMETRY_NAME", "Shape");
  o = CSLSetNameValue(o, "FID", "OBJECTID");
  if (gpkg) {
    o = CSLSetNameValue(o, "SPATIAL_INDEX", "NO");
  } else {
    const auto& d = ref.domain();
    o = CSLSetNameValue(o, "FEATURE_DATASET", "yframes");
    o = CSLSetNameValue(o, "XORIGIN", std::to_string(d.xMin).c_str());
    o = CSLSetNameValue(o, "YORIGIN", std::to_string(d.yMin).c_str());
    o = CSLSetNameValue(o, "XYSCALE", "10000");
    o = CSLSetNameValue(o, "XYTOLERANCE", "0.001");
  }
  OGRLayer* layer = ds->CreateLayer(name, const_cast<OGRSpatialReference*>(ref.ogr()), type, o);
  CSLDestroy(o);
  return layer;
}

inline void AddBareField(OGRLayer* layer, const char* name, OGRFieldType type,
                         OGRFieldSubType sub = OFSTNone) {
  OGRFieldDefn f(name, type);
  f.SetSubType(sub);
  layer->CreateField(&f);
}

struct BareSharedLayers {
  OGRLayer* lines;
  OGRLayer* polygons;
  OGRLayer* texts;
  OGRLayer* catalog;
};

inline BareSharedLayers CreateBareSharedLayers(GDALDataset* ds, bool gpkg,
                                               const tarvik::SpatialReference& ref) {
  BareSharedLayers s{};
  s.lines = NewBareLayer(ds, gpkg, "L_frames", wkbLineString, ref);
  s.polygons = NewBareLayer(ds, gpkg, "p_frames", wkbPolygon, ref);
  s.texts = NewBareLayer(ds, gpkg, "a_frames", wkbPoint, ref);
  for (OGRLayer* layer : {s.lines, s.polygons}) AddBareField(layer, "ID", OFTInteger);
  for (const char* n : {"TextString", "FontName"}) AddBareField(s.texts, n, OFTString);
  AddBareField(s.texts, "FontSize", OFTReal);
  for (const char* n : {"Bold", "Italic", "Underline", "HorizontalAlignment", "VerticalAlignment"})
    AddBareField(s.texts, n, OFTInteger, OFSTInt16);
  for (const char* n : {"CharacterSpacing", "Angle"}) AddBareField(s.texts, n, OFTReal);
  for (const char* n : {"AnnotationClassID", "Color"}) AddBareField(s.texts, n, OFTInteger);
  for (OGRLayer* layer : {s.lines, s.polygons, s.texts}) AddBareField(layer, "FrameName", OFTString);
  char** o = gpkg ? CSLSetNameValue(nullptr, "FID", "OBJECTID") : nullptr;
  s.catalog = ds->CreateLayer("tarvik_frames", nullptr, wkbNone, o);
  CSLDestroy(o);
  for (const char* n : {"frame", "dataset", "item", "kind"}) AddBareField(s.catalog, n, OFTString);
  for (const char* n : {"reference_scale", "extent_xmin", "extent_ymin", "extent_xmax", "extent_ymax"})
    AddBareField(s.catalog, n, OFTReal);
  return s;
}

}  // namespace bench
