// tarvik-cli preview, and --preview on the sheet command, run as a user would.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "preview_support.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

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

TEST(PreviewCli, IndexRunPreviewsItsFirstFrame) {
  TempDir dir;
  ASSERT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "88.0625", "16.0", "88.13", "16.05", "-o",
                    dir / "i.shp"})
                .exitCode,
            0);
  const CliResult r = RunCli({"index", dir / "i.shp", "-o", dir / "o.gpkg", "--name-template", "[TFH]",
                              "--preview", dir / "first.svg"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string svg = ReadFile(dir / "first.svg");
  EXPECT_TRUE(Contains(svg, "<title>E45G09"));  // one of the index's sheets

  const CliResult bad = RunCli(
      {"area", dir / "i.shp", "-o", dir / "a.gpkg", "--name-template", "[TFH]", "--preview", dir / "x.bmp"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_FALSE(fs::exists(dir / "a.gpkg"));
}

// Page sizes (points) of a PDF, in page order.
std::vector<std::pair<double, double>> PdfPages(const std::string& pdf) {
  std::vector<std::pair<double, double>> pages;
  static const std::regex box(R"(/MediaBox \[0 0 ([0-9.]+) ([0-9.]+)\])");
  for (std::sregex_iterator it(pdf.begin(), pdf.end(), box), end; it != end; ++it)
    pages.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
  return pages;
}

TEST(PreviewCli, AllFramesIntoOnePdfFittedOrOnPaper) {
  TempDir dir;
  const std::string store = dir / "two.gpkg";
  ASSERT_TRUE(WriteSheet(store, "E45G095066", NoteOnlySettings(false)));
  ASSERT_TRUE(WriteSheet(store, "E45G095067", NoteOnlySettings(false)));

  const CliResult fitted = RunCli({"preview", store, "--all", "-o", dir / "all.pdf"});
  ASSERT_EQ(fitted.exitCode, 0) << fitted.err;
  const auto pages = PdfPages(ReadFile(dir / "all.pdf"));
  ASSERT_EQ(pages.size(), 2u);
  // Each page is the frame's own preview page.
  ASSERT_EQ(RunCli({"preview", store, "--frame", "E45G095067", "-o", dir / "one.pdf"}).exitCode, 0);
  EXPECT_EQ(PdfPages(ReadFile(dir / "one.pdf")), std::vector{pages[1]});
  EXPECT_GT(pages[1].first / 72 * 25.4, 600);  // 1:10 000, not shrunk to a sheet of paper

  // On A0 the landscape sheet lies across the paper; A4 cannot hold it at its
  // scale, and nothing is written.
  ASSERT_EQ(RunCli({"preview", store, "--all", "-o", dir / "a0.pdf", "--paper", "a0"}).exitCode, 0);
  for (const auto& [w, h] : PdfPages(ReadFile(dir / "a0.pdf"))) {
    EXPECT_NEAR(w / 72 * 25.4, 1189, 1);
    EXPECT_NEAR(h / 72 * 25.4, 841, 1);
  }
  const CliResult a4 = RunCli({"preview", store, "--all", "-o", dir / "a4.pdf", "--paper", "A4"});
  EXPECT_EQ(a4.exitCode, 1);
  EXPECT_TRUE(Contains(a4.err, "A4")) << a4.err;
  EXPECT_TRUE(Contains(a4.err, "E45G095066")) << a4.err;
  EXPECT_FALSE(fs::exists(dir / "a4.pdf"));
  EXPECT_EQ(RunCli({"preview", store, "--all", "-o", dir / "x.png"}).exitCode, 2);
  EXPECT_EQ(RunCli({"preview", store, "--all", "--frame", "E45G095066", "-o", dir / "x.pdf"}).exitCode, 2);
}

}  // namespace
}  // namespace tarvik::test
