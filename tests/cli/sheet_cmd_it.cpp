#include <gtest/gtest.h>

#include <filesystem>

#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(SheetCli, WritesTheFrameAndSummarises) {
  TempDir dir;
  const std::string out = dir / "out/E45G095066.gdb";
  const CliResult r = RunCli({"sheet", "E45G095066", "-o", out});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "写入 1 个图廓"));
  EXPECT_TRUE(Contains(r.out, "完成，用时"));
  EXPECT_TRUE(Contains(r.out, "毫秒"));
  const ReadStore store = ReadWithGdal(out);
  EXPECT_TRUE(store.has("L_E45G095066"));
  EXPECT_EQ(store.layers.at("L_E45G095066").epsg, 2374);  // suggested central meridian 87
}

TEST(SheetCli, SettingsByControlNameAndGeographicOutput) {
  TempDir dir;
  const std::string out = dir / "g.gpkg";
  const CliResult r = RunCli({"sheet", "J-50-5", "-o", out, "--geographic", "--set", "rgGrid=4", "--set",
                              "seJd=300", "--set", "sewd=200", "--set", "edtmian=某某图"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const ReadStore store = ReadWithGdal(out);
  ASSERT_TRUE(store.has("a_J_50_5"));
  EXPECT_EQ(store.layers.at("L_J_50_5").epsg, 4610);
  const auto texts = store.layers.at("a_J_50_5").texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "某某图"), texts.end());
}

TEST(SheetCli, RefusalsLeaveNothingBehind) {
  TempDir dir;
  const struct {
    std::vector<std::string> extra;
    std::string output;
    int exitCode;
    std::string message;
  } cases[] = {
      {{"--set", "bogus=1"}, "a.gdb", 2, "bogus"},
      {{"--set", "Seinterval=abc"}, "a.gdb", 2, "Seinterval"},
      {{"--set", "centerL=200"}, "a.gdb", 2, "centerL"},
      {{"--datum", "wgs72"}, "a.gdb", 2, "--datum"},
      {{"--scale", "0"}, "a.gdb", 2, "--scale"},
      {{}, "a.mdb", 1, ".gpkg"},
      {{}, "a.shp", 1, ".gdb"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"sheet", "E45G095066", "-o", dir / c.output};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.message << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
    EXPECT_FALSE(fs::exists(dir / c.output)) << c.output;
  }
  const CliResult bad = RunCli({"sheet", "E45G09506", "-o", dir / "b.gdb"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_TRUE(Contains(bad.err, "图幅号输入错误"));
  EXPECT_FALSE(fs::exists(dir / "b.gdb"));
}

TEST(SheetCli, ExistingOutputNeedsOverwriteAndOnlyStoresAreRemoved) {
  TempDir dir;
  const std::string out = dir / "x.gpkg";
  ASSERT_EQ(RunCli({"sheet", "E45G095066", "-o", out}).exitCode, 0);
  const CliResult again = RunCli({"sheet", "E45G095066", "-o", out});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_TRUE(Contains(again.err, "--overwrite"));
  EXPECT_EQ(RunCli({"sheet", "E45G095066", "-o", out, "--overwrite"}).exitCode, 0);

  // A folder that only looks like a geodatabase is never deleted.
  const std::string fake = dir / "notes.gdb";
  fs::create_directories(fake);
  WriteFile(fake + "/thesis.docx", "precious");
  const CliResult r = RunCli({"sheet", "E45G095066", "-o", fake, "--overwrite"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(fs::exists(fake + "/thesis.docx"));
  // A real one is replaced.
  const std::string real = dir / "real.gdb";
  ASSERT_EQ(RunCli({"sheet", "E45G095066", "-o", real}).exitCode, 0);
  EXPECT_EQ(RunCli({"sheet", "J-50-5", "-o", real, "--overwrite"}).exitCode, 0);
  const ReadStore store = ReadWithGdal(real);
  EXPECT_TRUE(store.has("L_J_50_5"));
  EXPECT_FALSE(store.has("L_E45G095066"));
}

}  // namespace
}  // namespace tarvik::test
