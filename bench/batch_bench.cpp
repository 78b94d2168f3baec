// Frames of whole sheet indexes: the index run of the standard-sheet builder
// (reading the index, drawing every frame with its neighbour lookups,
// writing through the geodatabase layer) against a bare GDAL loop that
// writes the same features into the same layers (feature dataset, line,
// polygon and annotation class and the frame catalog rows per sheet).
//
//   batch_bench [sheets=1000] [big=10000] [.gdb|.gpkg]
//
// Reports, for File Geodatabase and GeoPackage: run and bare times and their
// ratio, the cost per sheet of every hundred sheets and last / first
// hundred; the peak memory of runs over 250 and `sheets` sheets (each in a
// process of its own); the cost of a neighbour lookup in indexes of `sheets`
// and `big` sheets; the engine alone (drawing into a sink that only counts)
// over `big` sheets; and, when a store kind is named, one whole run over
// `big` sheets into it (long: the stores slow down with tens of thousands
// of classes, see the report).
//
// The indexes hold 1:10 000 sheets made by the make-index code.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bare_frame_writer.h"
#include "bench_support.h"
#include "common/user_feedback.h"
#include "coords/utBJ54Xian80.h"
#include "frame/gdb_frame_store.h"
#include "frame/utstandardMap.h"
#include "gdb/class_queries.h"
#include "gdb/frame_domain.h"
#include "gdb/sheet_index_writer.h"
#include "sheets/sheet_index.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::PeakMemoryOf;
using bench::Seconds;
using tarvik::Point2;

// Rows of 40 sheets, of 100 from 10 000 sheets on.
std::string MakeIndex(const fs::path& folder, int sheets) {
  return bench::MakeSheetIndex(folder, sheets, sheets >= 10000 ? 100 : 40);
}

tarvik::TFrameSettings Settings() {
  tarvik::TFrameSettings s;
  s.edtField = "TFH";  // neighbour names in the adjacent-sheet table
  s.chkscaleBarShow = true;
  return s;
}

// ---- what the engine draws, kept for the bare loop ------------------------

struct RecordedFrame {
  std::string name;
  struct Line {
    tarvik::LineKind kind;
    tarvik::StorePoint from, to;
  };
  std::vector<Line> lines;
  std::vector<std::pair<tarvik::PolygonKind, std::vector<std::vector<Point2>>>> polygons;
  std::vector<tarvik::FrameText> texts;
};

class Recorder : public tarvik::InMemoryFrameStore, public tarvik::FrameSink {
 public:
  std::vector<RecordedFrame> frames;
  tarvik::FrameSink* createFrame(const std::string& name, const tarvik::SpatialReference&, double) override {
    frames.push_back({name, {}, {}, {}});
    return this;
  }
  void beginDrawing() override {}
  int endDrawing() override { return 0; }
  bool line(tarvik::LineKind kind, tarvik::StorePoint from, tarvik::StorePoint to) override {
    frames.back().lines.push_back({kind, from, to});
    return true;
  }
  bool polygon(tarvik::PolygonKind id, const tarvik::Geometry& polygon) override {
    frames.back().polygons.push_back({id, polygon.parts()});
    return true;
  }
  bool text(const tarvik::FrameText& t) override {
    frames.back().texts.push_back(t);
    return true;
  }
};

// A store whose frames only count what they get: the engine's own cost.
class CountingStore : public tarvik::InMemoryFrameStore, public tarvik::FrameSink {
 public:
  tarvik::FrameSink* createFrame(const std::string&, const tarvik::SpatialReference&, double) override {
    return this;
  }
  void beginDrawing() override {}
  int endDrawing() override { return 0; }
  bool line(tarvik::LineKind, tarvik::StorePoint, tarvik::StorePoint) override { return true; }
  bool polygon(tarvik::PolygonKind, const tarvik::Geometry&) override { return true; }
  bool text(const tarvik::FrameText&) override { return true; }
};

// A store that hands the recorder out without owning it.
class RecorderStore : public tarvik::InMemoryFrameStore {
 public:
  explicit RecorderStore(Recorder& r) : r_(r) {}
  tarvik::FrameSink* createFrame(const std::string& n, const tarvik::SpatialReference& ref,
                                 double s) override {
    return r_.createFrame(n, ref, s);
  }

 private:
  Recorder& r_;
};

// ---- timing -----------------------------------------------------------------

struct Timing {
  std::vector<double> perHundred;  // ms per sheet in each block of 100 sheets
  double writeSeconds = 0, closeSeconds = 0;
  int frames = 0, lines = 0, polygons = 0, texts = 0;
  double total() const { return writeSeconds + closeSeconds; }
  double flatness() const { return perHundred.back() / perHundred.front(); }
};

// Calls `tick(done)` after each sheet; fills perHundred.
struct BlockClock {
  Timing& t;
  Clock::time_point block = Clock::now();
  void tick(int done) {
    if (done % 100 != 0) return;
    const auto now = Clock::now();
    t.perHundred.push_back(std::chrono::duration<double, std::milli>(now - block).count() / 100);
    block = now;
  }
};

// The index run of the builder into `output` (or into `recorder`).
Timing RunEngine(const std::string& index, const std::string& output, Recorder* recorder = nullptr,
                 bool countOnly = false) {
  tarvik::SilentFeedback quiet;
  Timing t;
  const auto start = Clock::now();
  std::unique_ptr<tarvik::FrameStore> store;
  if (countOnly)
    store = std::make_unique<CountingStore>();
  else if (recorder)
    store = std::make_unique<RecorderStore>(*recorder);
  else
    store = tarvik::OpenGdbFrameStore(output, quiet);
  tarvik::TstandardMap builder(Settings(), tarvik::RunValues{}, std::move(store), quiet, index);
  builder.FNameField = "TFH";
  builder.FNameTemplate = "[TFH]";
  BlockClock clock{t, start};
  builder.FOnFrameDone = [&](int done, int, const std::string&) { clock.tick(done); };
  builder.Run();
  const auto written = Clock::now();
  builder.CloseOutput();
  t.writeSeconds = Seconds(start, written);
  t.closeSeconds = Seconds(written, Clock::now());
  const auto& c = builder.counts();
  t.frames = c.frames;
  t.lines = c.lines;
  t.polygons = c.polygons;
  t.texts = c.texts;
  return t;
}

// ---- the bare loop ------------------------------------------------------------

Timing WriteBare(const std::string& path, const std::vector<RecordedFrame>& frames,
                 const tarvik::FrameDomain& d) {
  Timing t;
  const auto start = Clock::now();
  tarvik::SilentFeedback quiet;
  tarvik::SpatialReference ref = tarvik::MakeProjectedReference(tarvik::CoordParams{}, quiet);
  ref.setDomain(static_cast<double>(d.xMin), static_cast<double>(d.xMax), static_cast<double>(d.yMin),
                static_cast<double>(d.yMax));
  auto writer = std::make_unique<bench::BareFrameWriter>(path, ref);
  BlockClock clock{t, start};
  int done = 0;
  for (const auto& frame : frames) {
    const auto layers = writer->beginFrame(frame.name);
    OGRLayer* lines = layers.lines;
    OGRLayer* polygons = layers.polygons;
    OGRLayer* anno = layers.texts;
    OGRFeature* f = OGRFeature::CreateFeature(lines->GetLayerDefn());
    for (const auto& l : frame.lines) {
      OGRLineString line;
      line.addPoint(l.from.x, l.from.y);
      line.addPoint(l.to.x, l.to.y);
      f->SetGeometry(&line);
      f->SetField(0, l.kind);
      f->SetFID(OGRNullFID);
      if (lines->CreateFeature(f) == OGRERR_NONE) ++t.lines;
    }
    OGRFeature::DestroyFeature(f);
    f = OGRFeature::CreateFeature(polygons->GetLayerDefn());
    for (const auto& [pid, rings] : frame.polygons) {
      OGRPolygon polygon;
      for (const auto& r : rings) {
        OGRLinearRing ring;
        for (const auto& p : r) ring.addPoint(p.x, p.y);
        polygon.addRing(&ring);
      }
      f->SetGeometry(&polygon);
      f->SetField(0, pid);
      f->SetFID(OGRNullFID);
      if (polygons->CreateFeature(f) == OGRERR_NONE) ++t.polygons;
    }
    OGRFeature::DestroyFeature(f);
    f = OGRFeature::CreateFeature(anno->GetLayerDefn());
    for (const auto& text : frame.texts) {
      OGRPoint p(text.anchor.x, text.anchor.y);
      f->SetGeometry(&p);
      f->SetField(0, text.text.c_str());
      f->SetField(1, text.font.face.c_str());
      f->SetField(2, static_cast<double>(text.font.pointSize()));
      f->SetField(3, 0);
      f->SetField(4, 0);
      f->SetField(5, 0);
      f->SetField(6, static_cast<int>(text.hAlign));
      f->SetField(7, static_cast<int>(text.vAlign));
      f->SetField(8, static_cast<double>(text.charSpacing));
      f->SetField(9, 0.0);
      f->SetField(10, 0);
      f->SetField(11, 0);
      f->SetFID(OGRNullFID);
      if (anno->CreateFeature(f) == OGRERR_NONE) ++t.texts;
    }
    OGRFeature::DestroyFeature(f);
    writer->endFrame();
    ++t.frames;
    clock.tick(++done);
  }
  const auto written = Clock::now();
  writer.reset();
  t.writeSeconds = Seconds(start, written);
  t.closeSeconds = Seconds(written, Clock::now());
  return t;
}

// ---- neighbour lookups --------------------------------------------------------

// Microseconds per lookup of the eight neighbours of `samples` sheets of the index.
double LookupMicroseconds(const std::string& index, int samples) {
  tarvik::SilentFeedback quiet;
  tarvik::TFrameSettings s = Settings();
  tarvik::TstandardMap builder(s, tarvik::RunValues{}, nullptr, quiet, index);
  const tarvik::FeatureClass cls = tarvik::OpenShapefileClass(index);
  tarvik::FeatureCursor cursor = tarvik::SearchFeatures(cls, "");
  std::vector<tarvik::Envelope> sheets;
  tarvik::Feature f;
  while (static_cast<int>(sheets.size()) < samples && cursor.next(f))
    sheets.push_back(f.geometry().envelope());
  builder.FNeighbourName(0, 0);  // the first lookup reads the index into memory
  long lookups = 0, found = 0;
  const auto start = Clock::now();
  for (const auto& e : sheets) {
    const double w = e.xMax - e.xMin, h = e.yMax - e.yMin;
    const double cx = (e.xMin + e.xMax) / 2, cy = (e.yMin + e.yMax) / 2;
    for (int i = -1; i <= 1; ++i)
      for (int j = -1; j <= 1; ++j) {
        if (i == 0 && j == 0) continue;
        found += !builder.FNeighbourName(cx + i * w, cy + j * h).empty();
        ++lookups;
      }
  }
  const double us =
      std::chrono::duration<double, std::micro>(Clock::now() - start).count() / static_cast<double>(lookups);
  std::printf("  index of %6ld sheets: %ld lookups (%ld found), %.2f us each\n",
              static_cast<long>(cursor.size()), lookups, found, us);
  return us;
}

void Report(const char* what, const Timing& t) {
  std::printf(
      "  %-6s %d frames (%d lines, %d polygons, %d texts)  write %6.2f s  close %5.2f s  total %6.2f s\n",
      what, t.frames, t.lines, t.polygons, t.texts, t.writeSeconds, t.closeSeconds, t.total());
  std::printf("         ms/sheet per 100:");
  for (double v : t.perHundred) std::printf(" %.1f", v);
  std::printf("   last/first %.2f\n", t.flatness());
}

}  // namespace

int main(int argc, char** argv) {
  GDALAllRegister();
  if (argc == 4 && std::string(argv[1]) == "memory") {
    RunEngine(argv[2], argv[3]);
    return 0;
  }
  const int sheets = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int big = argc > 2 ? std::atoi(argv[2]) : 10000;
  const std::string bigKind = argc > 3 ? argv[3] : "";
  const fs::path folder = fs::temp_directory_path() / ("tarvik_batch_bench_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string index = MakeIndex(folder, sheets);
  std::printf("index of %d sheets at 1:10 000 in %s\n", sheets, folder.c_str());

  Recorder recorder;
  RunEngine(index, "", &recorder);
  const auto extent = tarvik::ClassExtent(tarvik::OpenShapefileClass(index));
  const tarvik::FrameDomain domain =
      tarvik::ComputeFrameDomain(1, extent->xMin, extent->yMin, extent->xMax, extent->yMax);

  for (const char* ext : {".gdb", ".gpkg"}) {
    // Alternate which side runs first so that neither always gets the
    // warmer (or busier) machine.
    Timing bare, run;
    const std::string b = (folder / (std::string("bare") + ext)).string();
    const std::string r = (folder / (std::string("run") + ext)).string();
    if (std::string(ext) == ".gdb") {
      bare = WriteBare(b, recorder.frames, domain);
      run = RunEngine(index, r);
    } else {
      run = RunEngine(index, r);
      bare = WriteBare(b, recorder.frames, domain);
    }
    std::printf("%s\n", ext);
    Report("bare", bare);
    Report("run", run);
    std::printf("  run/bare %.3f (goal at most 1.25)\n", run.total() / bare.total());
  }

  std::printf("peak memory (each run in its own process)\n");
  const std::string small = MakeIndex(folder, 250);
  for (const char* ext : {".gdb", ".gpkg"}) {
    const double a = PeakMemoryOf(argv[0], small, (folder / (std::string("m250") + ext)).string());
    const double c = PeakMemoryOf(argv[0], index, (folder / ("m" + std::to_string(sheets) + ext)).string());
    std::printf("  %-5s 250 sheets %.1f MiB, %d sheets %.1f MiB, ratio %.2f\n", ext, a, sheets, c, c / a);
  }

  std::printf("neighbour lookups\n");
  const std::string bigIndex = MakeIndex(folder, big);
  const double near = LookupMicroseconds(index, 1000);
  const double far = LookupMicroseconds(bigIndex, 1000);
  std::printf("  %d / %d sheets: %.2f\n", big, sheets, far / near);

  std::printf("the engine alone (no store)\n");
  Report("small", RunEngine(index, "", nullptr, true));
  Report("big", RunEngine(bigIndex, "", nullptr, true));
  if (!bigKind.empty()) {
    std::printf("one run over %d sheets into %s\n", big, bigKind.c_str());
    Report(bigKind.c_str(), RunEngine(bigIndex, (folder / ("big" + bigKind)).string()));
  }
  fs::remove_all(folder);
  return 0;
}
