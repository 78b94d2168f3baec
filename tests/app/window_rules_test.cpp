#include <gtest/gtest.h>

#include "app/window_rules.h"
#include "common/error.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

TEST(WindowRules, FieldOfTheNameTemplate) {
  const QStringList fields = {"Name", "CODE"};
  struct Case {
    const char* tmpl;
    const char* field;  // nullptr: refused
    const char* error;
  };
  const Case cases[] = {
      {"[NAME]", "NAME", nullptr},  // letter case ignored, the template's spelling passed on
      {"  图_[code]_2 ", "code", nullptr},
      {"[Name]图[CODE]", "Name", nullptr},
      {"", nullptr, "字段值没有设置，所以输出图层名为空"},
      {"   ", nullptr, "字段值没有设置，所以输出图层名为空"},
      {"abc", nullptr, "文件名格式不正确"},
      {"[abc", nullptr, "文件名格式不正确"},
      {"abc]", nullptr, "文件名格式不正确"},
      {"]x[", nullptr, "文件名中，必须包括字段"},
      {"[]", nullptr, "文件名中，必须包括字段"},
      {"[OTHER]", nullptr, "文件名中，必须包括字段"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tmpl);
    if (c.field) {
      EXPECT_EQ(NameFieldOfTemplate(U(c.tmpl), fields), U(c.field));
      continue;
    }
    try {
      NameFieldOfTemplate(U(c.tmpl), fields);
      ADD_FAILURE() << "accepted";
    } catch (const RunError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
}

TEST(WindowRules, TemplateWithChosenField) {
  const char* cases[][3] = {
      {"图_[OLD]_2", "NEW", "图_[NEW]_2"},
      {"", "NEW", "[NEW]"},
      {"abc", "NEW", "[NEW]"},
      {"前[OLD", "NEW", "前[NEW]"},
      {"OLD]后", "NEW", "[NEW]后"},
      {"[A]x[B]", "NEW", "[NEW]x[B]"},
  };
  for (const auto& c : cases) EXPECT_EQ(TemplateWithField(U(c[0]), U(c[1])), U(c[2])) << c[0];
}

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
