// The shared layout at provincial scale: the index run of the standard-sheet
// builder into three shared classes (reading the index, drawing every frame,
// writing through the geodatabase layer in batches), beside the bare GDAL
// write of the same features into three layers and the same catalog rows,
// in one transaction (GeoPackage) or without a flush (File GDB): the floor.
//
//   shared_bench [sheets=10000] [repeats=3] [small=1000]
//
// For .gpkg and .gdb, `repeats` times (run and bare alternate which goes
// first): run and bare time and their ratio, and the run's cost per sheet of
// the first and the last thousand sheets; then min and max over the
// repeats. First the peak memory of runs over `small` and `sheets` sheets,
// each in a process of its own.
//
// The indexes hold 1:10 000 sheets made by the make-index code.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bare_shared_layers.h"
#include "bench_support.h"
#include "coords/utBJ54Xian80.h"
#include "frame/shared_frame_store.h"
#include "frame/utstandardMap.h"
#include "gdb/class_queries.h"
#include "gdb/frame_domain.h"
#include "gdb/output_layout.h"
#include "gdb/sheet_index_writer.h"
#include "gdb/workspace.h"
#include "sheets/sheet_index.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::PeakMemoryOf;
using bench::Seconds;

std::string MakeIndex(const fs::path& folder, int sheets) {
  return bench::MakeSheetIndex(folder, sheets, 100);
}

// What the engine draws, kept for the bare write.
struct Recorded {
  struct Line {
    int kind;
    tarvik::StorePoint from, to;
  };
  struct Frame {
    std::string name;
    std::vector<Line> lines;
    std::vector<std::pair<int, tarvik::Geometry>> polygons;
    std::vector<tarvik::FrameText> texts;
  };
  std::vector<Frame> frames;
};

class Recorder : public tarvik::InMemoryFrameStore, public tarvik::FrameSink {
 public:
  explicit Recorder(Recorded& r) : r_(r) {}
  tarvik::FrameSink* createFrame(const std::string& name, const tarvik::SpatialReference&, double) override {
    r_.frames.push_back({name, {}, {}, {}});
    return this;
  }
  void beginDrawing() override {}
  int endDrawing() override { return 0; }
  bool line(tarvik::LineKind kind, tarvik::StorePoint from, tarvik::StorePoint to) override {
    r_.frames.back().lines.push_back({kind, from, to});
    return true;
  }
  bool polygon(tarvik::PolygonKind id, const tarvik::Geometry& polygon) override {
    r_.frames.back().polygons.emplace_back(id, polygon);
    return true;
  }
  bool text(const tarvik::FrameText& t) override {
    r_.frames.back().texts.push_back(t);
    return true;
  }

 private:
  Recorded& r_;
};

struct Timing {
  double seconds = 0;
  std::vector<double> perThousand;  // seconds of each thousand sheets
  int frames = 0;
  double flatness() const { return perThousand.size() < 2 ? 1 : perThousand.back() / perThousand.front(); }
};

// Passes everything to the store it wraps and notes the time of every
// thousandth frame started (the frames are told done in batches).
class TimedStore : public tarvik::FrameStore {
 public:
  TimedStore(std::unique_ptr<tarvik::FrameStore> inner, Timing& t) : inner_(std::move(inner)), t_(t) {}
  tarvik::FrameSink* createFrame(const std::string& n, const tarvik::SpatialReference& ref,
                                 double s) override {
    if (started_ > 0 && started_ % 1000 == 0) {
      const auto now = Clock::now();
      t_.perThousand.push_back(Seconds(block_, now));
      block_ = now;
    }
    ++started_;
    return inner_->createFrame(n, ref, s);
  }
  void finishFrame() override { inner_->finishFrame(); }
  void abandonFrame() override { inner_->abandonFrame(); }
  void recordNorthDiagram(const std::string& numbers) override { inner_->recordNorthDiagram(numbers); }
  void close() override {
    if (started_ % 1000 == 0 && started_ > 0) t_.perThousand.push_back(Seconds(block_, Clock::now()));
    inner_->close();
  }
  int keptFrames() const override { return inner_->keptFrames(); }
  tarvik::RefusedElements takeRefused() override { return inner_->takeRefused(); }
  std::string keptIn() const override { return inner_->keptIn(); }

 private:
  std::unique_ptr<tarvik::FrameStore> inner_;
  Timing& t_;
  int started_ = 0;
  Clock::time_point block_ = Clock::now();
};

tarvik::TFrameSettings Settings() {
  tarvik::TFrameSettings s;
  s.edtField = "TFH";  // neighbour names in the adjacent-sheet table
  s.chkscaleBarShow = true;
  s.sharedLayout = true;
  return s;
}

// The index run of the builder into `output` in the shared layout, or into
// the recorder.
Timing RunEngine(const std::string& index, const std::string& output, Recorded* recorded = nullptr) {
  tarvik::SilentFeedback quiet;
  Timing t;
  const auto start = Clock::now();
  std::unique_ptr<tarvik::FrameStore> store;
  if (recorded)
    store = std::make_unique<Recorder>(*recorded);
  else
    store = std::make_unique<TimedStore>(
        tarvik::MakeSharedFrameStore(tarvik::CreateOutputWorkspace(output), quiet), t);
  tarvik::TstandardMap builder(Settings(), tarvik::RunValues{}, std::move(store), quiet, index);
  builder.FNameField = "TFH";
  builder.FNameTemplate = "[TFH]";
  builder.Run();
  builder.CloseOutput();
  t.seconds = Seconds(start, Clock::now());
  t.frames = builder.counts().finished;
  return t;
}

// ---- the bare write ---------------------------------------------------------

// The same features into three layers with FrameName, and a catalog row per
// frame, with nothing else: one transaction, no flush until the end.
Timing WriteBare(const std::string& path, const Recorded& recorded, const tarvik::SpatialReference& ref) {
  Timing t;
  const auto start = Clock::now();
  const bool gpkg = path.size() > 5 && path.substr(path.size() - 5) == ".gpkg";
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(gpkg ? "GPKG" : "OpenFileGDB");
  char** create = gpkg ? CSLSetNameValue(nullptr, "ADD_GPKG_OGR_CONTENTS", "NO") : nullptr;
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, create);
  CSLDestroy(create);
  if (gpkg) ds->StartTransaction();
  const auto [L, P, A, C] = bench::CreateBareSharedLayers(ds, gpkg, ref);

  OGRFeature* fl = OGRFeature::CreateFeature(L->GetLayerDefn());
  OGRFeature* fp = OGRFeature::CreateFeature(P->GetLayerDefn());
  OGRFeature* fa = OGRFeature::CreateFeature(A->GetLayerDefn());
  OGRFeature* fc = OGRFeature::CreateFeature(C->GetLayerDefn());
  auto block = start;
  for (const auto& frame : recorded.frames) {
    fl->SetField(1, frame.name.c_str());
    fp->SetField(1, frame.name.c_str());
    fa->SetField(12, frame.name.c_str());
    double xMin = 1e300, yMin = 1e300, xMax = -1e300, yMax = -1e300;
    for (const auto& l : frame.lines) {
      auto* line = new OGRLineString();
      line->addPoint(l.from.x, l.from.y);
      line->addPoint(l.to.x, l.to.y);
      fl->SetGeometryDirectly(line);
      fl->SetField(0, l.kind);
      fl->SetFID(OGRNullFID);
      if (L->CreateFeature(fl) != OGRERR_NONE) std::fprintf(stderr, "line refused\n");
      xMin = std::min({xMin, l.from.x, l.to.x});
      xMax = std::max({xMax, l.from.x, l.to.x});
      yMin = std::min({yMin, l.from.y, l.to.y});
      yMax = std::max({yMax, l.from.y, l.to.y});
    }
    for (const auto& [id, polygon] : frame.polygons) {
      fp->SetGeometry(polygon.ogr());
      fp->SetField(0, id);
      fp->SetFID(OGRNullFID);
      if (P->CreateFeature(fp) != OGRERR_NONE) std::fprintf(stderr, "polygon refused\n");
    }
    for (const auto& text : frame.texts) {
      fa->SetGeometryDirectly(new OGRPoint(text.anchor.x, text.anchor.y));
      fa->SetField(0, text.text.c_str());
      fa->SetField(1, text.font.face.c_str());
      fa->SetField(2, static_cast<double>(text.font.pointSize()));
      for (int i = 3; i <= 5; ++i) fa->SetField(i, 0);
      fa->SetField(6, static_cast<int>(text.hAlign));
      fa->SetField(7, static_cast<int>(text.vAlign));
      fa->SetField(8, static_cast<double>(text.charSpacing));
      fa->SetField(9, 0.0);
      fa->SetField(10, 0);
      fa->SetField(11, 0);
      fa->SetFID(OGRNullFID);
      if (A->CreateFeature(fa) != OGRERR_NONE) std::fprintf(stderr, "text refused\n");
    }
    fc->SetField(0, frame.name.c_str());
    fc->SetField(1, "yframes");
    fc->SetField(2, frame.name.c_str());
    fc->SetField(3, "frame");
    fc->SetField(4, 10000.0);
    fc->SetField(5, xMin);
    fc->SetField(6, yMin);
    fc->SetField(7, xMax);
    fc->SetField(8, yMax);
    fc->SetFID(OGRNullFID);
    if (C->CreateFeature(fc) != OGRERR_NONE) std::fprintf(stderr, "catalog row refused\n");
    if (++t.frames % 1000 == 0) {
      const auto now = Clock::now();
      t.perThousand.push_back(Seconds(block, now));
      block = now;
    }
  }
  for (OGRFeature* f : {fl, fp, fa, fc}) OGRFeature::DestroyFeature(f);
  if (gpkg) ds->CommitTransaction();
  GDALClose(ds);
  t.seconds = Seconds(start, Clock::now());
  return t;
}

void Remove(const std::string& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
}

}  // namespace

int main(int argc, char** argv) {
  GDALAllRegister();
  if (argc == 4 && std::string(argv[1]) == "memory") {
    RunEngine(argv[2], argv[3]);
    return 0;
  }
  const int sheets = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
  const int small = argc > 3 ? std::atoi(argv[3]) : 1000;
  const fs::path folder = fs::temp_directory_path() / ("tarvik_shared_bench_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string index = MakeIndex(folder, sheets);
  std::printf("index of %d sheets at 1:10 000 in %s\n", sheets, folder.c_str());

  // First, while this process is small: a child counts the memory its
  // parent had when it was forked.
  std::printf("peak memory (each run in its own process)\n");
  const std::string smallIndex = MakeIndex(folder, small);
  for (const char* ext : {".gpkg", ".gdb"}) {
    const std::string a = (folder / ("m_small" + std::string(ext))).string();
    const std::string c = (folder / ("m_big" + std::string(ext))).string();
    const double ma = PeakMemoryOf(argv[0], smallIndex, a);
    const double mc = PeakMemoryOf(argv[0], index, c);
    std::printf("  %-5s %d sheets %.1f MiB, %d sheets %.1f MiB, ratio %.3f (goal at most 1.1)\n", ext, small,
                ma, sheets, mc, mc / ma);
    std::fflush(stdout);
  }
  Recorded recorded;
  const Timing engine = RunEngine(index, "", &recorded);
  std::size_t features = 0;
  for (const auto& f : recorded.frames) features += f.lines.size() + f.polygons.size() + f.texts.size();
  std::printf("the engine alone: %.2f s for %d frames, %zu features\n", engine.seconds, engine.frames,
              features);
  tarvik::SilentFeedback quiet;
  const tarvik::SpatialReference ref = [&] {
    tarvik::SpatialReference r = tarvik::MakeProjectedReference(tarvik::CoordParams{}, quiet);
    r.setDomain(-500000, 1500000, -1000000, 10000000);
    return r;
  }();

  for (const char* ext : {".gpkg", ".gdb"}) {
    std::vector<double> ratios, flatness, runs, bares;
    for (int k = 0; k < repeats; ++k) {
      const std::string b = (folder / (std::string("bare") + ext)).string();
      const std::string r = (folder / (std::string("run") + ext)).string();
      Timing bare, run;
      if (k % 2 == 0) {
        bare = WriteBare(b, recorded, ref);
        run = RunEngine(index, r);
      } else {
        run = RunEngine(index, r);
        bare = WriteBare(b, recorded, ref);
      }
      Remove(b);
      Remove(r);
      std::printf("%s  run %6.2f s (%d frames)  bare %6.2f s  run/bare %.3f  last/first thousand %.2f\n", ext,
                  run.seconds, run.frames, bare.seconds, run.seconds / bare.seconds, run.flatness());
      std::printf("      s per thousand:");
      for (double v : run.perThousand) std::printf(" %.2f", v);
      std::printf("\n");
      std::fflush(stdout);
      ratios.push_back(run.seconds / bare.seconds);
      flatness.push_back(run.flatness());
      runs.push_back(run.seconds);
      bares.push_back(bare.seconds);
    }
    const auto [rMin, rMax] = std::minmax_element(ratios.begin(), ratios.end());
    const auto [fMin, fMax] = std::minmax_element(flatness.begin(), flatness.end());
    const auto [tMin, tMax] = std::minmax_element(runs.begin(), runs.end());
    std::printf(
        "%s  over %d repeats: run %.2f..%.2f s, run/bare %.3f..%.3f (goal at most 1.5), "
        "last/first %.2f..%.2f (goal at most 1.2)\n",
        ext, repeats, *tMin, *tMax, *rMin, *rMax, *fMin, *fMax);
    std::fflush(stdout);
  }

  fs::remove_all(folder);
  return 0;
}
