// Writing frames through the geodatabase layer against a bare GDAL loop that
// writes the same output (feature dataset + line, polygon and annotation
// classes per frame, 200 lines and 100 texts, the frame catalog rows), for
// File Geodatabase and GeoPackage.
//
//   gdb_bench [frames=1000] [folder=a new temporary folder]
//
// Prints the cost per frame for every hundred frames, the time to close,
// and the ratio layer / bare; then the cost of the adjacent-sheet lookups
// (eight point queries per sheet) in index layers of 100 to 10 000 sheets.
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

#include "bare_frame_writer.h"
#include "common/font_desc.h"
#include "common/user_feedback.h"
#include "coords/spatial_reference.h"
#include "gdb/annotation.h"
#include "gdb/class_queries.h"
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
        const tarvik::TextAlignment align{tarvik::HorizontalAlignment::Center,
                                          tarvik::VerticalAlignment::Bottom};
        for (int k = 0; k < kTexts; ++k)
          tarvik::PlaceText("示例文字 " + std::to_string(k), font, 0, kX0 + k * 20, kY0 - 100, layer, 0, -1,
                            align, feedback);
        buffer.flush();
      },
      [&] { ws.reset(); });
}

// ---- the bare loop ---------------------------------------------------------

Timing WriteBare(const std::string& path, int frames) {
  auto writer = std::make_unique<bench::BareFrameWriter>(path, Reference());
  return Measure(
      frames, [&](int i) { writer->writeFrame(FrameName(i), kLines, 0, kTexts, kX0, kY0); },
      [&] { writer.reset(); });
}

// ---- neighbour lookups in an index layer ----------------------------------

// A shapefile of side x side sheets of 1000 x 1000 m.
std::string WriteIndex(const std::filesystem::path& folder, int side) {
  const std::string path = (folder / ("index" + std::to_string(side) + ".shp")).string();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  OGRLayer* layer = ds->CreateLayer("index", nullptr, wkbPolygon, nullptr);
  OGRFieldDefn name("NAME", OFTString);
  layer->CreateField(&name);
  OGRFeature* f = OGRFeature::CreateFeature(layer->GetLayerDefn());
  for (int r = 0; r < side; ++r)
    for (int c = 0; c < side; ++c) {
      const double x = 500000 + c * 1000.0, y = 3000000 + r * 1000.0;
      OGRLinearRing ring;
      ring.addPoint(x, y);
      ring.addPoint(x, y + 1000);
      ring.addPoint(x + 1000, y + 1000);
      ring.addPoint(x + 1000, y);
      ring.addPoint(x, y);
      OGRPolygon polygon;
      polygon.addRing(&ring);
      f->SetGeometry(&polygon);
      f->SetField(0, (std::to_string(r) + "-" + std::to_string(c)).c_str());
      f->SetFID(OGRNullFID);
      if (layer->CreateFeature(f) != OGRERR_NONE) std::fprintf(stderr, "sheet refused\n");
    }
  OGRFeature::DestroyFeature(f);
  GDALClose(ds);
  return path;
}

// For every sheet, the names of its eight neighbours, as the adjacent-sheet
// table asks them: microseconds per lookup, and the time of the first query
// (which reads the layer into memory).
void BenchLookups(const std::filesystem::path& folder, int side) {
  tarvik::FeatureClass index = tarvik::OpenShapefileClass(WriteIndex(folder, side));
  const auto start = Clock::now();
  tarvik::QueryFeatures(index, tarvik::MakePoint(500500, 3000500), "", tarvik::QueryLimit::First);
  const auto built = Clock::now();
  long lookups = 0, found = 0;
  for (int r = 0; r < side; ++r)
    for (int c = 0; c < side; ++c)
      for (int dr = -1; dr <= 1; ++dr)
        for (int dc = -1; dc <= 1; ++dc) {
          if (dr == 0 && dc == 0) continue;
          const auto q = tarvik::QueryFeatures(
              index, tarvik::MakePoint(500500 + (c + dc) * 1000.0, 3000500 + (r + dr) * 1000.0), "",
              tarvik::QueryLimit::First);
          ++lookups;
          if (q.count > 0 && !tarvik::FieldValueText(q.features[0], "NAME").empty()) ++found;
        }
  const auto end = Clock::now();
  std::printf("  %6d sheets: first query %7.1f ms, %ld lookups (%ld found) %.2f us each\n", side * side,
              std::chrono::duration<double, std::milli>(built - start).count(), lookups, found,
              std::chrono::duration<double, std::micro>(end - built).count() / static_cast<double>(lookups));
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
  const fs::path folder =
      argc > 2 ? fs::path(argv[2])
               : fs::temp_directory_path() / ("tarvik_gdb_bench_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  GDALAllRegister();
  std::printf("%d frames (%d lines, %d texts each) in %s\n", frames, kLines, kTexts, folder.c_str());
  for (const char* ext : {".gdb", ".gpkg"}) {
    // The order alternates between the two kinds so that neither side
    // always runs on a warmer (or busier) machine.
    Timing bare, layer;
    if (std::string(ext) == ".gdb") {
      bare = WriteBare((folder / (std::string("bare") + ext)).string(), frames);
      layer = WriteWithLayer((folder / (std::string("layer") + ext)).string(), frames);
    } else {
      layer = WriteWithLayer((folder / (std::string("layer") + ext)).string(), frames);
      bare = WriteBare((folder / (std::string("bare") + ext)).string(), frames);
    }
    std::printf("%s\n", ext);
    Report("bare", bare);
    Report("layer", layer);
    const auto flatness = [](const Timing& t) { return t.perHundred.back() / t.perHundred.front(); };
    std::printf("  layer/bare total %.3f   last/first hundred: bare %.2f, layer %.2f\n",
                layer.total() / bare.total(), flatness(bare), flatness(layer));
  }
  std::printf("neighbour lookups in an index layer\n");
  for (int side : {10, 32, 100}) BenchLookups(folder, side);
  if (argc <= 2) fs::remove_all(folder);
  return 0;
}
