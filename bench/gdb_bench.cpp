// Writing frames through the geodatabase layer against a bare GDAL loop that
// writes the same output (feature dataset + line, polygon and annotation
// classes per frame, 200 lines and 100 texts, the frame catalog rows), for
// File Geodatabase and GeoPackage.
//
//   gdb_bench [frames=1000] [folder=a new temporary folder]
//
// Prints the cost per frame for every hundred frames, the time to close,
// and the ratio layer / bare.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/font_desc.h"
#include "common/user_feedback.h"
#include "coords/spatial_reference.h"
#include "gdb/annotation.h"
#include "gdb/feature_class.h"
#include "gdb/frame_domain.h"
#include "gdb/workspace.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kLines = 200;
constexpr int kTexts = 100;
constexpr double kX0 = 40520000, kY0 = 3375000;

struct Timing {
  std::vector<double> perHundred;  // ms per frame in each block of 100 frames
  double writeSeconds = 0, closeSeconds = 0;
  double total() const { return writeSeconds + closeSeconds; }
};

// Runs `frame(i)` for every frame and `close()` at the end, timing both.
Timing Measure(int frames, const std::function<void(int)>& frame, const std::function<void()>& close) {
  Timing t;
  const auto start = Clock::now();
  auto block = start;
  for (int i = 0; i < frames; ++i) {
    frame(i);
    if ((i + 1) % 100 == 0 || i + 1 == frames) {
      const auto now = Clock::now();
      const int n = (i % 100) + 1;
      t.perHundred.push_back(std::chrono::duration<double, std::milli>(now - block).count() / n);
      block = now;
    }
  }
  const auto written = Clock::now();
  close();
  t.writeSeconds = std::chrono::duration<double>(written - start).count();
  t.closeSeconds = std::chrono::duration<double>(Clock::now() - written).count();
  return t;
}

std::string FrameName(int i) {
  std::string name = std::to_string(i);
  name.insert(name.begin(), 'F');
  return name;
}

tarvik::SpatialReference Reference() {
  tarvik::SpatialReference ref = tarvik::SpatialReference::FromEpsg(2364);
  tarvik::SetFrameDomain(ref, 1.0L, kX0, kY0, kX0 + 5000, kY0 + 5000);
  return ref;
}

// ---- the layer -----------------------------------------------------------

Timing WriteWithLayer(const std::string& path, int frames) {
  tarvik::SilentFeedback feedback;
  auto ws = std::make_unique<tarvik::OutputWorkspace>(tarvik::CreateOutputWorkspace(path));
  const tarvik::SpatialReference ref = Reference();
  tarvik::FontDesc font = tarvik::FontDesc::FromPoints("宋体", 10);
  return Measure(
      frames,
      [&](int i) {
        const std::string name = FrameName(i);
        auto dataset = tarvik::CreateFrameDataset(*ws, "y" + name, ref);
        auto lines = tarvik::CreateFrameClass(*dataset, "L_" + name, tarvik::FrameClassKind::Line);
        auto polygons = tarvik::CreateFrameClass(*dataset, "p_" + name, tarvik::FrameClassKind::Polygon);
        auto anno = tarvik::CreateFrameAnnotationClass(*ws, "a_" + name, *dataset, 10000);
        auto layer = tarvik::MakeFrameLayer(anno);
        tarvik::LineBuffer buffer(lines, feedback);
        tarvik::AnnotationBatch batch(layer);
        for (int k = 0; k < kLines; ++k) buffer.add(kX0 + k * 10, kY0, kX0 + k * 10, kY0 + 5000, 1);
        const tarvik::TextAlignment align{tarvik::HorizontalAlignment::Center, tarvik::VerticalAlignment::Bottom};
        for (int k = 0; k < kTexts; ++k)
          tarvik::PlaceText("示例文字 " + std::to_string(k), font, 0, kX0 + k * 20, kY0 - 100, layer, 0, -1, align,
                            feedback);
        buffer.flush();
      },
      [&] { ws.reset(); });
}

// ---- the bare loop ---------------------------------------------------------

struct BareCatalog {
  OGRLayer* layer = nullptr;
  void create(GDALDataset* ds, bool gpkg) {
    char** o = gpkg ? CSLSetNameValue(nullptr, "FID", "OBJECTID") : nullptr;
    layer = ds->CreateLayer("tarvik_frames", nullptr, wkbNone, o);
    CSLDestroy(o);
    for (const char* n : {"frame", "dataset", "item", "kind"}) {
      OGRFieldDefn f(n, OFTString);
      layer->CreateField(&f);
    }
    OGRFieldDefn rs("reference_scale", OFTReal), ru("reference_units", OFTString), ac("annotation_classes", OFTString),
        wkt("srs_wkt", OFTString), epsg("epsg", OFTInteger);
    for (OGRFieldDefn* f : {&rs, &ru, &ac, &wkt, &epsg}) layer->CreateField(f);
    for (const char* n : {"domain_xmin", "domain_ymin", "domain_xmax", "domain_ymax", "xy_resolution"}) {
      OGRFieldDefn f(n, OFTReal);
      layer->CreateField(&f);
    }
  }
  void row(const std::string& frame, const std::string& item, const char* kind, const std::string& wkt) {
    OGRFeature* f = OGRFeature::CreateFeature(layer->GetLayerDefn());
    f->SetField("frame", frame.c_str());
    f->SetField("dataset", ("y" + frame).c_str());
    f->SetField("item", item.c_str());
    f->SetField("kind", kind);
    if (std::string(kind) == "annotation") {
      f->SetField("reference_scale", 10000.0);
      f->SetField("reference_units", "meters");
      f->SetField("annotation_classes", "Default");
    }
    f->SetField("srs_wkt", wkt.c_str());
    f->SetField("epsg", 2364);
    f->SetField("domain_xmin", 40514000.0);
    f->SetField("domain_ymin", 3369000.0);
    f->SetField("domain_xmax", 40531000.0);
    f->SetField("domain_ymax", 3386000.0);
    f->SetField("xy_resolution", 0.0001);
    if (layer->CreateFeature(f) != OGRERR_NONE) std::fprintf(stderr, "catalog row refused\n");
    OGRFeature::DestroyFeature(f);
  }
};

Timing WriteBare(const std::string& path, int frames) {
  const bool gpkg = path.ends_with(".gpkg");
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(gpkg ? "GPKG" : "OpenFileGDB");
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  const tarvik::SpatialReference ref = Reference();
  OGRSpatialReference* srs = const_cast<OGRSpatialReference*>(ref.ogr());
  const std::string wkt = ref.wkt();
  BareCatalog catalog;
  return Measure(
      frames,
      [&](int i) {
        const std::string name = FrameName(i);
        if (gpkg) ds->StartTransaction();
        if (!catalog.layer) catalog.create(ds, gpkg);
        catalog.row(name, "y" + name, "dataset", wkt);
        char** o = nullptr;
        o = CSLSetNameValue(o, "GEOMETRY_NAME", "Shape");
        o = CSLSetNameValue(o, "FID", "OBJECTID");
        if (gpkg) {
          o = CSLSetNameValue(o, "SPATIAL_INDEX", "NO");
        } else {
          o = CSLSetNameValue(o, "FEATURE_DATASET", ("y" + name).c_str());
          o = CSLSetNameValue(o, "XORIGIN", "40514000");
          o = CSLSetNameValue(o, "YORIGIN", "3369000");
          o = CSLSetNameValue(o, "XYSCALE", "10000");
          o = CSLSetNameValue(o, "XYTOLERANCE", "0.001");
        }
        OGRLayer* lines = ds->CreateLayer(("L_" + name).c_str(), srs, wkbLineString, o);
        OGRLayer* polygons = ds->CreateLayer(("p_" + name).c_str(), srs, wkbPolygon, o);
        OGRLayer* anno = ds->CreateLayer(("a_" + name).c_str(), srs, wkbPoint, o);
        CSLDestroy(o);
        OGRFieldDefn id("ID", OFTInteger);
        lines->CreateField(&id);
        polygons->CreateField(&id);
        catalog.row(name, "L_" + name, "line", wkt);
        catalog.row(name, "p_" + name, "polygon", wkt);
        for (const char* n : {"TextString", "FontName"}) {
          OGRFieldDefn f(n, OFTString);
          anno->CreateField(&f);
        }
        OGRFieldDefn size("FontSize", OFTReal);
        anno->CreateField(&size);
        for (const char* n : {"Bold", "Italic", "Underline", "HorizontalAlignment", "VerticalAlignment"}) {
          OGRFieldDefn f(n, OFTInteger);
          f.SetSubType(OFSTInt16);
          anno->CreateField(&f);
        }
        for (const char* n : {"CharacterSpacing", "Angle"}) {
          OGRFieldDefn f(n, OFTReal);
          anno->CreateField(&f);
        }
        for (const char* n : {"AnnotationClassID", "Color"}) {
          OGRFieldDefn f(n, OFTInteger);
          anno->CreateField(&f);
        }
        catalog.row(name, "a_" + name, "annotation", wkt);

        OGRFeature* f = OGRFeature::CreateFeature(lines->GetLayerDefn());
        for (int k = 0; k < kLines; ++k) {
          OGRLineString line;
          line.addPoint(kX0 + k * 10, kY0);
          line.addPoint(kX0 + k * 10, kY0 + 5000);
          f->SetGeometry(&line);
          f->SetField(0, 1);
          f->SetFID(OGRNullFID);
          if (lines->CreateFeature(f) != OGRERR_NONE) std::fprintf(stderr, "line refused\n");
        }
        OGRFeature::DestroyFeature(f);
        f = OGRFeature::CreateFeature(anno->GetLayerDefn());
        for (int k = 0; k < kTexts; ++k) {
          OGRPoint p(kX0 + k * 20, kY0 - 100);
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
          if (anno->CreateFeature(f) != OGRERR_NONE) std::fprintf(stderr, "text refused\n");
        }
        OGRFeature::DestroyFeature(f);
        if (gpkg) ds->CommitTransaction();
      },
      [&] { GDALClose(ds); });
}

void Report(const char* what, const Timing& t) {
  std::printf("  %-6s write %7.2f s  close %6.2f s  total %7.2f s  ms/frame per 100:", what, t.writeSeconds,
              t.closeSeconds, t.total());
  for (double v : t.perHundred) std::printf(" %.1f", v);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 1000;
  namespace fs = std::filesystem;
  const fs::path folder = argc > 2 ? fs::path(argv[2])
                                   : fs::temp_directory_path() / ("tarvik_gdb_bench_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  GDALAllRegister();
  std::printf("%d frames (%d lines, %d texts each) in %s\n", frames, kLines, kTexts, folder.c_str());
  for (const char* ext : {".gdb", ".gpkg"}) {
    const Timing bare = WriteBare((folder / (std::string("bare") + ext)).string(), frames);
    const Timing layer = WriteWithLayer((folder / (std::string("layer") + ext)).string(), frames);
    std::printf("%s\n", ext);
    Report("bare", bare);
    Report("layer", layer);
    const auto flatness = [](const Timing& t) { return t.perHundred.back() / t.perHundred.front(); };
    std::printf("  layer/bare total %.3f   last/first hundred: bare %.2f, layer %.2f\n", layer.total() / bare.total(),
                flatness(bare), flatness(layer));
  }
  if (argc <= 2) fs::remove_all(folder);
  return 0;
}
