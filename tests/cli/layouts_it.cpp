// One index run written in both layouts, read back with GDAL: every frame
// holds the same features (fields, coordinates, texts) whether in classes of
// its own or named in the shared classes; the preview of a frame and the
// QGIS project beside the output find it in either.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <regex>

#include "gdb/output_reader.h"
#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

// A frame's features by kind ('L', 'p', 'a'), each without the fields that
// only place it in its store (OBJECTID is the FID; FrameName).
using FrameFeatures = std::map<char, std::vector<ReadFeature>>;

std::map<std::string, FrameFeatures> ByFrame(const ReadStore& store) {
  std::map<std::string, FrameFeatures> out;
  for (const auto& [name, layer] : store.layers) {
    if (name.size() < 3 || name[1] != '_' || std::string("Lpa").find(name[0]) == std::string::npos) continue;
    const bool shared = name.substr(2) == "frames";
    for (ReadFeature f : layer.features) {
      const std::string frame = shared ? f.fields["FrameName"] : name.substr(2);
      f.fields.erase("FrameName");
      out[frame][name[0]].push_back(std::move(f));
    }
  }
  return out;
}

// The same position, to a micrometre.
bool Near(XY a, XY b) { return std::fabs(a.x - b.x) < 1e-6 && std::fabs(a.y - b.y) < 1e-6; }

bool Same(const ReadFeature& a, const ReadFeature& b) {
  if (a.fields != b.fields || !Near(a.point, b.point) || a.parts.size() != b.parts.size()) return false;
  for (std::size_t i = 0; i < a.parts.size(); ++i) {
    if (a.parts[i].size() != b.parts[i].size()) return false;
    for (std::size_t k = 0; k < a.parts[i].size(); ++k)
      if (!Near(a.parts[i][k], b.parts[i][k])) return false;
  }
  return true;
}

// The features of `b` not matched one to one by a feature of `a`, and the
// other way round: empty when both hold the same.
std::string Unmatched(std::vector<ReadFeature> a, std::vector<ReadFeature> b) {
  std::string out;
  for (const ReadFeature& f : a) {
    auto it = std::find_if(b.begin(), b.end(), [&](const ReadFeature& g) { return Same(f, g); });
    if (it == b.end()) {
      out += " only per-frame: ID " + std::to_string(f.id()) + " " + f.text() + ";";
      continue;
    }
    b.erase(it);
  }
  for (const ReadFeature& g : b) out += " only shared: ID " + std::to_string(g.id()) + " " + g.text() + ";";
  return out;
}

std::vector<std::string> Listed(const std::string& output) {
  std::vector<std::string> names;
  const OutputReader reader(output);
  for (const FrameInfo& f : reader.frames()) names.push_back(f.frame);
  return names;
}

class Layouts : public ::testing::TestWithParam<const char*> {};

TEST_P(Layouts, SameFeaturesPreviewAndProjectInBoth) {
  if (!CliCanPreview()) GTEST_SKIP() << "this tarvik-cli has no preview (built without Qt)";

  TempDir dir;
  const std::string kind = GetParam();
  const std::string index = dir / "sheets.shp", perFrame = dir / ("own" + kind),
                    shared = dir / ("shared" + kind);
  ASSERT_EQ(
      RunCli({"make-index", "--scale", "10000", "--bbox", "88", "16", "88.1875", "16.0833", "-o", index})
          .exitCode,
      0);
  // Neighbour names and a kilometre grid: every kind of element.
  const std::vector<std::string> run = {"index", index,          "--name-template", "[TFH]",
                                        "--set", "edtField=TFH", "--set",           "rgGrid=1"};
  auto with = [&](const std::string& out, std::vector<std::string> extra) {
    std::vector<std::string> args = run;
    args.insert(args.end(), {"-o", out});
    args.insert(args.end(), extra.begin(), extra.end());
    return RunCli(args);
  };
  const CliResult own = with(perFrame, {});
  ASSERT_EQ(own.exitCode, 0) << own.err;
  const CliResult one = with(shared, {"--layout", "shared"});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_FALSE(std::filesystem::exists(shared + ".checkpoint"));  // a run that ends leaves none
  EXPECT_EQ(own.out.substr(0, own.out.find('\n')), one.out.substr(0, one.out.find('\n')));  // the counts

  const auto a = ByFrame(ReadWithGdal(perFrame)), b = ByFrame(ReadWithGdal(shared));
  ASSERT_EQ(a.size(), 6u);
  ASSERT_EQ(b.size(), a.size());
  for (const auto& [frame, features] : a) {
    ASSERT_TRUE(b.count(frame)) << frame;
    for (const char k : {'L', 'p', 'a'}) {
      EXPECT_EQ(features.at(k).size(), b.at(frame).at(k).size()) << frame << " " << k;
      EXPECT_EQ(Unmatched(features.at(k), b.at(frame).at(k)), "") << frame << " " << k;
    }
  }
  EXPECT_EQ(Listed(shared), Listed(perFrame));

  // The preview of one frame picked by name: the same drawing (from a File
  // GDB the page may lie a ten-thousandth of a millimetre apart).
  const std::string frame = "E45G095066";
  const CliResult pa = RunCli({"preview", perFrame, "--frame", frame, "-o", dir / "own.svg"});
  const CliResult pb = RunCli({"preview", shared, "--frame", frame, "-o", dir / "shared.svg"});
  ASSERT_EQ(pa.exitCode, 0) << pa.err;
  ASSERT_EQ(pb.exitCode, 0) << pb.err;
  const std::string svgA = ReadFile(dir / "own.svg"), svgB = ReadFile(dir / "shared.svg");
  if (kind == ".gpkg") {
    EXPECT_EQ(svgA, svgB);
  }
  const std::regex element("<(path|text|polygon)");
  const auto count = [&](const std::string& s) {
    return std::distance(std::sregex_iterator(s.begin(), s.end(), element), std::sregex_iterator());
  };
  EXPECT_GT(count(svgB), 100);
  EXPECT_EQ(count(svgA), count(svgB));
  const CliResult none = RunCli({"preview", shared, "--frame", "E45G000000", "-o", dir / "x.svg"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find(frame), std::string::npos) << none.err;  // the frames are listed

  // The project: each frame's group filters the shared classes by its name,
  // and one more group holds them whole.
  const std::string qgs = ReadFile(shared + ".qgs");
  for (const auto& [name, unused] : a) {
    const std::string filter = "subset=&quot;FrameName&quot; = &apos;" + name + "&apos;</datasource>";
    std::size_t n = 0;
    for (auto at = qgs.find(filter); at != std::string::npos; at = qgs.find(filter, at + 1)) ++n;
    EXPECT_EQ(n, 3u) << name;
  }
  EXPECT_NE(qgs.find("全部图廓"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Stores, Layouts, ::testing::Values(".gpkg", ".gdb"));

}  // namespace
}  // namespace tarvik::test
