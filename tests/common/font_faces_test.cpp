#include "common/font_faces.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarvik {
namespace {

namespace fs = std::filesystem;

TEST(FontFaces, WindowsFacesTakeTheStandInsOfTheirStyle) {
  const struct {
    const char* face;
    FaceStyle style;
    const char* generic;
  } cases[] = {
      {"宋体", FaceStyle::Song, "serif"},         {"SimSun", FaceStyle::Song, "serif"},
      {"NSIMSUN", FaceStyle::Song, "serif"},      {"仿宋_GB2312", FaceStyle::Song, "serif"},
      {"楷体", FaceStyle::Song, "serif"},         {"KaiTi", FaceStyle::Song, "serif"},
      {"黑体", FaceStyle::Hei, "sans-serif"},     {"SimHei", FaceStyle::Hei, "sans-serif"},
      {"微软雅黑", FaceStyle::Hei, "sans-serif"}, {"Microsoft YaHei", FaceStyle::Hei, "sans-serif"},
      {"Arial", FaceStyle::Other, "sans-serif"},  {"MS Sans Serif", FaceStyle::Other, "sans-serif"},
      {"", FaceStyle::Other, "sans-serif"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FaceStyleOf(c.face), c.style) << c.face;
    EXPECT_STREQ(GenericFamilyOf(c.face), c.generic) << c.face;
    const std::vector<std::string> families = FaceFamilies(c.face);
    ASSERT_FALSE(families.empty()) << c.face;
    if (*c.face == '\0') {
      EXPECT_EQ(families, std::vector<std::string>{"Sans Serif"});
      continue;
    }
    // The stored face first, as written; its style's stand-ins after it.
    EXPECT_EQ(families.front(), c.face);
    std::vector<std::string> expected{c.face};
    for (const std::string& s : StandInFaces(c.style)) expected.push_back(s);
    EXPECT_EQ(families, expected) << c.face;
  }
  EXPECT_EQ(FaceFamilies("  宋体 ").front(), "宋体");
  EXPECT_EQ(StandInFaces(FaceStyle::Song).front(), "AR PL UMing CN");
  EXPECT_EQ(StandInFaces(FaceStyle::Hei).front(), "WenQuanYi Zen Hei");
}

// A fontconfig configuration that knows only the fonts of `dirs`.
std::string FontConfig(const fs::path& folder, const std::vector<std::string>& dirs) {
  fs::create_directories(folder / "cache");
  const fs::path path = folder / "fonts.conf";
  std::ofstream out(path);
  out << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>";
  for (const std::string& d : dirs) out << "<dir>" << d << "</dir>";
  out << "<cachedir>" << (folder / "cache").string() << "</cachedir></fontconfig>\n";
  return path.string();
}

TEST(FontFaces, TheFirstInstalledStandInIsNamed) {
  const std::string uming = "/usr/share/fonts/truetype/arphic", zenhei = "/usr/share/fonts/truetype/wqy";
  if (!fs::exists(uming + "/uming.ttc") || !fs::exists(zenhei + "/wqy-zenhei.ttc"))
    GTEST_SKIP() << "fonts-arphic-uming and fonts-wqy-zenhei are needed";
  const fs::path folder =
      fs::temp_directory_path() /
      ("tarvik_fonts_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  const struct {
    std::vector<std::string> dirs;
    FaceStyle style;
    const char* expected;
  } cases[] = {
      {{uming, zenhei}, FaceStyle::Song, "AR PL UMing CN"},
      {{uming, zenhei}, FaceStyle::Hei, "WenQuanYi Zen Hei"},
      // Only the other style's face: the table's later choice.
      {{zenhei}, FaceStyle::Song, "WenQuanYi Zen Hei"},
      {{uming}, FaceStyle::Hei, "AR PL UMing CN"},
      // Nothing installed: the table's first, which names what to install.
      {{}, FaceStyle::Song, "AR PL UMing CN"},
      {{}, FaceStyle::Hei, "WenQuanYi Zen Hei"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string conf = FontConfig(folder / std::to_string(n++), c.dirs);
    EXPECT_EQ(InstalledStandIn(c.style, conf), c.expected) << conf;
  }
  EXPECT_EQ(InstalledStandIn(FaceStyle::Other), "");
  fs::remove_all(folder);
}

}  // namespace
}  // namespace tarvik
