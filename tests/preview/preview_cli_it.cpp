// tarvik-cli preview, and --preview on the sheet command, run as a user would.
#include <gtest/gtest.h>

#include <filesystem>

#include "preview_support.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(PreviewCli, DrawsTheOnlyFrameWithoutItsName) {
  TempDir dir;
  const std::string store = dir / "one.gdb";
  ASSERT_TRUE(WriteSheet(store, "E45G095066", NoteOnlySettings(false)));
  const CliResult r = RunCli({"preview", store, "-o", dir / "one.png", "--dpi", "40"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "E45G095066")) << r.out;
  EXPECT_TRUE(Contains(r.out, "one.png")) << r.out;
  EXPECT_EQ(ReadFile(dir / "one.png").substr(0, 4), "\x89PNG");
  EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(PreviewCli, RefusalsListTheFramesOrExplainTheUsage) {
  TempDir dir;
  const std::string two = dir / "two.gpkg";
  ASSERT_TRUE(WriteSheet(two, "E45G095066", NoteOnlySettings(false)));
  ASSERT_TRUE(WriteSheet(two, "E45G095067", NoteOnlySettings(false)));
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::vector<std::string> stderrParts;
  } cases[] = {
      {{"preview", two, "--frame", "NOPE", "-o", dir / "a.png"}, 1, {"NOPE", "E45G095066", "E45G095067"}},
      {{"preview", two, "-o", dir / "a.png"}, 1, {"E45G095066", "E45G095067"}},
      {{"preview", dir / "missing.gdb", "-o", dir / "a.png"}, 1, {"missing.gdb"}},
      {{"preview", two, "--frame", "E45G095066", "-o", dir / "a.jpg"}, 2, {".png"}},
      {{"preview", two, "--frame", "E45G095066", "-o", dir / "a.png", "--dpi", "0"}, 2, {"--dpi"}},
      {{"preview", two, "--frame", "E45G095066"}, 2, {"-o"}},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args[3] << " " << r.err;
    for (const auto& part : c.stderrParts) EXPECT_TRUE(Contains(r.err, part)) << part << " in " << r.err;
  }
  EXPECT_FALSE(fs::exists(dir / "a.png"));
  const CliResult ok = RunCli({"preview", two, "--frame", "E45G095067", "-o", dir / "b.svg"});
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_TRUE(Contains(ReadFile(dir / "b.svg"), "<title>E45G095067</title>"));
}

TEST(PreviewCli, SheetWritesItsPreviewAfterTheOutput) {
  TempDir dir;
  const CliResult r = RunCli({"sheet", "J-50-5", "-o", dir / "j.gdb", "--preview", dir / "pics/j.svg"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "预览: ")) << r.out;
  EXPECT_TRUE(Contains(ReadFile(dir / "pics/j.svg"), "<title>J_50_5</title>"));

  // A wrong picture name is refused before anything is written.
  const CliResult bad = RunCli({"sheet", "E45G095066", "-o", dir / "e.gdb", "--preview", dir / "e.gif"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_TRUE(Contains(bad.err, "--preview")) << bad.err;
  EXPECT_FALSE(fs::exists(dir / "e.gdb"));
}

}  // namespace
}  // namespace tarvik::test
