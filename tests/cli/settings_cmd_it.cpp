#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(SettingsCli, ListsEveryControlWithItsValue) {
  const CliResult r = RunCli({"settings", "--set", "Seinterval=500"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* line : {"Seinterval = 500", "rgGrid = 1", "senw = 80", "centerL = 87", "btn4j = 宋体,6",
                           "sewd = 150", "edtscale = 比例尺1:[scale]"})
    EXPECT_TRUE(Contains(r.out, line)) << line;
  EXPECT_EQ(RunCli({"settings", "--set", "nope=1"}).exitCode, 2);
}

TEST(SettingsCli, SavedFileDrivesABatchRunAndSetOverridesIt) {
  TempDir dir;
  const std::string file = dir / "frame.set";
  ASSERT_EQ(
      RunCli({"settings", "--set", "rgGrid=2", "--set", "edtmian=文件中的标题", "--write", file}).exitCode,
      0);
  // The file's crosshair grid and title are used; --set replaces the title.
  const std::string out = dir / "a.gpkg";
  const CliResult r =
      RunCli({"sheet", "E45G095066", "-o", out, "--settings", file, "--set", "edtmian=命令行标题"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const ReadStore store = ReadWithGdal(out);
  const auto texts = store.layers.at("a_E45G095066").texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "命令行标题"), texts.end());
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "文件中的标题"), texts.end());
  // Crosshair grid: kilometre ticks and 50 m crosses instead of whole lines.
  int crossArms = 0;
  for (const auto& f : store.layers.at("L_E45G095066").features) {
    const auto& p = f.parts[0];
    crossArms += std::hypot(p[1].x - p[0].x, p[1].y - p[0].y) == 50;
  }
  EXPECT_GT(crossArms, 0);

  const CliResult missing =
      RunCli({"sheet", "E45G095066", "-o", dir / "b.gpkg", "--settings", dir / "none.set"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_TRUE(Contains(missing.err, "none.set"));
}

// Reading a settings file is bounded: what is not one is refused at once and
// nothing is written; damage within the limit is told in a bounded message.
TEST(SettingsCli, FilesThatAreNotSettingsAreRefusedQuickly) {
  TempDir dir;
  WriteFile(dir / "big.set", std::string((1 << 20) + 1, 'x'));
  WriteFile(dir / "zeros.set", std::string(1 << 19, '\0'));  // 256 000 empty records
  const struct {
    std::string file;
    int exitCode;
    const char* err;
  } cases[] = {
      {"/dev/zero", 1, "不是普通文件"},
      {dir / "big.set", 1, "大于1MB"},
      {dir.path().string(), 1, "文件夹"},
      {dir / "zeros.set", 0, "另有"},
  };
  for (const auto& c : cases) {
    const std::string out = dir / "x.gpkg";
    const CliResult r = RunCli({"sheet", "E45G095066", "-o", out, "--settings", c.file});
    EXPECT_EQ(r.exitCode, c.exitCode) << c.file << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, c.err)) << r.err;
    EXPECT_LT(std::count(r.err.begin(), r.err.end(), '\n'), 60) << c.file;
    EXPECT_EQ(std::filesystem::exists(out), c.exitCode == 0) << c.file;
    std::filesystem::remove(out);
  }
}

}  // namespace
}  // namespace tarvik::test
