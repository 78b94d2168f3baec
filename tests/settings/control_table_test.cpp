#include <gtest/gtest.h>

#include <set>

#include "settings/control_table.h"
#include "settings/font_value.h"

namespace tarvik {
namespace {

// A value of the entry's control form that differs from its default.
std::string OtherValue(const ControlEntry& e) {
  switch (e.kind) {
    case ControlKind::Edit:
      return e.name == "edtMapscale1" ? "50000" : "其他[X]";
    case ControlKind::Memo:
      return "一<Br>二<Br>三";
    case ControlKind::SpinEdit:
      return e.range ? std::to_string(e.range->max) : "-7";
    case ControlKind::RadioGroup:
    case ControlKind::ComboBox:
      return e.defaultValue == "0" ? std::to_string(e.items.size() - 1) : "0";
    case ControlKind::CheckBox:
      return e.defaultValue == "True" ? "False" : "True";
    case ControlKind::FontButton:
      return "黑体,33,bold,italic,#102030";
    case ControlKind::RichEdit:
      return "x";
  }
  return "";
}

TEST(ControlTable, EveryControlOfBothWindowsIsThereOnce) {
  const std::set<std::string> main = {"rgtype",     "gb8054",          "rgisband",     "cbFdf",
                                      "centerL",    "chkAutoMeridian", "edtMapscale1", "rgjw",
                                      "edtTowgs84", "cbLayout"};
  const std::set<std::string> dialog = {"rgdmsmode",
                                        "sentod",
                                        "senw",
                                        "Seinterval",
                                        "btnDFont",
                                        "btnXFont",
                                        "SeLineLength",
                                        "btntscale",
                                        "btn4j",
                                        "Rg4JAnn",
                                        "morb",
                                        "btnrightdown",
                                        "serb",
                                        "edtmapTitle",
                                        "btnmapTitle",
                                        "seMapTitleTop",
                                        "semapTitler",
                                        "edtleft",
                                        "btnleft",
                                        "seleft",
                                        "molb",
                                        "selb",
                                        "btnleftdown",
                                        "edtscale",
                                        "sescale",
                                        "seoutw",
                                        "edtmian",
                                        "btntlitle1",
                                        "seMain",
                                        "edtmian1",
                                        "btntlitle2",
                                        "semian1",
                                        "edtmian2",
                                        "btntlitle3",
                                        "semian2",
                                        "rgGrid",
                                        "RGJWWZJ",
                                        "edtru",
                                        "btnRightUp",
                                        "seru",
                                        "sewd",
                                        "seJd",
                                        "edtField",
                                        "SEW",
                                        "SeH",
                                        "btnjionMap",
                                        "SeX",
                                        "SeY",
                                        "rgHor",
                                        "rgver",
                                        "Chkiskmann",
                                        "rgwdalignmode",
                                        "seForenum",
                                        "seafternum",
                                        "seannforenum",
                                        "seannafternum",
                                        "chkscaleBarShow",
                                        "seScaleBarlen",
                                        "sescalebarkd",
                                        "seScaleBarHeight",
                                        "btnscalebarFont",
                                        "sejwcrosslen",
                                        "edtrightbottom",
                                        "edtBKZJDIS",
                                        "RGBKZJMode",
                                        "chkSetDa",
                                        "seYaDIS",
                                        "RGYaSet",
                                        "chkNeighbourNo",
                                        "chkNorthShow",
                                        "seNorthRight",
                                        "seNorthBelow",
                                        "seNorthLength",
                                        "rgDeclination",
                                        "seDeclination",
                                        "seDeclinationChange",
                                        "seDeclinationYear",
                                        "edtCofFile",
                                        "seNorthYear",
                                        "chkSlopeShow",
                                        "seSlopeLeft",
                                        "seSlopeBelow",
                                        "seSlopeStep",
                                        "seContour",
                                        "rgPrintPaper",
                                        "sePrintMargin"};
  std::set<std::string> seenMain, seenDialog;
  int fonts = 0;
  for (const auto& e : ControlTable()) {
    auto& seen = e.form == SettingsForm::Main ? seenMain : seenDialog;
    EXPECT_TRUE(seen.insert(std::string(e.name)).second) << "twice: " << e.name;
    if (e.kind == ControlKind::FontButton) ++fonts;
  }
  EXPECT_EQ(seenMain, main);
  EXPECT_EQ(seenDialog, dialog);
  EXPECT_EQ(fonts, 14);
}

TEST(ControlTable, DefaultsAreTheDefaultSettingsBothWays) {
  const TFrameSettings defaults;
  TFrameSettings changed;
  for (const auto& e : ControlTable()) {
    EXPECT_EQ(ReadControlValue(defaults, e), e.defaultValue) << e.name;
    const std::string other = OtherValue(e);
    ASSERT_EQ(ApplyControlValue(changed, e, other), std::nullopt) << e.name << "=" << other;
    EXPECT_NE(ReadControlValue(changed, e), e.defaultValue) << e.name;
  }
  for (const auto& e : ControlTable())
    ASSERT_EQ(ApplyControlValue(changed, e, e.defaultValue), std::nullopt) << e.name;
  EXPECT_TRUE(changed == defaults);
}

TEST(ControlTable, ReadBackGivesTheValueApplied) {
  for (const auto& e : ControlTable()) {
    TFrameSettings s;
    const std::string value = OtherValue(e);
    ASSERT_EQ(ApplyControlValue(s, e, value), std::nullopt) << e.name;
    TFrameSettings again;
    ASSERT_EQ(ApplyControlValue(again, e, ReadControlValue(s, e)), std::nullopt) << e.name;
    EXPECT_TRUE(again == s) << e.name << ": " << value << " -> " << ReadControlValue(s, e);
  }
}

TEST(ControlTable, Conversions) {
  TFrameSettings s;
  EXPECT_EQ(ApplyControlValue(s, "sewd", "150"), std::nullopt);
  EXPECT_EQ(s.sewd, 150.0L / 3600.0L);
  EXPECT_EQ(ApplyControlValue(s, "seJd", "450"), std::nullopt);
  EXPECT_EQ(s.seJd, 450.0L / 3600.0L);
  EXPECT_EQ(ApplyControlValue(s, "sejwcrosslen", "36"), std::nullopt);
  EXPECT_EQ(s.sejwcrosslen, 0.01L);
  EXPECT_EQ(ReadControlValue(s, *FindControl("sejwcrosslen")), "36");

  EXPECT_EQ(ApplyControlValue(s, "edtField", "[NAME]"), std::nullopt);
  EXPECT_EQ(s.edtField, "NAME");
  EXPECT_EQ(ApplyControlValue(s, "edtField", "]x[y]"), std::nullopt);
  EXPECT_EQ(s.edtField, "xy]");
  EXPECT_EQ(ApplyControlValue(s, "edtrightbottom", "  居中 \t"), std::nullopt);
  EXPECT_EQ(s.edtrightbottom, "居中");
  EXPECT_EQ(ApplyControlValue(s, "edtmian", "  as typed "), std::nullopt);
  EXPECT_EQ(s.edtmian, "  as typed ");

  // Scales as they are written on maps; a text that is no scale is refused
  // and leaves the scale as it was (factor 0 below).
  const struct {
    const char* text;
    long double factor;
  } scales[] = {{"50000", 5.0L},  {"2500", 0.25L},   {"1.25", 1.25e-4L},
                {"5万", 5.0L},    {"1:2.5万", 2.5L}, {" 1 ： 10000 ", 1.0L},
                {"1:5000", 0.5L}, {"abc", 0},        {"", 0},
                {"0", 0},         {"-5000", 0},      {"2:5000", 0},
                {"5万万", 0},     {"1:", 0},         {"50000m", 0},
                {"万", 0}};
  for (const auto& c : scales) {
    s.ScaleFactor = 99;
    const auto refused = ApplyControlValue(s, "edtMapscale1", c.text);
    EXPECT_EQ(refused.has_value(), c.factor == 0) << c.text;
    EXPECT_EQ(s.ScaleFactor, c.factor == 0 ? 99 : c.factor) << c.text;
  }

  // The datums in the order settings files of the Windows version store them,
  // CGCS2000 after them.
  const Datum systems[] = {Datum::Xian80, Datum::Beijing54, Datum::Wgs84, Datum::Cgcs2000};
  for (int index = 0; index < 4; ++index) {
    EXPECT_EQ(ApplyControlValue(s, "gb8054", std::to_string(index)), std::nullopt);
    EXPECT_EQ(s.CoordSysIndex, index);
    EXPECT_EQ(s.datum(), systems[index]);
  }
  EXPECT_EQ(ApplyControlValue(s, "gb8054", "北京54"), std::nullopt);  // the item's text
  EXPECT_EQ(s.CoordSysIndex, 1);
  EXPECT_EQ(ApplyControlValue(s, "gb8054", "CGCS2000"), std::nullopt);
  EXPECT_EQ(s.datum(), Datum::Cgcs2000);
  EXPECT_NE(ApplyControlValue(s, "gb8054", "4"), std::nullopt);

  EXPECT_EQ(ApplyControlValue(s, "cbFdf", "1"), std::nullopt);
  EXPECT_FALSE(s.is3DegreeZone);
  EXPECT_EQ(ApplyControlValue(s, "cbFdf", "3度分带法"), std::nullopt);
  EXPECT_TRUE(s.is3DegreeZone);
  EXPECT_EQ(ApplyControlValue(s, "rgisband", "1"), std::nullopt);
  EXPECT_TRUE(s.addZoneNumber);
  EXPECT_EQ(ApplyControlValue(s, "rgjw", "1"), std::nullopt);
  EXPECT_TRUE(s.GeodeticOutput);
  EXPECT_EQ(ApplyControlValue(s, "Rg4JAnn", "0"), std::nullopt);
  EXPECT_FALSE(s.Rg4JAnn);
  EXPECT_EQ(ApplyControlValue(s, "rgtype", "2"), std::nullopt);
  EXPECT_EQ(s.CreateMode, CreationMode::PolygonFile);
  EXPECT_EQ(ApplyControlValue(s, "centerL", "117"), std::nullopt);
  EXPECT_EQ(s.centralMeridian, 117.0L);

  EXPECT_EQ(ApplyControlValue(s, "morb", "a\r\nb\nc<br>d\r\n"), std::nullopt);
  EXPECT_EQ(s.morb, "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(ReadControlValue(s, *FindControl("morb")), "a<Br>b<Br>c<Br>d");
}

TEST(ControlTable, NamesAreFoundWithoutRegardToCase) {
  ASSERT_NE(FindControl("SENW"), nullptr);
  EXPECT_EQ(FindControl("SENW")->name, "senw");
  EXPECT_EQ(FindControl(SettingsForm::Main, "senw"), nullptr);
  EXPECT_EQ(FindControl(SettingsForm::Dialog, "seinterval")->name, "Seinterval");
  EXPECT_EQ(FindControl("edtMapNO"), nullptr);  // a run value, not a setting
}

TEST(ControlTable, RefusedValuesLeaveTheSettingsAlone) {
  const struct {
    const char* name;
    const char* value;
    const char* reasonPart;
  } cases[] = {
      {"nosuch", "1", "没有名为"},         {"senw", "abc", "不是整数"},
      {"senw", "1.5", "不是整数"},         {"senw", "99999999999", "不是整数"},
      {"rgGrid", "5", "不是有效的选项"},   {"rgGrid", "-1", "不是有效的选项"},
      {"cbFdf", "9度", "不是有效的选项"},  {"Chkiskmann", "maybe", "True或False"},
      {"SeX", "201", "超出范围-200..200"}, {"centerL", "71", "超出范围72..138"},
      {"btn4j", "宋体", "不是有效的字体"}, {"btn4j", "宋体,big", "字号"},
      {"btn4j", "宋体,10,heavy", "heavy"}, {"btn4j", ",10", "字体应写作"},
  };
  for (const auto& c : cases) {
    TFrameSettings s;
    const auto error = ApplyControlValue(s, c.name, c.value);
    ASSERT_TRUE(error.has_value()) << c.name << "=" << c.value;
    EXPECT_NE(error->find(c.reasonPart), std::string::npos) << *error;
    EXPECT_TRUE(s == TFrameSettings{}) << c.name;
  }
}

TEST(ControlTable, AcceptedSpellings) {
  TFrameSettings s;
  for (const char* v : {"false", "FALSE", "0"}) {
    s.Chkiskmann = true;
    EXPECT_EQ(ApplyControlValue(s, "Chkiskmann", v), std::nullopt);
    EXPECT_FALSE(s.Chkiskmann) << v;
  }
  EXPECT_EQ(ApplyControlValue(s, "Chkiskmann", "tRUE"), std::nullopt);
  EXPECT_TRUE(s.Chkiskmann);
  // Spin edits without limits take any whole number.
  EXPECT_EQ(ApplyControlValue(s, "senw", "0"), std::nullopt);
  EXPECT_EQ(ApplyControlValue(s, "Seinterval", "-40"), std::nullopt);
  EXPECT_EQ(s.Seinterval, -40);
  // With limits: the bounds themselves, and clamping on request.
  EXPECT_EQ(ApplyControlValue(s, "SeH", "-100"), std::nullopt);
  EXPECT_EQ(s.SeH, -100.0L);
  EXPECT_EQ(ApplyControlValue(s, "seScaleBarlen", "20000", RangeRule::Clamp), std::nullopt);
  EXPECT_EQ(s.seScaleBarlen, 10000);
  EXPECT_EQ(ApplyControlValue(s, "SeX", "-999", RangeRule::Clamp), std::nullopt);
  EXPECT_EQ(s.SeX, -200.0L);
}

TEST(FontValue, ParsesAndFormats) {
  std::string error;
  const auto f = ParseFontValue(" 黑体 , 10 , BOLD, italic,underline,strikeout,#FF8000", error);
  ASSERT_TRUE(f) << error;
  EXPECT_EQ(f->face, "黑体");
  EXPECT_EQ(f->height, -13);
  EXPECT_EQ(f->weight, 700);
  EXPECT_TRUE(f->italic && f->underline && f->strikeOut);
  EXPECT_EQ(f->color, 0x0080FF);  // 0x00BBGGRR
  EXPECT_EQ(FormatFontValue(*f), "黑体,10,bold,italic,underline,strikeout,#FF8000");

  const auto px = ParseFontValue("宋体,14px,weight=600,color=-2147483640", error);
  ASSERT_TRUE(px) << error;
  EXPECT_EQ(px->height, -14);  // 14 px is no whole point size: kept in pixels
  EXPECT_EQ(FormatFontValue(*px), "宋体,14px,weight=600,color=-2147483640");

  EXPECT_EQ(FormatFontValue(FontDesc::FromPixels("宋体", 67)), "宋体,50");
}

TEST(ControlTable, EveryEntryDescribesItsValue) {
  for (const auto& e : ControlTable()) EXPECT_FALSE(DescribeValueForm(e).empty()) << e.name;
  EXPECT_EQ(DescribeValueForm(*FindControl("centerL")), "整数，72..138（度）");
  EXPECT_EQ(DescribeValueForm(*FindControl("gb8054")),
            "选项序号或选项文字：0=西安80 1=北京54 2=WGS84 3=CGCS2000");
}

}  // namespace
}  // namespace tarvik
