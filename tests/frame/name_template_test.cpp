// The output-name template check of the file modes and the field choice.
#include <gtest/gtest.h>

#include "common/error.h"
#include "frame/name_template.h"

namespace tarvik {
namespace {

TEST(NameTemplate, FieldOrTheMessageOfTheFault) {
  const std::vector<std::string> fields = {"FID", "NAME", "TFH"};
  const struct {
    const char* text;
    const char* field;    // expected field, or null
    const char* message;  // expected error, or null
  } cases[] = {
      {"[NAME]", "NAME", nullptr},
      {"[Name]图", "Name", nullptr},  // letter case ignored, kept as written
      {"  前缀[tfh]后缀  ", "tfh", nullptr},
      {"[Name]图[CODE]", "Name", nullptr},  // the first field
      {"", nullptr, "字段值没有设置，所以输出图层名为空"},
      {"   ", nullptr, "字段值没有设置，所以输出图层名为空"},
      {"abc", nullptr, "文件名格式不正确"},
      {"[NAME", nullptr, "文件名格式不正确"},
      {"NAME]", nullptr, "文件名格式不正确"},
      {"]x[", nullptr, "文件名中，必须包括字段"},  // "]" first: empty field
      {"[CODE]", nullptr, "文件名中，必须包括字段"},
      {"[]", nullptr, "文件名中，必须包括字段"},
  };
  for (const auto& c : cases) {
    if (c.field) {
      EXPECT_EQ(GetNameField(c.text, fields), c.field) << c.text;
      continue;
    }
    try {
      GetNameField(c.text, fields);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const RunError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.text;
    }
  }
}

TEST(NameTemplate, ChoosingAFieldKeepsWhatSurroundsIt) {
  EXPECT_EQ(TemplateWithField("图_[OLD]_2", "NEW"), "图_[NEW]_2");
  EXPECT_EQ(TemplateWithField("", "NEW"), "[NEW]");
  EXPECT_EQ(TemplateWithField("abc", "NEW"), "[NEW]");
  EXPECT_EQ(TemplateWithField("前[", "NEW"), "前[NEW]");
  EXPECT_EQ(TemplateWithField("OLD]后", "NEW"), "[NEW]后");
  EXPECT_EQ(TemplateWithField("[A]x[B]", "NEW"), "[NEW]x[B]");
}

TEST(FrameNames, TemplateAndCleaning) {
  EXPECT_EQ(ExpandNameTemplate("[NAME]图", "NAME", "E45G095066"), "E45G095066图");
  EXPECT_EQ(ExpandNameTemplate("plain", "NAME", "x"), "plain");
  EXPECT_EQ(ExpandNameTemplate("[name]", "NAME", "x"), "[name]");  // case-sensitive
  EXPECT_EQ(CleanFrameName("J-50 (1).a"), "J_501_a");
  EXPECT_EQ(CleanFrameName("J-50-5-(24)"), "J_50_5_24");
}

}  // namespace
}  // namespace tarvik
