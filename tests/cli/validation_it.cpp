// Inputs a hostile but realistic user gives the command line: wrong sheet
// numbers, damaged and NaN shapes, names that differ only in letter case,
// absurd grids, a low open-file limit. Each is refused before the output is
// touched, or skipped by name, never crashes and never ends in success with
// frames missing.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/gdal_readback.h"
#include "support/test_shapefile.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

int FrameCount(const ReadStore& s) {
  int n = 0;
  for (const auto& entry : s.layers) n += entry.first.rfind("L_", 0) == 0;
  return n;
}

// The 3 x 3 sheets around E45G095066, planar Xi'an 1980.
std::string MakeIndex(const TempDir& dir, const std::string& name = "sheets.shp") {
  const std::string path = dir / name;
  EXPECT_EQ(
      RunCli({"make-index", "--scale", "10000", "--bbox", "88.0", "16.0", "88.1875", "16.125", "-o", path})
          .exitCode,
      0);
  return path;
}

TEST(ValidationCli, WrongSheetNumbersAreRefusedWithTheirReasonAndTouchNothing) {
  TempDir dir;
  const std::string existing = dir / "old.gpkg";
  ASSERT_EQ(RunCli({"sheet", "E45G095066", "-o", existing}).exitCode, 0);
  const std::string before = ReadFile(existing);
  for (const char* number : {"J-50-5-(99)", "J-50-145", "J-50-0", "J50G097001", "J-50-5-(24", "E45G 95 66",
                             "J-50-5-(2147483647)", "a50G001001", "J-5", "E45G09506"}) {
    for (const std::string& out : {dir / "new.gpkg", existing}) {
      const CliResult r = RunCli({"sheet", number, "-o", out, "--overwrite"});
      EXPECT_EQ(r.exitCode, 1) << number;
      EXPECT_TRUE(Contains(r.err, "图幅号") && Contains(r.err, "：")) << number << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "new.gpkg")) << number;
  }
  EXPECT_EQ(ReadFile(existing), before);
  // A valid number of a whole 1:1,000,000 sheet keeps its two-digit column.
  const CliResult j07 = RunCli({"sheet-info", "J-07", "--json"});
  EXPECT_EQ(j07.exitCode, 0) << j07.err;
  EXPECT_TRUE(Contains(j07.out, "\"number\": \"J07\"")) << j07.out;
}

TEST(ValidationCli, UnusableShapesAreSkippedByNameAndDamagedFilesRefused) {
  TempDir dir;
  // Two sheets of the index, the second with a NaN corner (as a damaged file
  // or another program may leave it); the neighbour lookup reads them all.
  const std::string index = MakeIndex(dir);
  const ReadStore sheets = ReadWithGdal(index);
  const auto& features = sheets.layers.begin()->second.features;
  std::vector<TestFeature> two;
  for (int i : {0, 1}) two.push_back({{{"TFH", features[i].fields.at("TFH")}}, {features[i].parts[0]}});
  two[1].parts[0][0].x = 612345.5;
  WriteTestShapefile(dir / "nan.shp", 2374, {"TFH"}, two);
  PoisonShapefileCoordinate(dir / "nan.shp", 612345.5);

  const CliResult index1 = RunCli(
      {"index", dir / "nan.shp", "-o", dir / "n.gpkg", "--name-template", "[TFH]", "--set", "edtField=TFH"});
  EXPECT_EQ(index1.exitCode, 1) << index1.err;
  EXPECT_TRUE(
      Contains(index1.err, "跳过要素(FID=1, TFH=" + two[1].fields.at("TFH") + ")：坐标中有无效的数值"))
      << index1.err;
  EXPECT_EQ(FrameCount(ReadWithGdal(dir / "n.gpkg")), 1);

  const CliResult cover =
      RunCli({"make-index", "--scale", "10000", "--cover", dir / "nan.shp", "-o", dir / "c.shp"});
  EXPECT_EQ(cover.exitCode, 1) << cover.err;
  EXPECT_TRUE(Contains(cover.err, "跳过要素(FID=1)：坐标中有无效的数值")) << cover.err;

  // A .shp cut short: refused before anything is written.
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
    fs::copy_file(dir / (std::string("sheets") + ext), dir / (std::string("cut") + ext));
  fs::resize_file(dir / "cut.shp", fs::file_size(dir / "cut.shp") / 2);
  const CliResult cut =
      RunCli({"index", dir / "cut.shp", "-o", dir / "cut.gpkg", "--name-template", "[TFH]"});
  EXPECT_EQ(cut.exitCode, 1) << cut.err;
  EXPECT_TRUE(Contains(cut.err, "已损坏或不完整")) << cut.err;
  EXPECT_FALSE(fs::exists(dir / "cut.gpkg"));
  EXPECT_EQ(RunCli({"fields", dir / "cut.shp"}).exitCode, 1);
}

TEST(ValidationCli, NamesThatDifferOnlyInLetterCaseAreRefusedBeforeTheRun) {
  TempDir dir;
  const std::string area = dir / "area.shp";
  WriteTestShapefile(area, 2374, {"NAME", "CODE"},
                     {{{{"NAME", "abc"}, {"CODE", "A-1"}}, {Rectangle(613000, 1774000, 617500, 1778200)}},
                      {{{"NAME", "ABC"}, {"CODE", "a_1"}}, {Rectangle(620000, 1774000, 621000, 1775000)}}});
  const CliResult fields = RunCli({"fields", area, "--json"});
  EXPECT_TRUE(Contains(fields.out, "\"name_fields\": [\"FID\", \"CODE\"]")) << fields.out;
  for (const char* nameTemplate : {"[NAME]", "[CODE]"}) {
    const CliResult r = RunCli({"area", area, "-o", dir / "a.gdb", "--name-template", nameTemplate});
    EXPECT_EQ(r.exitCode, 1) << nameTemplate;
    EXPECT_FALSE(fs::exists(dir / "a.gdb")) << nameTemplate;
  }
  EXPECT_TRUE(
      Contains(RunCli({"area", area, "-o", dir / "a.gdb", "--name-template", "[CODE]"}).err, "输出名称重复"));
}

TEST(ValidationCli, AbsurdGridsAreRefusedNamingTheSetting) {
  TempDir dir;
  const struct {
    std::vector<std::string> settings;
    const char* setting;  // "" when the run goes ahead
  } cases[] = {
      {{"rgGrid=2", "Seinterval=1"}, "Seinterval"},
      {{"rgGrid=1", "Seinterval=1"}, "Seinterval"},
      {{"rgGrid=4", "seJd=1", "sewd=1"}, "seJd"},
      {{"rgGrid=2", "Seinterval=100"}, ""},  // a cross every centimetre: drawn
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"sheet",        "E45G095066",   "-o",
                                     dir / "g.gpkg", "--geographic", "--overwrite"};
    for (const auto& s : c.settings) args.insert(args.end(), {"--set", s});
    const CliResult r = RunCli(args);
    const bool refused = *c.setting != '\0';
    EXPECT_EQ(r.exitCode, refused ? 1 : 0) << c.settings.back() << ": " << r.err;
    EXPECT_TRUE(!refused || Contains(r.err, c.setting)) << r.err;
    EXPECT_EQ(fs::exists(dir / "g.gpkg"), !refused) << c.settings.back();
  }
}

// Runs tarvik-cli in a child whose open-file limits are set first.
CliResult RunWithFileLimit(rlim_t soft, rlim_t hard, const std::vector<std::string>& args) {
  TempDir io;
  const pid_t pid = fork();
  if (pid == 0) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = soft;
    limit.rlim_max = std::min(hard, limit.rlim_max);
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(126);
    const std::string path = CliPath();
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!freopen((io / "out").c_str(), "wb", stdout) || !freopen((io / "err").c_str(), "wb", stderr))
      _exit(127);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(io / "out"), ReadFile(io / "err")};
}

TEST(ValidationCli, LowOpenFileLimitIsRaisedOrTold) {
  TempDir dir;
  const std::string index = MakeIndex(dir);
  const std::vector<std::string> run = {"index", index, "-o", dir / "a.gdb", "--name-template", "[TFH]"};
  // A low soft limit under a high hard one: raised, all nine frames written.
  const CliResult raised = RunWithFileLimit(40, RLIM_INFINITY, run);
  ASSERT_EQ(raised.exitCode, 0) << raised.err;
  EXPECT_EQ(FrameCount(ReadWithGdal(dir / "a.gdb")), 9);
  // A low hard limit: said at once.
  const CliResult low = RunWithFileLimit(40, 40, {"sheet-info", "E45G095066"});
  EXPECT_TRUE(Contains(low.err, "文件数上限只有40个")) << low.err;
}

}  // namespace
}  // namespace tarvik::test
