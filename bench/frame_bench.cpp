// One complete default frame (sheet E45G095066, 1:10 000, kilometre grid)
// drawn by the frame engine into an open output store, against the bare GDAL
// write of the same numbers of lines, polygons and texts, in the same run,
// for File Geodatabase and GeoPackage. Also the engine's own cost, drawing
// into a store that keeps nothing.
//
//   frame_bench [frames=200] [folder=a new temporary folder]
#include <unistd.h>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bare_frame_writer.h"
#include "common/user_feedback.h"
#include "coords/utBJ54Xian80.h"
#include "frame/gdb_frame_store.h"
#include "frame/utstandardMap.h"
#include "gdb/frame_domain.h"

namespace {

using Clock = std::chrono::steady_clock;

// Counts what the engine draws and keeps nothing.
class CountingSink : public tarvik::FrameSink {
 public:
  void beginDrawing() override {}
  int endDrawing() override { return 0; }
  bool line(tarvik::LineKind, tarvik::StorePoint, tarvik::StorePoint) override { return ++lines, true; }
  bool polygon(tarvik::PolygonKind, const tarvik::Geometry&) override { return ++polygons, true; }
  bool text(const tarvik::FrameText&) override { return ++texts, true; }
  int lines = 0, polygons = 0, texts = 0;
};
class CountingStore : public tarvik::InMemoryFrameStore {
 public:
  tarvik::FrameSink* createFrame(const std::string&, const tarvik::SpatialReference&, double) override {
    return &sink;
  }
  CountingSink sink;
};

// "F" + number (built without operator+, which trips a false -Wrestrict in GCC 12).
std::string FrameName(int i) {
  std::string name = std::to_string(i);
  name.insert(name.begin(), 'F');
  return name;
}

struct Sheet {
  tarvik::SpatialReference ref;
  std::array<long double, 4> east{}, north{};
};

Sheet DefaultSheet(const tarvik::TFrameSettings& s) {
  tarvik::CoordParams p;
  const long double south = 16 + 1.0L / 24, top = 16 + 2.0L / 24, west = 88.0625L, east = 88.125L;
  const long double lat[4] = {south, top, top, south}, lon[4] = {west, west, east, east};
  Sheet sheet;
  for (int i = 0; i < 4; ++i) {
    const tarvik::PlanarXY xy = tarvik::LBToXY(p, lat[i], lon[i]);
    sheet.north[i] = xy.northing;
    sheet.east[i] = xy.easting;
  }
  tarvik::SilentFeedback quiet;
  sheet.ref = tarvik::MakeProjectedReference(tarvik::CoordParams{}, quiet);
  tarvik::SetFrameDomain(sheet.ref, s.ScaleFactor, static_cast<double>(sheet.east[0]),
                         static_cast<double>(sheet.north[0]), static_cast<double>(sheet.east[2]),
                         static_cast<double>(sheet.north[2]));
  return sheet;
}

// Draws `frames` frames of the sheet through one builder into `store`.
double DrawFrames(std::unique_ptr<tarvik::FrameStore> store, int frames, const Sheet& sheet,
                  tarvik::TstandardMap::Counts* counts) {
  tarvik::SilentFeedback feedback;
  tarvik::TFrameSettings settings;
  settings.CreateMode = tarvik::CreationMode::SheetNumber;
  tarvik::RunValues run;
  run.ZoneNumberText = "29";
  const auto start = Clock::now();
  {
    tarvik::TstandardMap builder(settings, run, std::move(store), feedback);
    for (std::size_t c = 0; c < 4; ++c) builder.FInner[c] = {sheet.north[c], sheet.east[c]};
    builder.ComputeOuterCorners();
    for (int i = 0; i < frames; ++i) {
      builder.CreateOutputClasses(FrameName(i), sheet.ref);
      builder.BeginFrameDrawing();
      builder.DrawFrame();
      builder.EndFrameDrawing();
    }
    builder.CloseOutput();
    if (counts) *counts = builder.counts();
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double WriteBare(const std::string& path, int frames, const Sheet& sheet, int lines, int polygons,
                 int texts) {
  const auto start = Clock::now();
  {
    bench::BareFrameWriter writer(path, sheet.ref);
    for (int i = 0; i < frames; ++i)
      writer.writeFrame(FrameName(i), lines, polygons, texts, static_cast<double>(sheet.east[0]),
                        static_cast<double>(sheet.north[0]));
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 200;
  const std::filesystem::path folder =
      argc > 2 ? std::filesystem::path(argv[2])
               : std::filesystem::temp_directory_path() / ("tarvik_frame_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const tarvik::TFrameSettings defaults;
  const Sheet sheet = DefaultSheet(defaults);

  auto counting = std::make_unique<CountingStore>();
  CountingStore* counter = counting.get();
  const double engineOnly = DrawFrames(std::move(counting), frames, sheet, nullptr);
  const int lines = counter->sink.lines / frames, polygons = counter->sink.polygons / frames,
            texts = counter->sink.texts / frames;
  std::printf("%d frames of E45G095066 (%d lines, %d polygons, %d texts each) in %s\n", frames, lines,
              polygons, texts, folder.c_str());
  std::printf("engine alone (no store): %.3f ms/frame\n", engineOnly * 1000 / frames);

  for (const char* ext : {".gdb", ".gpkg"}) {
    // Alternate the order so neither side always runs on a warm cache.
    const auto barePath = [&](const char* n) { return (folder / (std::string("bare") + n + ext)).string(); };
    const std::string enginePath = (folder / (std::string("engine") + ext)).string();
    const double bare1 = WriteBare(barePath("1"), frames, sheet, lines, polygons, texts);
    tarvik::SilentFeedback feedback;
    const double engine1 =
        DrawFrames(tarvik::OpenGdbFrameStore(enginePath, feedback), frames, sheet, nullptr);
    std::filesystem::remove_all(enginePath);
    tarvik::TstandardMap::Counts c;
    const double engine2 = DrawFrames(tarvik::OpenGdbFrameStore(enginePath, feedback), frames, sheet, &c);
    const double bare2 = WriteBare(barePath("2"), frames, sheet, lines, polygons, texts);
    const double bare = (bare1 + bare2) / 2, engine = (engine1 + engine2) / 2;
    std::printf(
        "%-5s bare %.2f ms/frame   engine %.2f ms/frame   engine/bare %.3f   (%d lines %d polygons %d texts "
        "written)\n",
        ext, bare * 1000 / frames, engine * 1000 / frames, engine / bare, c.lines, c.polygons, c.texts);
  }
  if (argc <= 2) std::filesystem::remove_all(folder);
  return 0;
}
