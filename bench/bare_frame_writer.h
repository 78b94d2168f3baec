// The baseline of the output benchmarks: the same output as the program writes
// for a frame (feature dataset, line, polygon and annotation classes with
// their fields, the frame catalog rows, the features), written with bare GDAL
// calls and nothing else. Header-only; used by the benchmark programs.
#pragma once

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "coords/spatial_reference.h"

namespace bench {

class BareFrameWriter {
 public:
  // `domain` is the frame reference's XY domain (File GDB origin and scale).
  BareFrameWriter(const std::string& path, const tarvik::SpatialReference& ref)
      : gpkg_(path.size() > 5 && path.substr(path.size() - 5) == ".gpkg"), ref_(ref), wkt_(ref.wkt()) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(gpkg_ ? "GPKG" : "OpenFileGDB");
    char** create = gpkg_ ? CSLSetNameValue(nullptr, "ADD_GPKG_OGR_CONTENTS", "NO") : nullptr;
    ds_ = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, create);
    CSLDestroy(create);
    if (!ds_) {
      std::fprintf(stderr, "cannot create %s\n", path.c_str());
      std::exit(1);
    }
  }
  ~BareFrameWriter() { close(); }
  void close() {
    if (ds_) GDALClose(ds_);
    ds_ = nullptr;
  }

  struct FrameLayers {
    OGRLayer* lines = nullptr;
    OGRLayer* polygons = nullptr;
    OGRLayer* texts = nullptr;
  };

  // Starts a frame (GeoPackage: its transaction): the catalog rows and the
  // three classes with their fields, ready for features. endFrame() ends it.
  FrameLayers beginFrame(const std::string& name) {
    if (gpkg_) ds_->StartTransaction();
    if (!catalog_) createCatalog();
    row(name, "y" + name, "dataset");
    char** o = nullptr;
    o = CSLSetNameValue(o, "GEOMETRY_NAME", "Shape");
    o = CSLSetNameValue(o, "FID", "OBJECTID");
    const auto& d = ref_.domain();
    if (gpkg_) {
      o = CSLSetNameValue(o, "SPATIAL_INDEX", "NO");
    } else {
      o = CSLSetNameValue(o, "FEATURE_DATASET", ("y" + name).c_str());
      o = CSLSetNameValue(o, "XORIGIN", std::to_string(d.xMin).c_str());
      o = CSLSetNameValue(o, "YORIGIN", std::to_string(d.yMin).c_str());
      o = CSLSetNameValue(o, "XYSCALE", ref_.isGeographic() ? "1000000000" : "10000");
      o = CSLSetNameValue(o, "XYTOLERANCE", ref_.isGeographic() ? "0.00000001" : "0.001");
    }
    OGRSpatialReference* srs = const_cast<OGRSpatialReference*>(ref_.ogr());
    FrameLayers layers;
    layers.lines = ds_->CreateLayer(("L_" + name).c_str(), srs, wkbLineString, o);
    layers.polygons = ds_->CreateLayer(("p_" + name).c_str(), srs, wkbPolygon, o);
    layers.texts = ds_->CreateLayer(("a_" + name).c_str(), srs, wkbPoint, o);
    CSLDestroy(o);
    OGRFieldDefn id("ID", OFTInteger);
    layers.lines->CreateField(&id);
    layers.polygons->CreateField(&id);
    row(name, "L_" + name, "line");
    row(name, "p_" + name, "polygon");
    OGRLayer* A = layers.texts;
    for (const char* n : {"TextString", "FontName"}) {
      OGRFieldDefn f(n, OFTString);
      A->CreateField(&f);
    }
    OGRFieldDefn size("FontSize", OFTReal);
    A->CreateField(&size);
    for (const char* n : {"Bold", "Italic", "Underline", "HorizontalAlignment", "VerticalAlignment"}) {
      OGRFieldDefn f(n, OFTInteger);
      f.SetSubType(OFSTInt16);
      A->CreateField(&f);
    }
    for (const char* n : {"CharacterSpacing", "Angle"}) {
      OGRFieldDefn f(n, OFTReal);
      A->CreateField(&f);
    }
    for (const char* n : {"AnnotationClassID", "Color"}) {
      OGRFieldDefn f(n, OFTInteger);
      A->CreateField(&f);
    }
    row(name, "a_" + name, "annotation");
    return layers;
  }
  void endFrame() {
    if (gpkg_) ds_->CommitTransaction();
  }

  // One frame: `lines` two-point lines, `polygons` rectangles and `texts`
  // texts around (x0, y0).
  void writeFrame(const std::string& name, int lines, int polygons, int texts, double x0, double y0) {
    const FrameLayers layers = beginFrame(name);
    OGRLayer* L = layers.lines;
    OGRLayer* P = layers.polygons;
    OGRLayer* A = layers.texts;
    OGRFeature* f = OGRFeature::CreateFeature(L->GetLayerDefn());
    for (int k = 0; k < lines; ++k) {
      OGRLineString line;
      line.addPoint(x0 + k * 10, y0);
      line.addPoint(x0 + k * 10, y0 + 5000);
      f->SetGeometry(&line);
      f->SetField(0, 1);
      f->SetFID(OGRNullFID);
      if (L->CreateFeature(f) != OGRERR_NONE) std::fprintf(stderr, "line refused\n");
    }
    OGRFeature::DestroyFeature(f);
    f = OGRFeature::CreateFeature(P->GetLayerDefn());
    for (int k = 0; k < polygons; ++k) {
      OGRPolygon polygon;
      OGRLinearRing ring;
      ring.addPoint(x0, y0);
      ring.addPoint(x0, y0 + 100);
      ring.addPoint(x0 + 100, y0 + 100);
      ring.addPoint(x0 + 100, y0);
      ring.addPoint(x0, y0);
      polygon.addRing(&ring);
      f->SetGeometry(&polygon);
      f->SetField(0, 1);
      f->SetFID(OGRNullFID);
      if (P->CreateFeature(f) != OGRERR_NONE) std::fprintf(stderr, "polygon refused\n");
    }
    OGRFeature::DestroyFeature(f);
    f = OGRFeature::CreateFeature(A->GetLayerDefn());
    for (int k = 0; k < texts; ++k) {
      OGRPoint p(x0 + k * 20, y0 - 100);
      f->SetGeometry(&p);
      f->SetField(0, ("示例文字 " + std::to_string(k)).c_str());
      f->SetField(1, "宋体");
      f->SetField(2, 10.0);
      f->SetField(3, 0);
      f->SetField(4, 0);
      f->SetField(5, 0);
      f->SetField(6, 1);
      f->SetField(7, 3);
      f->SetField(8, 0.0);
      f->SetField(9, 0.0);
      f->SetField(10, 0);
      f->SetField(11, 0);
      f->SetFID(OGRNullFID);
      if (A->CreateFeature(f) != OGRERR_NONE) std::fprintf(stderr, "text refused\n");
    }
    OGRFeature::DestroyFeature(f);
    endFrame();
  }

 private:
  void createCatalog() {
    char** o = gpkg_ ? CSLSetNameValue(nullptr, "FID", "OBJECTID") : nullptr;
    catalog_ = ds_->CreateLayer("tarvik_frames", nullptr, wkbNone, o);
    CSLDestroy(o);
    for (const char* n : {"frame", "dataset", "item", "kind"}) {
      OGRFieldDefn f(n, OFTString);
      catalog_->CreateField(&f);
    }
    OGRFieldDefn rs("reference_scale", OFTReal), ru("reference_units", OFTString),
        ac("annotation_classes", OFTString), wkt("srs_wkt", OFTString), epsg("epsg", OFTInteger);
    for (OGRFieldDefn* f : {&rs, &ru, &ac, &wkt, &epsg}) catalog_->CreateField(f);
    for (const char* n : {"domain_xmin", "domain_ymin", "domain_xmax", "domain_ymax", "xy_resolution"}) {
      OGRFieldDefn f(n, OFTReal);
      catalog_->CreateField(&f);
    }
  }
  void row(const std::string& frame, const std::string& item, const char* kind) {
    OGRFeature* f = OGRFeature::CreateFeature(catalog_->GetLayerDefn());
    f->SetField("frame", frame.c_str());
    f->SetField("dataset", ("y" + frame).c_str());
    f->SetField("item", item.c_str());
    f->SetField("kind", kind);
    if (std::string(kind) == "annotation") {
      f->SetField("reference_scale", 10000.0);
      f->SetField("reference_units", "meters");
      f->SetField("annotation_classes", "Default");
    }
    const auto& d = ref_.domain();
    f->SetField("srs_wkt", wkt_.c_str());
    f->SetField("epsg", ref_.epsgCode());
    f->SetField("domain_xmin", d.xMin);
    f->SetField("domain_ymin", d.yMin);
    f->SetField("domain_xmax", d.xMax);
    f->SetField("domain_ymax", d.yMax);
    f->SetField("xy_resolution", ref_.xyResolution());
    if (catalog_->CreateFeature(f) != OGRERR_NONE) std::fprintf(stderr, "catalog row refused\n");
    OGRFeature::DestroyFeature(f);
  }

  bool gpkg_;
  tarvik::SpatialReference ref_;
  std::string wkt_;
  GDALDataset* ds_ = nullptr;
  OGRLayer* catalog_ = nullptr;
};

}  // namespace bench
