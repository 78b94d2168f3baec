#include "settings/control_table.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <type_traits>

#include "common/delphi.h"
#include "common/text_util.h"
#include "coords/datum.h"
#include "settings/font_value.h"

namespace tarvik {
namespace {

using S = TFrameSettings;
constexpr SettingsForm kMain = SettingsForm::Main;
constexpr SettingsForm kDlg = SettingsForm::Dialog;

ControlEntry Edit(SettingsForm form, std::string_view name, SettingsMember member, Conversion conversion,
                  std::string_view def, std::string_view caption) {
  return {name, form, ControlKind::Edit, member, conversion, def, caption, "", std::nullopt, {}};
}

ControlEntry Spin(SettingsForm form, std::string_view name, SettingsMember member, std::string_view def,
                  std::string_view caption, std::string_view unit,
                  std::optional<SpinRange> range = std::nullopt, Conversion conversion = Conversion::Plain) {
  return {name, form, ControlKind::SpinEdit, member, conversion, def, caption, unit, range, {}};
}

ControlEntry Radio(SettingsForm form, std::string_view name, SettingsMember member, Conversion conversion,
                   std::string_view def, std::string_view caption, std::vector<std::string_view> items) {
  return {name, form,         ControlKind::RadioGroup, member, conversion, def, caption,
          "",   std::nullopt, std::move(items)};
}

ControlEntry Check(std::string_view name, bool S::*member, std::string_view def, std::string_view caption) {
  return {name, kDlg, ControlKind::CheckBox, member, Conversion::Plain, def, caption, "", std::nullopt, {}};
}

ControlEntry Memo(std::string_view name, std::string S::*member, std::string_view def,
                  std::string_view caption) {
  return {name, kDlg, ControlKind::Memo, member, Conversion::Plain, def, caption, "", std::nullopt, {}};
}

ControlEntry Font(std::string_view name, FontDesc S::*member, std::string_view def,
                  std::string_view caption = "字体") {
  return {name, kDlg, ControlKind::FontButton, member, Conversion::Plain, def, caption, "", std::nullopt, {}};
}

const std::vector<std::string_view> kDmsItems = {"度分秒", "度分"};
const std::vector<std::string_view> kLineItems = {"00  10  20", "05  15  25"};

std::vector<ControlEntry> BuildTable() {
  const std::string_view mm = "0.1毫米";
  std::vector<ControlEntry> t;
  // Main window.
  t.push_back(Radio(kMain, "rgtype", &S::CreateMode, Conversion::Plain, "1", "选择创立图廓方式",
                    {"标准图幅号", "标准图幅文件", "行政区划文件"}));
  // The datums of the datum table, in its order (the file stores the index).
  std::vector<std::string_view> datums;
  for (const DatumInfo& d : Datums()) datums.push_back(d.caption);
  t.push_back(
      Radio(kMain, "gb8054", &S::CoordSysIndex, Conversion::Plain, "0", "坐标系統", std::move(datums)));
  t.push_back(Radio(kMain, "rgisband", &S::addZoneNumber, Conversion::IndexIsOne, "0", "坐标是否加带号",
                    {"1、不加", "2、加"}));
  t.push_back({"cbFdf",
               kMain,
               ControlKind::ComboBox,
               &S::is3DegreeZone,
               Conversion::IndexIsZero,
               "0",
               "分度方法:",
               "",
               std::nullopt,
               {"3度分带法", "6度分带法"}});
  // Any whole meridian of China's zones and their neighbours: local
  // meridians of city surveys too, not only zone meridians.
  t.push_back(Spin(kMain, "centerL", &S::centralMeridian, "87", "中央经线:", "度", SpinRange{72, 138}));
  t.push_back({"chkAutoMeridian",
               kMain,
               ControlKind::CheckBox,
               &S::autoMeridian,
               Conversion::Plain,
               "True",
               "自动",
               "",
               std::nullopt,
               {}});
  t.push_back(Edit(kMain, "edtMapscale1", &S::ScaleFactor, Conversion::ScaleText, "10000", "1:"));
  t.push_back(Radio(kMain, "rgjw", &S::GeodeticOutput, Conversion::IndexIsOne, "0", "坐标系统",
                    {"平面(XY)坐标", "大地(经纬度)坐标"}));
  t.push_back(Edit(kMain, "edtTowgs84", &S::towgs84, Conversion::Trimmed, "", "七参数:"));
  t.push_back({"cbLayout",
               kMain,
               ControlKind::ComboBox,
               &S::sharedLayout,
               Conversion::IndexIsOne,
               "0",
               "图层组织:",
               "",
               std::nullopt,
               {"每幅一组图层", "共用图层(大批量)"}});

  // Settings dialog, page 0: basic information.
  // A new user's first map carries no sample content: no title of some
  // other map, no classification, no company; the subtitle is the sheet
  // number and the notes name the system the frame is drawn in.
  t.push_back(Edit(kDlg, "edtmian", &S::edtmian, Conversion::Plain, "", "主标题"));
  t.push_back(Spin(kDlg, "seMain", &S::seMain, "180", "边距(距离外廓上边,单位0.1毫米):", mm));
  t.push_back(Font("btntlitle1", &S::btntlitle1, "宋体,50"));
  t.push_back(Edit(kDlg, "edtmian1", &S::edtmian1, Conversion::Plain, "[TFH]", "副标题1"));
  t.push_back(Spin(kDlg, "semian1", &S::semian1, "80", "", mm));
  t.push_back(Font("btntlitle2", &S::btntlitle2, "宋体,28"));
  t.push_back(Edit(kDlg, "edtmian2", &S::edtmian2, Conversion::Plain, "", "副标题2"));
  t.push_back(Spin(kDlg, "semian2", &S::semian2, "20", "", mm));
  t.push_back(Font("btntlitle3", &S::btntlitle3, "MS Sans Serif,8"));
  t.push_back(Edit(kDlg, "edtscale", &S::edtscale, Conversion::Plain, "比例尺1:[scale]", "地图下边中部"));
  t.push_back(Spin(kDlg, "sescale", &S::sescale, "50", "边距((距离外廓下边,单位0.1毫米):", mm));
  t.push_back(Font("btntscale", &S::btntscale, "宋体,15"));

  // Page 1: marginal notes.
  t.push_back(Memo("morb", &S::morb, "", "右下角"));
  t.push_back(Spin(kDlg, "serb", &S::serb, "30", "边距(距离外廓下边,单位0.1毫米):", mm));
  t.push_back(Font("btnrightdown", &S::btnrightdown, "宋体,12"));
  t.push_back(Edit(kDlg, "edtrightbottom", &S::edtrightbottom, Conversion::Trimmed, "", "居中内容"));
  t.push_back(Edit(kDlg, "edtru", &S::edtru, Conversion::Plain, "", "右上角"));
  t.push_back(Spin(kDlg, "seru", &S::seru, "25", "边距(距离外廓上边,单位0.1毫米):", mm));
  t.push_back(Font("btnRightUp", &S::btnRightUp, "宋体,10"));
  t.push_back(Edit(kDlg, "edtmapTitle", &S::edtmapTitle, Conversion::Plain, "", "标题内容："));
  t.push_back(Spin(kDlg, "seMapTitleTop", &S::seMapTitleTop, "25", "边距(距离外廓上边,单位0.1毫米):", mm));
  t.push_back(Spin(kDlg, "semapTitler", &S::semapTitler, "80", "边距(距离外廓右边,单位0.1毫米):", mm));
  t.push_back(Font("btnmapTitle", &S::btnmapTitle, "宋体,10"));
  t.push_back(Edit(kDlg, "edtleft", &S::edtleft, Conversion::Plain, "", "左边单位信息"));
  t.push_back(Spin(kDlg, "seleft", &S::seleft, "30", "边距(距离外廓左边,单位0.1毫米):", mm));
  t.push_back(Font("btnleft", &S::btnleft, "宋体,11"));
  t.push_back(Memo("molb", &S::molb, "[坐标系]。<Br>1985国家高程基准。<Br>yyyy年mm月dd日", "左下角"));
  t.push_back(Spin(kDlg, "selb", &S::selb, "30", "边距(距离外廓下边,单位0.1毫米):", mm));
  t.push_back(Font("btnleftdown", &S::btnleftdown, "宋体,10"));

  // Page 2: frame.
  t.push_back(Spin(kDlg, "sentod", &S::sentod, "160", "内廓与地图间距", mm));
  t.push_back(Spin(kDlg, "senw", &S::senw, "80", "内外图廓距离", mm));
  t.push_back(Spin(kDlg, "seoutw", &S::seoutw, "0", "外框宽度:", mm));
  t.push_back(
      Radio(kDlg, "Rg4JAnn", &S::Rg4JAnn, Conversion::IndexIsOne, "1", "四角标注", {"不标注", "标注经纬度"}));
  t.push_back(Font("btn4j", &S::btn4j, "宋体,6"));
  t.push_back(
      Radio(kDlg, "rgdmsmode", &S::rgdmsmode, Conversion::Plain, "0", "标注方式", {"度分秒", "度分", "XY"}));
  t.push_back(Radio(kDlg, "rgwdalignmode", &S::rgwdalignmode, Conversion::Plain, "1", "纬度的度,表示方式",
                    {"紧靠内廓", "居中"}));
  t.push_back(Spin(kDlg, "seForenum", &S::seForenum, "2", "千分前位数:", "位"));
  t.push_back(Spin(kDlg, "seafternum", &S::seafternum, "2", "千分后位数:", "位"));

  // Page 3: grid.
  t.push_back(Radio(kDlg, "rgGrid", &S::rgGrid, Conversion::Plain, "1", "网格类型",
                    {"无网格", "公里网", "十字丝", "经纬网", "经纬十字丝"}));
  t.push_back(Spin(kDlg, "Seinterval", &S::Seinterval, "1000", "间隔:", "米"));
  t.push_back(Spin(kDlg, "seannforenum", &S::seannforenum, "2", "千分前位数:", "位"));
  t.push_back(Spin(kDlg, "seannafternum", &S::seannafternum, "2", "千分后位数:", "位"));
  t.push_back(Spin(kDlg, "SeLineLength", &S::SeLineLength, "50", "线的长度:", "米"));
  t.push_back(Radio(kDlg, "rgHor", &S::rgHor, Conversion::Plain, "0", "水平标注方式", kLineItems));
  t.push_back(Radio(kDlg, "rgver", &S::rgver, Conversion::Plain, "0", "垂直标注方式", kLineItems));
  t.push_back(Check("Chkiskmann", &S::Chkiskmann, "True", "标注公里数文字"));
  t.push_back(Font("btnDFont", &S::btnDFont, "宋体,6", "大数字体:"));
  t.push_back(Font("btnXFont", &S::btnXFont, "宋体,6", "小数字体:"));
  t.push_back(
      Spin(kDlg, "seJd", &S::seJd, "225", "经度差:", "秒", std::nullopt, Conversion::SecondsToDegrees));
  t.push_back(
      Spin(kDlg, "sewd", &S::sewd, "150", "纬度差:", "秒", std::nullopt, Conversion::SecondsToDegrees));
  t.push_back(Radio(kDlg, "RGJWWZJ", &S::RGJWWZJ, Conversion::Plain, "1", "标注方式", kDmsItems));
  t.push_back(Spin(kDlg, "sejwcrosslen", &S::sejwcrosslen, "10", "经纬十字丝长度", "秒", std::nullopt,
                   Conversion::SecondsToDegrees));
  t.push_back(Radio(kDlg, "RGYaSet", &S::RGYaSet, Conversion::Plain, "0", "压白设置",
                    {"从内图廓", "从图形本身", "不设置"}));
  t.push_back(Spin(kDlg, "seYaDIS", &S::seYaDIS, "200", "延伸距离(0.1毫米):", mm, SpinRange{0, 1000000}));
  t.push_back(Check("chkSetDa", &S::chkSetDa, "True", "为00重新设置大数"));
  t.push_back(Radio(kDlg, "RGBKZJMode", &S::RGBKZJMode, Conversion::Plain, "1", "位置",
                    {"靠外框", "靠内框", "自定义"}));
  t.push_back(
      Spin(kDlg, "edtBKZJDIS", &S::edtBKZJDIS, "0", "距离外框的距离（0.1毫米)", mm, SpinRange{0, 100}));

  // Page 4: adjacent-sheet table.
  t.push_back(Spin(kDlg, "SeX", &S::SeX, "0", "X:", mm, SpinRange{-200, 200}));
  t.push_back(Spin(kDlg, "SeY", &S::SeY, "20", "Y:", mm, SpinRange{0, 300}));
  t.push_back(Spin(kDlg, "SEW", &S::SEW, "130", "宽度:", mm, SpinRange{0, 1000}));
  t.push_back(Spin(kDlg, "SeH", &S::SeH, "70", "高度:", mm, SpinRange{-100, 1000}));
  t.push_back(Font("btnjionMap", &S::btnjionMap, "宋体,8", "标注字体大小设置"));
  t.push_back(Edit(kDlg, "edtField", &S::edtField, Conversion::StripBrackets, "", "图名对应字段名"));
  t.push_back(Check("chkNeighbourNo", &S::chkNeighbourNo, "True", "无图名时标注相邻图幅号"));

  // Page 5: scale bar.
  t.push_back(Check("chkscaleBarShow", &S::chkscaleBarShow, "False", "标注比例尺条"));
  t.push_back(Spin(kDlg, "seScaleBarlen", &S::seScaleBarlen, "1000", "长度:", mm, SpinRange{0, 10000}));
  t.push_back(Spin(kDlg, "sescalebarkd", &S::sescalebarkd, "20", "刻度最大长度：", mm, SpinRange{0, 100}));
  t.push_back(
      Spin(kDlg, "seScaleBarHeight", &S::seScaleBarHeight, "180", "距离外廓下边", mm, SpinRange{0, 1000}));
  t.push_back(Font("btnscalebarFont", &S::btnscalebarFont, "宋体,8", "标注字体大小设置"));
  // The three-north diagram and the slope ruler, on the same page; their
  // texts take the scale bar's font.
  t.push_back(Check("chkNorthShow", &S::chkNorthShow, "False", "标注三北方向图"));
  t.push_back(Spin(kDlg, "seNorthRight", &S::seNorthRight, "1100", "距内廓右边", mm, SpinRange{0, 10000}));
  t.push_back(Spin(kDlg, "seNorthBelow", &S::seNorthBelow, "350", "距外廓下边", mm, SpinRange{0, 3000}));
  t.push_back(Spin(kDlg, "seNorthLength", &S::seNorthLength, "250", "线长", mm, SpinRange{50, 1000}));
  t.push_back(Radio(kDlg, "rgDeclination", &S::rgDeclination, Conversion::Plain, "0", "磁偏角",
                    {"输入", "由地磁模型文件计算"}));
  t.push_back(Spin(kDlg, "seDeclination", &S::seDeclination, "0", "磁偏角:", "分，东偏为正",
                   SpinRange{-10800, 10800}));
  t.push_back(Spin(kDlg, "seDeclinationChange", &S::seDeclinationChange, "0", "年变化:", "0.1分/年，东移为正",
                   SpinRange{-10000, 10000}));
  t.push_back(Spin(kDlg, "seDeclinationYear", &S::seDeclinationYear, "0", "测定年份:", "年，0为图上年份",
                   SpinRange{0, 3000}));
  t.push_back(Edit(kDlg, "edtCofFile", &S::edtCofFile, Conversion::Trimmed, "", "模型文件(.COF):"));
  t.push_back(
      Spin(kDlg, "seNorthYear", &S::seNorthYear, "0", "图上年份:", "年，0为今年", SpinRange{0, 3000}));
  t.push_back(Check("chkSlopeShow", &S::chkSlopeShow, "False", "标注坡度尺"));
  t.push_back(Spin(kDlg, "seSlopeLeft", &S::seSlopeLeft, "600", "距内廓左边", mm, SpinRange{0, 10000}));
  t.push_back(Spin(kDlg, "seSlopeBelow", &S::seSlopeBelow, "400", "距外廓下边", mm, SpinRange{0, 3000}));
  t.push_back(Spin(kDlg, "seSlopeStep", &S::seSlopeStep, "50", "刻度间隔", mm, SpinRange{10, 200}));
  t.push_back(
      Spin(kDlg, "seContour", &S::seContour, "0", "等高距:", "0.1米，0为按比例尺", SpinRange{0, 100000}));

  // Page 6: the print layout of the QGIS project.
  t.push_back(Radio(kDlg, "rgPrintPaper", &S::rgPrintPaper, Conversion::Plain, "0", "打印纸张",
                    {"图廓大小加边距", "最小标准纸张(A4-A0)"}));
  t.push_back(Spin(kDlg, "sePrintMargin", &S::sePrintMargin, "100", "打印边距:", mm, SpinRange{0, 1000}));
  return t;
}

bool HasChoices(ControlKind kind) { return kind == ControlKind::RadioGroup || kind == ControlKind::ComboBox; }

bool IsText(ControlKind kind) {
  return kind == ControlKind::Edit || kind == ControlKind::Memo || kind == ControlKind::RichEdit;
}

// The parsed control value before its conversion.
using Parsed = std::variant<std::int64_t, bool, std::string, FontDesc>;

std::string Quote(std::string_view text) { return "“" + std::string(text) + "”"; }

std::optional<std::string> Parse(const ControlEntry& e, std::string_view value, RangeRule rule, Parsed& out) {
  const std::string what = "设置项" + std::string(e.name) + "的值" + Quote(value);
  switch (e.kind) {
    case ControlKind::Edit:
    case ControlKind::RichEdit:
      if (e.conversion == Conversion::ScaleText && !ScaleDenominatorOfText(value))
        return "比例尺" + Quote(value) + "无法识别：应为比例尺分母，如10000、1:5万、2.5万";
      out = std::string(value);
      return std::nullopt;
    case ControlKind::Memo:
      out = JoinLines(SplitLines(ReplaceAllNoCase(value, "<Br>", "\r\n")));
      return std::nullopt;
    case ControlKind::SpinEdit: {
      auto n = StrToInt(value);
      if (!n || *n < INT_MIN || *n > INT_MAX) return what + "不是整数";
      if (e.range && (*n < e.range->min || *n > e.range->max)) {
        if (rule == RangeRule::Refuse)
          return what + "超出范围" + std::to_string(e.range->min) + ".." + std::to_string(e.range->max);
        n = std::clamp<std::int64_t>(*n, e.range->min, e.range->max);
      }
      out = *n;
      return std::nullopt;
    }
    case ControlKind::RadioGroup:
    case ControlKind::ComboBox: {
      const auto count = static_cast<std::int64_t>(e.items.size());
      if (const auto n = StrToInt(value); n && *n >= 0 && *n < count) {
        out = *n;
        return std::nullopt;
      }
      for (std::int64_t i = 0; i < count; ++i) {
        if (e.items[static_cast<std::size_t>(i)] == value) {
          out = i;
          return std::nullopt;
        }
      }
      return what + "不是有效的选项（0到" + std::to_string(count - 1) + "，或选项文字）";
    }
    case ControlKind::CheckBox: {
      const std::string v = Trim(value);
      if (EqualsNoCase(v, "True") || v == "1") {
        out = true;
      } else if (EqualsNoCase(v, "False") || v == "0") {
        out = false;
      } else {
        return what + "应为True或False";
      }
      return std::nullopt;
    }
    case ControlKind::FontButton: {
      std::string error;
      auto font = ParseFontValue(value, error);
      if (!font) return what + "不是有效的字体：" + error;
      out = std::move(*font);
      return std::nullopt;
    }
  }
  return what + "无法识别";
}

template <typename T>
T S::*MemberAs(const ControlEntry& e) {
  return std::get<T S::*>(e.member);
}

// A whole number into an int, long double or choice member.
void StoreNumber(TFrameSettings& s, const ControlEntry& e, std::int64_t n) {
  std::visit(
      [&](auto S::*m) {
        using T = std::remove_reference_t<decltype(s.*m)>;
        if constexpr (std::is_same_v<T, int> || std::is_enum_v<T> || std::is_same_v<T, long double>)
          s.*m = static_cast<T>(n);
      },
      e.member);
}

// An int or choice member as a whole number; nothing for other members.
std::optional<std::int64_t> ReadNumber(const TFrameSettings& s, const ControlEntry& e) {
  return std::visit(
      [&](auto S::*m) -> std::optional<std::int64_t> {
        using T = std::remove_cvref_t<decltype(s.*m)>;
        if constexpr (std::is_same_v<T, int> || std::is_enum_v<T>)
          return static_cast<std::int64_t>(s.*m);
        else
          return std::nullopt;
      },
      e.member);
}

void Store(TFrameSettings& s, const ControlEntry& e, Parsed&& v) {
  switch (e.conversion) {
    case Conversion::Plain:
      if (auto* i = std::get_if<std::int64_t>(&v)) {
        StoreNumber(s, e, *i);
      } else if (auto* b = std::get_if<bool>(&v)) {
        s.*MemberAs<bool>(e) = *b;
      } else if (auto* t = std::get_if<std::string>(&v)) {
        s.*MemberAs<std::string>(e) = std::move(*t);
      } else {
        s.*MemberAs<FontDesc>(e) = std::move(std::get<FontDesc>(v));
      }
      return;
    case Conversion::SecondsToDegrees:
      s.*MemberAs<long double>(e) = static_cast<long double>(std::get<std::int64_t>(v)) / 3600.0L;
      return;
    case Conversion::IndexIsOne:
      s.*MemberAs<bool>(e) = std::get<std::int64_t>(v) == 1;
      return;
    case Conversion::IndexIsZero:
      s.*MemberAs<bool>(e) = std::get<std::int64_t>(v) == 0;
      return;
    case Conversion::StripBrackets:
      s.*MemberAs<std::string>(e) = ReplaceFirst(ReplaceFirst(std::get<std::string>(v), "[", ""), "]", "");
      return;
    case Conversion::Trimmed:
      s.*MemberAs<std::string>(e) = Trim(std::get<std::string>(v));
      return;
    case Conversion::ScaleText:
      // Parse has refused a text that does not read.
      s.*MemberAs<long double>(e) = ScaleDenominatorOfText(std::get<std::string>(v)).value_or(0) / 10000.0L;
      return;
  }
}

std::string Whole(long double v) { return std::to_string(Round(v)); }

}  // namespace

std::optional<long double> ScaleDenominatorOfText(std::string_view text) {
  std::string t = Trim(text);
  // "1:" or "1：" in front: the ratio as it is printed.
  for (const std::string_view colon : {std::string_view(":"), std::string_view("：")}) {
    const auto at = t.find(colon);
    if (at == std::string::npos) continue;
    if (Trim(t.substr(0, at)) != "1") return std::nullopt;
    t = Trim(t.substr(at + colon.size()));
    break;
  }
  long double unit = 1;
  static constexpr std::string_view kWan = "万";
  if (t.size() >= kWan.size() && t.compare(t.size() - kWan.size(), kWan.size(), kWan) == 0) {
    unit = 10000;
    t = Trim(t.substr(0, t.size() - kWan.size()));
  }
  const auto number = StrToFloat(t);
  if (!number || !std::isfinite(*number * unit) || !(*number > 0)) return std::nullopt;
  return *number * unit;
}

std::string_view FormName(SettingsForm form) { return form == SettingsForm::Main ? "FrmTarvik" : "Frmset"; }

std::string_view FileProperty(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return "Text";
    case ControlKind::SpinEdit:
      return "Value";
    case ControlKind::RadioGroup:
      return "itemindex";
    case ControlKind::CheckBox:
      return "checked";
    case ControlKind::Memo:
      return "lines";
    case ControlKind::ComboBox:
      return "items";
    case ControlKind::RichEdit:
      return "Lines";
    case ControlKind::FontButton:
      return "";
  }
  return "";
}

const std::vector<ControlEntry>& ControlTable() {
  static const std::vector<ControlEntry> table = BuildTable();
  return table;
}

const ControlEntry* FindControl(std::string_view name) {
  for (const auto& e : ControlTable())
    if (EqualsNoCase(e.name, name)) return &e;
  return nullptr;
}

const ControlEntry* FindControl(SettingsForm form, std::string_view name) {
  for (const auto& e : ControlTable())
    if (e.form == form && EqualsNoCase(e.name, name)) return &e;
  return nullptr;
}

std::optional<std::string> ApplyControlValue(TFrameSettings& settings, const ControlEntry& entry,
                                             std::string_view value, RangeRule rule) {
  Parsed parsed;
  if (auto error = Parse(entry, value, rule, parsed)) return error;
  Store(settings, entry, std::move(parsed));
  return std::nullopt;
}

std::optional<std::string> ApplyControlValue(TFrameSettings& settings, std::string_view name,
                                             std::string_view value, RangeRule rule) {
  const ControlEntry* entry = FindControl(name);
  if (!entry) return "没有名为" + Quote(name) + "的设置项";
  return ApplyControlValue(settings, *entry, value, rule);
}

std::string ReadControlValue(const TFrameSettings& s, const ControlEntry& e) {
  switch (e.conversion) {
    case Conversion::Plain:
      if (e.kind == ControlKind::CheckBox) return s.*MemberAs<bool>(e) ? "True" : "False";
      if (e.kind == ControlKind::FontButton) return FormatFontValue(s.*MemberAs<FontDesc>(e));
      if (e.kind == ControlKind::Memo) return ReplaceAll(s.*MemberAs<std::string>(e), "\r\n", "<Br>");
      if (IsText(e.kind)) return s.*MemberAs<std::string>(e);
      if (const auto n = ReadNumber(s, e)) return std::to_string(*n);
      return Whole(s.*MemberAs<long double>(e));
    case Conversion::SecondsToDegrees:
      return Whole(s.*MemberAs<long double>(e) * 3600.0L);
    case Conversion::IndexIsOne:
      return s.*MemberAs<bool>(e) ? "1" : "0";
    case Conversion::IndexIsZero:
      return s.*MemberAs<bool>(e) ? "0" : "1";
    case Conversion::StripBrackets:
    case Conversion::Trimmed:
      return s.*MemberAs<std::string>(e);
    case Conversion::ScaleText:
      return FloatToStr(s.*MemberAs<long double>(e) * 10000.0L);
  }
  return "";
}

std::string DescribeValueForm(const ControlEntry& e) {
  std::string unit = e.unit.empty() ? "" : "（" + std::string(e.unit) + "）";
  if (HasChoices(e.kind)) {
    std::string out = "选项序号或选项文字：";
    for (std::size_t i = 0; i < e.items.size(); ++i) {
      if (i > 0) out += ' ';
      out += std::to_string(i);
      out += '=';
      out += e.items[i];
    }
    return out;
  }
  switch (e.kind) {
    case ControlKind::Edit:
      if (e.conversion == Conversion::ScaleText) return "比例尺分母：数字，可写作1:10000、5万、1:2.5万";
      if (e.conversion == Conversion::StripBrackets) return "字段名（去掉第一个“[”和第一个“]”）";
      if (e.conversion == Conversion::Trimmed) return "文字（去掉首尾空格）";
      return "文字";
    case ControlKind::RichEdit:
      return "文字";
    case ControlKind::Memo:
      return "多行文字，行间用<Br>或换行分隔";
    case ControlKind::SpinEdit:
      if (e.range)
        return "整数，" + std::to_string(e.range->min) + ".." + std::to_string(e.range->max) + unit;
      return "整数" + unit;
    case ControlKind::CheckBox:
      return "True或False";
    case ControlKind::FontButton:
      return "字体：名称,字号[,bold][,italic][,underline][,strikeout][,#RRGGBB]"
             "（字号为磅，或写作Npx表示像素）";
    default:
      return "";
  }
}

}  // namespace tarvik
