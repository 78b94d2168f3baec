#include <gtest/gtest.h>

#include "app/window_rules.h"
#include "common/error.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

TEST(WindowRules, ScaleTextsAsTheyAreTyped) {
  for (const char* text : {"", "1", "1:", "1：2", "1 : 2.5万", "10000", "2.5", ".5", "5万", " 5 万 "})
    EXPECT_TRUE(ScaleTextTypable(U(text))) << text;
  for (const char* text : {"1.2.5", "x", "1:5万x", "2:5000", "5万1", "万万", "-5", "1e4", "50000m"})
    EXPECT_FALSE(ScaleTextTypable(U(text))) << text;
}

TEST(WindowRules, ExtensionOfTheChosenFilter) {
  const QStringList exts = {"*.gdb", "*.gpkg"};
  struct Case {
    const char* path;
    int filter;
    const char* result;
  };
  const Case cases[] = {
      {"/data/out/frames", 0, "/data/out/frames.gdb"},
      {"/data/out/frames", 1, "/data/out/frames.gpkg"},
      {"/data/out/frames.gdb", 1, "/data/out/frames.gpkg"},
      {"/data/out/frames.gpkg", 0, "/data/out/frames.gdb"},
      {"/data/out/my.frames", 0, "/data/out/my.gdb"},
      {"/data/v1.2/frames", 1, "/data/v1.2/frames.gpkg"},
      {"/data/out/frames", 7, "/data/out/frames.gdb"},  // no such filter: the default
  };
  for (const Case& c : cases)
    EXPECT_EQ(PathWithChosenExtension(U(c.path), exts, c.filter, ".gdb"), U(c.result)) << c.path;
}

TEST(WindowRules, DirectoryOfTheOutput) {
  EXPECT_EQ(DirectoryPart("map.gdb"), "");
  EXPECT_EQ(DirectoryPart("/data/out/map.gdb"), "/data/out/");
  EXPECT_EQ(DirectoryPart("./map.gdb"), "./");
  EXPECT_EQ(DirectoryPart("/map.gpkg"), "/");
}

TEST(WindowRules, WhyAFileDidNotOpen) {
  const std::pair<ShellOpenResult, const char*> texts[] = {
      {ShellOpenResult::OutOfMemory, "操作系统内存资源不足！"},
      {ShellOpenResult::FileNotFound, "文件找不到！"},
      {ShellOpenResult::PathNotFound, "路径找不到！"},
      {ShellOpenResult::BadFormat, "文件执行格式错误，不能打开！"},
      {ShellOpenResult::BadFileName, "文件名错误！"},
      {ShellOpenResult::Other, "文件运行错误！"},
  };
  for (const auto& [result, text] : texts) EXPECT_EQ(ShellOpenMessage(result), U(text));

  test::TempDir dir;
  test::WriteFile(dir / "here.html", "x");
  EXPECT_EQ(ShellOpenFailure(QString::fromStdString(dir / "missing.html")), ShellOpenResult::FileNotFound);
  EXPECT_EQ(ShellOpenFailure(QString::fromStdString(dir / "no/such/folder/x.html")),
            ShellOpenResult::PathNotFound);
  EXPECT_EQ(ShellOpenFailure(QString::fromStdString(dir / "here.html")), ShellOpenResult::Other);
  EXPECT_EQ(ShellOpenFailure(""), ShellOpenResult::BadFileName);
}

}  // namespace
}  // namespace tarvik
