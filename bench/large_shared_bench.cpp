// One shared run of a national series' size: `sheets` 1:5000 sheets of one
// 6-degree zone (114-120 E, central meridian 117, Xi'an 1980, from 20 N
// northwards) into a GeoPackage and a File GDB, beside the bare GDAL write
// of the same features (the engine drawing each frame straight into three
// layers and the catalog rows, one transaction or no flush until the end,
// no project), each in a process of its own:
//
//   large_shared_bench [sheets=300000] [repeats=2] [small=10000] [.gpkg|.gdb]
//
// For .gpkg and .gdb, `repeats` times (run and bare alternate which goes
// first): wall and CPU time and peak resident memory of the run (drawing,
// writing in batches, the QGIS project) and of the bare write, and their
// ratios; the run's peak memory against that of a run over the first
// `small` sheets; then min and max over the repeats. A fourth argument
// measures that kind alone.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <sys/resource.h>
#include <sys/time.h>
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
#include "deliver/qgis_project.h"
#include "frame/shared_frame_store.h"
#include "frame/utstandardMap.h"
#include "gdb/sheet_index_writer.h"
#include "gdb/workspace.h"
#include "sheets/sheet_index.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::Seconds;

tarvik::CoordParams Zone() {
  tarvik::CoordParams c;
  c.is3DegreeZone = false;
  c.centralMeridian = 117;
  return c;
}

// The first `sheets` 1:5000 sheets of the zone, row by row from 20 N.
std::string MakeIndex(const fs::path& folder, int sheets) {
  const std::string path = (folder / ("index" + std::to_string(sheets) + ".shp")).string();
  if (fs::exists(path)) return path;
  constexpr int kColumns = 192;  // 6 degrees of 1'52.5"
  const int rows = (sheets + kColumns - 1) / kColumns;
  const tarvik::GeoBox box{114.0001L, 20.0001L, 119.9999L, 20.0L + rows / 48.0L - 0.0001L};
  auto numbers = tarvik::SheetNumbersInBox(7, box);
  numbers.resize(std::min(numbers.size(), static_cast<std::size_t>(sheets)));
  tarvik::SilentFeedback quiet;
  tarvik::WriteSheetIndex(path, tarvik::MakeProjectedReference(Zone(), quiet), "TFH",
                          tarvik::SheetIndexPolygons(numbers, Zone(), false), true);
  return path;
}

tarvik::TFrameSettings Settings() {
  tarvik::TFrameSettings s;
  s.edtField = "TFH";
  s.chkscaleBarShow = true;
  s.sharedLayout = true;
  s.ScaleFactor = 0.5L;
  s.is3DegreeZone = false;
  s.autoMeridian = false;
  s.centralMeridian = 117;
  return s;
}

int Draw(const std::string& index, std::unique_ptr<tarvik::FrameStore> store) {
  tarvik::SilentFeedback quiet;
  tarvik::TstandardMap builder(Settings(), tarvik::RunValues{}, std::move(store), quiet, index);
  builder.FNameField = "TFH";
  builder.FNameTemplate = "[TFH]";
  builder.Run();
  builder.CloseOutput();
  return builder.counts().finished;
}

// ---- the bare write, frame by frame as the engine draws ----------------

class BareStore : public tarvik::InMemoryFrameStore, public tarvik::FrameSink {
 public:
  explicit BareStore(const std::string& path)
      : gpkg_(path.size() > 5 && path.substr(path.size() - 5) == ".gpkg") {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(gpkg_ ? "GPKG" : "OpenFileGDB");
    char** create = gpkg_ ? CSLSetNameValue(nullptr, "ADD_GPKG_OGR_CONTENTS", "NO") : nullptr;
    ds_ = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, create);
    CSLDestroy(create);
    if (!ds_) std::exit(1);
    if (gpkg_) ds_->StartTransaction();
  }
  ~BareStore() override { close(); }

  tarvik::FrameSink* createFrame(const std::string& name, const tarvik::SpatialReference& ref,
                                 double) override {
    if (!L_) open(ref);
    for (OGRFeature* f : {fl_, fp_}) f->SetField(1, name.c_str());
    fa_->SetField(12, name.c_str());
    name_ = name;
    xMin_ = yMin_ = 1e300;
    xMax_ = yMax_ = -1e300;
    return this;
  }
  void beginDrawing() override {}
  int endDrawing() override { return 0; }
  bool line(tarvik::LineKind kind, tarvik::StorePoint from, tarvik::StorePoint to) override {
    auto* line = new OGRLineString();
    line->addPoint(from.x, from.y);
    line->addPoint(to.x, to.y);
    fl_->SetGeometryDirectly(line);
    fl_->SetField(0, kind);
    fl_->SetFID(OGRNullFID);
    xMin_ = std::min({xMin_, from.x, to.x});
    xMax_ = std::max({xMax_, from.x, to.x});
    yMin_ = std::min({yMin_, from.y, to.y});
    yMax_ = std::max({yMax_, from.y, to.y});
    return L_->CreateFeature(fl_) == OGRERR_NONE;
  }
  bool polygon(tarvik::PolygonKind id, const tarvik::Geometry& polygon) override {
    fp_->SetGeometry(polygon.ogr());
    fp_->SetField(0, id);
    fp_->SetFID(OGRNullFID);
    return P_->CreateFeature(fp_) == OGRERR_NONE;
  }
  bool text(const tarvik::FrameText& text) override {
    fa_->SetGeometryDirectly(new OGRPoint(text.anchor.x, text.anchor.y));
    fa_->SetField(0, text.text.c_str());
    fa_->SetField(1, text.font.face.c_str());
    fa_->SetField(2, static_cast<double>(text.font.pointSize()));
    for (int i = 3; i <= 5; ++i) fa_->SetField(i, 0);
    fa_->SetField(6, static_cast<int>(text.hAlign));
    fa_->SetField(7, static_cast<int>(text.vAlign));
    fa_->SetField(8, static_cast<double>(text.charSpacing));
    fa_->SetField(9, 0.0);
    fa_->SetField(10, 0);
    fa_->SetField(11, 0);
    fa_->SetFID(OGRNullFID);
    return A_->CreateFeature(fa_) == OGRERR_NONE;
  }
  void finishFrame() override {
    fc_->SetField(0, name_.c_str());
    fc_->SetField(1, "yframes");
    fc_->SetField(2, name_.c_str());
    fc_->SetField(3, "frame");
    fc_->SetField(4, 5000.0);
    fc_->SetField(5, xMin_);
    fc_->SetField(6, yMin_);
    fc_->SetField(7, xMax_);
    fc_->SetField(8, yMax_);
    fc_->SetFID(OGRNullFID);
    if (C_->CreateFeature(fc_) != OGRERR_NONE) std::fprintf(stderr, "catalog row refused\n");
  }
  void close() override {
    if (!ds_) return;
    for (OGRFeature* f : {fl_, fp_, fa_, fc_})
      if (f) OGRFeature::DestroyFeature(f);
    if (gpkg_) ds_->CommitTransaction();
    GDALClose(ds_);
    ds_ = nullptr;
  }

 private:
  void open(const tarvik::SpatialReference& frameRef) {
    tarvik::SpatialReference ref = frameRef;
    ref.setDomain(500000 - 1e6, 500000 + 1e6, -1e6, 1e7);
    const bench::BareSharedLayers layers = bench::CreateBareSharedLayers(ds_, gpkg_, ref);
    L_ = layers.lines;
    P_ = layers.polygons;
    A_ = layers.texts;
    C_ = layers.catalog;
    fl_ = OGRFeature::CreateFeature(L_->GetLayerDefn());
    fp_ = OGRFeature::CreateFeature(P_->GetLayerDefn());
    fa_ = OGRFeature::CreateFeature(A_->GetLayerDefn());
    fc_ = OGRFeature::CreateFeature(C_->GetLayerDefn());
  }

  bool gpkg_;
  GDALDataset* ds_ = nullptr;
  OGRLayer *L_ = nullptr, *P_ = nullptr, *A_ = nullptr, *C_ = nullptr;
  OGRFeature *fl_ = nullptr, *fp_ = nullptr, *fa_ = nullptr, *fc_ = nullptr;
  std::string name_;
  double xMin_ = 0, yMin_ = 0, xMax_ = 0, yMax_ = 0;
};

// ---- the children --------------------------------------------------------

struct Child {
  double wall = 0, cpu = 0, peakMiB = 0;
};

// Runs this program as "MODE INDEX OUTPUT" and measures it.
Child Measure(const char* self, const char* mode, const std::string& index, const std::string& output) {
  std::error_code ec;
  fs::remove_all(output, ec);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execl(self, self, mode, index.c_str(), output.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Child c;
  c.wall = Seconds(start, Clock::now());
  c.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  c.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::printf("  (%s of %s failed)\n", mode, output.c_str());
  for (const std::string& side : {output, output + ".qgs", output + ".qml"}) fs::remove_all(side, ec);
  return c;
}

struct Range {
  std::vector<double> v;
  void add(double x) { v.push_back(x); }
  double lo() const { return *std::min_element(v.begin(), v.end()); }
  double hi() const { return *std::max_element(v.begin(), v.end()); }
};

}  // namespace

int main(int argc, char** argv) {
  GDALAllRegister();
  if (argc == 4 && std::string(argv[1]) == "run") {
    tarvik::SilentFeedback quiet;
    const int frames =
        Draw(argv[2], tarvik::MakeSharedFrameStore(tarvik::CreateOutputWorkspace(argv[3]), quiet));
    const auto start = Clock::now();
    tarvik::deliver::WriteQgisProject(argv[3]);
    std::printf("  (%d frames; the project %.1f s)\n", frames, Seconds(start, Clock::now()));
    return 0;
  }
  if (argc == 4 && std::string(argv[1]) == "bare") {
    Draw(argv[2], std::make_unique<BareStore>(argv[3]));
    return 0;
  }
  const int sheets = argc > 1 ? std::atoi(argv[1]) : 300000;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 2;
  const int small = argc > 3 ? std::atoi(argv[3]) : 10000;
  const fs::path folder = fs::temp_directory_path() / ("tarvik_large_bench_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string index = MakeIndex(folder, sheets);
  const std::string smallIndex = MakeIndex(folder, small);
  std::printf("indexes of %d and %d sheets at 1:5000 in %s\n", sheets, small, folder.c_str());
  std::fflush(stdout);

  std::vector<std::string> kinds = {".gpkg", ".gdb"};
  if (argc > 4) kinds = {argv[4]};
  for (const std::string& kind : kinds) {
    const char* ext = kind.c_str();
    Range wallRatio, cpuRatio, memRatio, bareMemRatio, runWall;
    for (int k = 0; k < repeats; ++k) {
      const std::string out = (folder / (std::string("out") + ext)).string();
      Child run, bare;
      if (k % 2 == 0) {
        bare = Measure(argv[0], "bare", index, out);
        run = Measure(argv[0], "run", index, out);
      } else {
        run = Measure(argv[0], "run", index, out);
        bare = Measure(argv[0], "bare", index, out);
      }
      const Child few = Measure(argv[0], "run", smallIndex, out);
      std::printf(
          "%s  run %.1f s wall %.1f s CPU %.0f MiB | bare %.1f s wall %.1f s CPU %.0f MiB | "
          "%d sheets %.0f MiB\n",
          ext, run.wall, run.cpu, run.peakMiB, bare.wall, bare.cpu, bare.peakMiB, small, few.peakMiB);
      std::fflush(stdout);
      wallRatio.add(run.wall / bare.wall);
      cpuRatio.add(run.cpu / bare.cpu);
      memRatio.add(run.peakMiB / few.peakMiB);
      bareMemRatio.add(bare.peakMiB / few.peakMiB);
      runWall.add(run.wall);
    }
    std::printf(
        "%s  over %d repeats: run %.0f..%.0f s wall (goal under 120); run/bare wall %.2f..%.2f, CPU "
        "%.2f..%.2f (goal at most 1.2); peak memory / %d-sheet run %.2f..%.2f (goal at most 1.2; the bare "
        "write's %.2f..%.2f)\n",
        ext, repeats, runWall.lo(), runWall.hi(), wallRatio.lo(), wallRatio.hi(), cpuRatio.lo(),
        cpuRatio.hi(), small, memRatio.lo(), memRatio.hi(), bareMemRatio.lo(), bareMemRatio.hi());
    std::fflush(stdout);
  }
  fs::remove_all(folder);
  return 0;
}
