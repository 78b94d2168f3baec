// Nothing of the user's is overwritten and every refusal comes before the
// output is touched, through tarvik-cli and read back with GDAL: the files
// beside an output (projects, styles, the DXF's working store, a user's file
// inside a .gdb), very long output names, inputs a run cannot draw or name,
// a FIFO as settings file, a stream without line breaks to convert.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "cli/durability_support.h"
#include "common/gbk.h"
#include "support/test_shapefile.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

// Squares of 2 km, 3 km apart eastwards, in Xi'an 1980 / 3-degree CM 114E
// (EPSG:2383), each named by NAME; the first's south-west corner at
// (500000, north).
std::string Polygons(const TempDir& dir, const std::string& file, const std::vector<std::string>& names,
                     double north = 3000000) {
  std::vector<TestFeature> features;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const double x = 500000 + 3000.0 * static_cast<double>(i);
    TestFeature f;
    if (names[i] != "<null>") f.fields["NAME"] = names[i];
    f.parts = {Rectangle(x, north, x + 2000, north + 2000)};
    features.push_back(f);
  }
  WriteTestShapefile(dir / file, 2383, {"NAME"}, features);
  return dir / file;
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(BesideTheOutput, ProjectsAreNamedAfterTheWholeOutputAndOnlyOursAreReplaced) {
  TempDir dir;
  // The person's own files under the names earlier versions used.
  WriteFile(dir / "twin.qgs", "mine");
  WriteFile(dir / "twin.qml", "mine");
  for (const char* kind : {".gdb", ".gpkg"}) {
    const CliResult r = RunCli({"sheet", "E45G095066", "-o", dir / (std::string("twin") + kind)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  EXPECT_EQ(ReadFile(dir / "twin.qgs"), "mine");
  EXPECT_EQ(ReadFile(dir / "twin.qml"), "mine");
  // Each output its own project, each naming its own store; the .qml of the
  // File GDB beside it.
  EXPECT_TRUE(Contains(ReadFile(dir / "twin.gdb.qgs"), "./twin.gdb|layername=a_E45G095066"));
  EXPECT_TRUE(Contains(ReadFile(dir / "twin.gpkg.qgs"), "./twin.gpkg|layername=a_E45G095066"));
  EXPECT_FALSE(Contains(ReadFile(dir / "twin.gpkg.qgs"), "twin.gdb|"));
  EXPECT_TRUE(Contains(ReadFile(dir / "twin.gdb.qml"), "tarvik-output: twin.gdb"));
  // Ours is replaced by the next run into the same output.
  EXPECT_EQ(RunCli({"sheet", "E45G095065", "-o", dir / "twin.gpkg", "--overwrite"}).exitCode, 0);
  EXPECT_TRUE(Contains(ReadFile(dir / "twin.gpkg.qgs"), "a_E45G095065"));

  // A file that is not ours under the project's or style's name, or ours
  // made read-only: the run is refused before anything is written.
  struct Case {
    const char* file;  // beside the output
    const char* output;
    std::function<void(const std::string&)> make;
  };
  const Case cases[] = {
      {"plan.gpkg.qgs", "plan.gpkg", [](const std::string& f) { WriteFile(f, "<qgis>my project</qgis>"); }},
      {"roads.gdb.qml", "roads.gdb", [](const std::string& f) { WriteFile(f, "<qgis>my style</qgis>"); }},
      {"twin.gpkg.qgs", "twin.gpkg", [](const std::string& f) { ::chmod(f.c_str(), 0444); }},
  };
  for (const Case& c : cases) {
    const std::string file = dir / c.file, output = dir / c.output;
    c.make(file);
    const std::string before = ReadFile(file);
    const std::string outputBefore = fs::is_regular_file(output) ? ReadFile(output) : "";
    const CliResult r = RunCli({"sheet", "E45G095066", "-o", output, "--overwrite"});
    EXPECT_EQ(r.exitCode, 1) << c.file;
    EXPECT_TRUE(Contains(r.err, file) && Contains(r.err, "--no-project")) << r.err;
    EXPECT_EQ(ReadFile(file), before) << c.file;
    if (outputBefore.empty())
      EXPECT_FALSE(fs::exists(output)) << c.output;
    else
      EXPECT_EQ(ReadFile(output), outputBefore) << c.output;
    // Without a project the run goes on, and leaves the file alone.
    EXPECT_EQ(RunCli({"sheet", "E45G095066", "-o", output, "--overwrite", "--no-project"}).exitCode, 0)
        << c.file;
    EXPECT_EQ(ReadFile(file), before) << c.file;
  }
}

TEST(BesideTheOutput, TheDxfWorkingStoreIsAFolderOfItsOwnAndGoes) {
  TempDir dir;
  WriteFile(dir / "survey.dxf.gpkg", "my own GeoPackage");
  const CliResult r = RunCli({"sheet", "E45G095066", "-o", dir / "survey.dxf"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "survey.dxf.gpkg"), "my own GeoPackage");
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"survey.dxf", "survey.dxf.gpkg"}));
}

TEST(OverwriteGdb, RefusesWhileTheFolderHoldsAFileItsCatalogDoesNotName) {
  TempDir dir;
  const std::string gdb = dir / "x.gdb";
  ASSERT_EQ(RunCli({"sheet", "E45G095066", "-o", gdb, "--no-project"}).exitCode, 0);
  WriteFile(gdb + "/a0000009a.gdbtable", "my own table");
  const CliResult r = RunCli({"sheet", "E45G095065", "-o", gdb, "--overwrite", "--no-project"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "a0000009a.gdbtable")) << r.err;
  EXPECT_EQ(ReadFile(gdb + "/a0000009a.gdbtable"), "my own table");
  EXPECT_TRUE(ReadWithGdal(gdb).has("a_E45G095066")) << "the store is untouched";
  // Moved away, the store is replaced.
  fs::remove(gdb + "/a0000009a.gdbtable");
  EXPECT_EQ(RunCli({"sheet", "E45G095065", "-o", gdb, "--overwrite", "--no-project"}).exitCode, 0);
  EXPECT_TRUE(ReadWithGdal(gdb).has("a_E45G095065"));
}

TEST(LongNames, EveryNameTheStoreTakesGetsItsLockCheckpointAndProject) {
  if (!CliCanPreview()) GTEST_SKIP() << "this tarvik-cli has no preview (built without Qt)";

  TempDir dir;
  // 255 bytes with ".gdb": ".lock", ".checkpoint" and ".qgs" would pass
  // the file system's limit.
  for (const char* layout : {"per-frame", "shared"}) {
    const std::string gdb = dir / (std::string(251, layout[0]) + ".gdb");
    const CliResult r = RunCli({"sheet", "E45G095066", "-o", gdb, "--layout", layout});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadWithGdal(gdb).has(layout[0] == 'p' ? "a_E45G095066" : "a_frames"));
    EXPECT_EQ(RunCli({"preview", gdb, "-o", dir / "p.png"}).exitCode, 0);
    std::smatch project;
    ASSERT_TRUE(std::regex_search(r.out, project, std::regex("QGIS工程: (\\S+)"))) << r.out;
    EXPECT_TRUE(Contains(ReadFile(project[1]), "layername=a_")) << project[1];
  }
  for (const auto& name : Entries(dir.path())) EXPECT_FALSE(Contains(name, ".lock")) << name;
  // A GeoPackage's journal takes 8 bytes more: a name that leaves no room
  // for it is refused before anything is made.
  const CliResult tooLong = RunCli({"sheet", "E45G095066", "-o", dir / (std::string(243, 'g') + ".gpkg")});
  EXPECT_EQ(tooLong.exitCode, 1);
  EXPECT_TRUE(Contains(tooLong.err, "太长")) << tooLong.err;
  EXPECT_FALSE(fs::exists(dir / (std::string(243, 'g') + ".gpkg")));
  EXPECT_EQ(RunCli({"sheet", "E45G095066", "-o", dir / (std::string(242, 'g') + ".gpkg")}).exitCode, 0);
}

// What no run can draw or name is refused before the output is touched: an
// output there already stays as it was, byte for byte.
TEST(Refusals, EveryOneComesBeforeTheOutputIsTouched) {
  TempDir dir;
  ASSERT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "114.0001", "0.9", "114.2", "1.1",
                    "--zone-width", "6", "--central-meridian", "117", "-o", dir / "equator.shp"})
                .exitCode,
            0);
  Polygons(dir, "equator_polygons.shp", {"P1", "P2"}, 50000);
  Polygons(dir, "frames.shp", {"b", "frames"});
  Polygons(dir, "pipe.shp", {"a|b", "c"});
  Polygons(dir, "repeated.shp", {"A", "B", "A"});
  Polygons(dir, "twins.shp", {"A", "a"});
  Polygons(dir, "unnamed.shp", {"x", "<null>"});
  // GBK text in a file whose .cpg says UTF-8.
  Polygons(dir, "gbk.shp", {Utf8ToGbk("北京"), "B"});
  ASSERT_EQ(ReadFile(dir / "gbk.cpg").substr(0, 5), "UTF-8");

  struct Case {
    const char* what;
    std::vector<std::string> args;  // without the output
    std::vector<std::string> told;  // what the message names
  };
  const Case cases[] = {
      {"west of 20°E", {"sheet", "J31G001001"}, {"J31G001001", "东经20°", "rgdmsmode=2"}},
      {"index reaching south of 1°N",
       {"index", dir / "equator.shp", "--name-template", "[TFH]", "--layout", "shared"},
       {"12个不能绘制", "A50G073001", "纬度0.958333°–1°", "--where"}},
      {"polygons south of 1°N",
       {"area", dir / "equator_polygons.shp", "--name-template", "[NAME]"},
       {"2个不能绘制", "NAME=P1", "Rg4JAnn=0"}},
      {"a frame named frames in the shared layout",
       {"area", dir / "frames.shp", "--name-template", "[NAME]", "--layout", "shared"},
       {"“frames”", "yframes"}},
      {"| in a name", {"area", dir / "pipe.shp", "--name-template", "[NAME]"}, {"“a|b”", "QGIS"}},
      {"repeated names",
       {"area", dir / "repeated.shp", "--name-template", "[NAME]"},
       {"文件名中，必须包括字段", "“A”有2个要素", "FID"}},
      {"names differing in case",
       {"area", dir / "twins.shp", "--name-template", "[NAME]"},
       {"“A”与“a”", "大小写"}},
      {"a feature without a name",
       {"area", dir / "unnamed.shp", "--name-template", "[NAME]"},
       {"1个要素没有值"}},
      {"GBK text under a UTF-8 .cpg",
       {"area", dir / "gbk.shp", "--name-template", "[NAME]"},
       {"UTF-8", "字段NAME", "按GBK读是“北京”", "936"}},
  };
  for (const Case& c : cases) {
    const std::string output = dir / "kept.gpkg";
    fs::remove(output);
    ASSERT_EQ(RunCli({"sheet", "E45G095066", "-o", output, "--no-project"}).exitCode, 0);
    const std::string before = ReadFile(output);
    const std::vector<std::string> files = Entries(dir.path());
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", output, "--overwrite"});
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 1) << c.what;
    for (const std::string& part : c.told) EXPECT_TRUE(Contains(r.err, part)) << c.what << ": " << r.err;
    EXPECT_TRUE(IsValidUtf8(r.err)) << c.what;
    EXPECT_EQ(ReadFile(output), before) << c.what;
    EXPECT_EQ(Entries(dir.path()), files) << c.what;
  }
}

TEST(Settings, AFifoIsRefusedAndNeverWaitedOn) {
  TempDir dir;
  const std::string fifo = dir / "settings.set";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Should the program open the FIFO, a writer comes after a while and
  // closes it: the run then ends, and the test fails instead of hanging.
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 100 && !done; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        ::close(fd);
        return;
      }
    }
  });
  const CliResult r = RunCli({"sheet", "E45G095066", "-o", dir / "x.gpkg", "--settings", fifo});
  done = true;
  writer.join();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "不是普通文件")) << r.err;
  EXPECT_FALSE(fs::exists(dir / "x.gpkg"));
}

TEST(Convert, AStreamWithoutLineBreaksIsRefusedInBoundedMemory) {
  // 64 MB in one line, then a pair of numbers, made by a pipe so that no
  // process but the converter could hold them.
  TempDir dir;
  const std::string command = "{ head -c 67108864 /dev/zero | tr '\\0' 4; printf '\\n40 88\\n'; } | " +
                              CliPath() + " convert --to-xy - --zone-width 6 --zone-prefix >" +
                              (dir / "out") + " 2>" + (dir / "err");
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadFile(dir / "out"), "* *\n4430010.1349 15585394.6599\n");
  const std::string err = ReadFile(dir / "err");
  EXPECT_TRUE(Contains(err, "第 1 行") && Contains(err, "行太长")) << err;
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  // A sanitizer's runtime and shadow memory alone pass the bound.
  if (!BuiltWithSanitizer()) {
    EXPECT_LT(children.ru_maxrss, 48 * 1024) << "peak kilobytes of the converter";
  }
}

}  // namespace
}  // namespace tarvik::test
