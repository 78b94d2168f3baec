#include "frame/run_checks.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <system_error>

#include "common/delphi.h"
#include "common/error.h"
#include "common/text_util.h"
#include "coords/utlbxy.h"
#include "frame/corner_checks.h"
#include "frame/index_sheets.h"
#include "frame/input_coordinates.h"
#include "frame/name_template.h"
#include "frame/naming_checks.h"
#include "gdb/class_queries.h"
#include "sheets/sheet_index.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

// Metres of one degree of latitude, and of longitude on the equator: enough
// to size a grid, never used for a position.
constexpr long double kMetresPerDegreeLat = 110574;
constexpr long double kMetresPerDegreeLon = 111320;

// Grid positions along `length` at `step`, one more for the start; 0 when
// the step cannot be drawn (the builders then say so and draw nothing).
long double Positions(long double length, long double step) {
  if (!(step > 0) || !(length >= 0)) return 0;
  return std::floor(length / step) + 1;
}

std::int64_t Clamped(long double v) {
  constexpr long double kMax = static_cast<long double>(std::numeric_limits<std::int64_t>::max() / 2);
  return std::isfinite(v) ? static_cast<std::int64_t>(std::min(v, kMax)) : static_cast<std::int64_t>(kMax);
}

std::string Seconds(long double degrees) { return FloatToStr(degrees * 3600); }

// The map face of a sheet of the index: the sheet polygon's envelope, in
// degrees for a geographic index (the kilometre grid then runs over its
// planar conversion, sized here from the degrees).
FrameSize IndexSheetSize(const Envelope& e, bool geographic) {
  FrameSize f;
  if (!geographic) {
    f.east = e.xMax - e.xMin;
    f.north = e.yMax - e.yMin;
    return f;
  }
  f.lon = e.xMax - e.xMin;
  f.lat = e.yMax - e.yMin;
  const long double midLat = (static_cast<long double>(e.yMin) + e.yMax) / 2 * 3.14159265358979323846L / 180;
  f.east = f.lon * kMetresPerDegreeLon * std::cos(midLat);
  f.north = f.lat * kMetresPerDegreeLat;
  return f;
}

// The map face around a polygon: its envelope widened by the map margin on
// each side; the graticule's extent from the corners' latitude and longitude.
FrameSize PolygonFrameSize(const Envelope& e, const TFrameSettings& s) {
  const long double M = s.sentod * s.ScaleFactor;
  FrameSize f;
  f.east = e.xMax - e.xMin + 2 * M;
  f.north = e.yMax - e.yMin + 2 * M;
  const CoordParams c = CoordParamsOf(s);
  long double lon1 = 0, lat1 = 0, lon2 = 0, lat2 = 0;
  if (XYToLB(c, e.yMin - M, e.xMin - M, lon1, lat1) && XYToLB(c, e.yMax + M, e.xMax + M, lon2, lat2)) {
    f.lon = std::fabs(lon2 - lon1);
    f.lat = std::fabs(lat2 - lat1);
  } else {
    f.lon = f.east / kMetresPerDegreeLon;
    f.lat = f.north / kMetresPerDegreeLat;
  }
  return f;
}

}  // namespace

GridWork EstimateGridWork(const TFrameSettings& s, bool standardSheet, const FrameSize& f) {
  const long double I = s.Seinterval;
  const long double kmLines = Positions(f.east, I) + Positions(f.north, I);
  const long double kmCrosses = Positions(f.east, I) * Positions(f.north, I);
  const long double geoLines = Positions(f.lon, s.seJd) + Positions(f.lat, s.sewd);
  const long double geoCrosses = Positions(f.lon, s.seJd) * Positions(f.lat, s.sewd);
  GridWork w;
  switch (s.rgGrid) {
    case GridType::Kilometre:
      w.lines = Clamped(kmLines);
      break;
    case GridType::Crosshair:
      w.lines = Clamped(kmLines);  // the margin ticks
      w.crosses = Clamped(kmCrosses);
      break;
    case GridType::GraticuleCrosses:
      if (standardSheet) {
        w.lines = Clamped(geoLines);  // the margin ticks
        w.crosses = Clamped(geoCrosses);
        break;
      }
      [[fallthrough]];
    default:  // Graticule, and None for polygon frames: the graticule
      if (standardSheet && s.rgGrid == GridType::None) break;
      w.lines = Clamped(geoLines);
      break;
  }
  return w;
}

void CheckGridWork(const TFrameSettings& s, bool standardSheet, const FrameSize& size,
                   const std::string& what) {
  const GridWork w = EstimateGridWork(s, standardSheet, size);
  const bool kilometres = s.rgGrid == GridType::Kilometre || s.rgGrid == GridType::Crosshair;
  const std::string setting = kilometres ? "网格间隔Seinterval为" + FloatToStr(s.Seinterval) + "米"
                                         : "经纬网间隔（经度差seJd为" + Seconds(s.seJd) + "秒，纬度差sewd为" +
                                               Seconds(s.sewd) + "秒）";
  const std::string advice = kilometres ? "；请加大网格间隔" : "；请加大经度差或纬度差";
  if (w.crosses > kMaxGridCrossesPerFrame)
    throw RunError(setting + "太小：" + what + "将有约" + std::to_string(w.crosses) +
                   (kilometres ? "个十字丝" : "个经纬十字丝") + "，超过每幅" +
                   std::to_string(kMaxGridCrossesPerFrame) + "个的上限" + advice);
  if (w.lines > kMaxGridLinesPerFrame)
    throw RunError(setting + "太小：" + what + "将有约" + std::to_string(w.lines) +
                   (kilometres ? "条公里网线" : "条经纬线") + "，超过每幅" +
                   std::to_string(kMaxGridLinesPerFrame) + "条的上限" + advice);
}

SheetExtent CheckSheetRun(const std::string& number, const TFrameSettings& settings) {
  if (number.empty()) throw RunError("图幅号不能空");
  const MapNoReading reading = ReadMapNo(number);
  if (!reading.problem.empty()) throw RunError(reading.problem);
  const auto sheet = DecodeMapNo(reading.number);
  if (!sheet) throw RunError("输入的" + number + ",错误的图幅号");
  const CoordParams c = CoordParamsOf(settings);
  const long double lats[2] = {sheet->southLat, sheet->southLat + sheet->latSize};
  const long double lons[2] = {sheet->westLon, sheet->westLon + sheet->lonSize};
  long double eMin = INFINITY, eMax = -INFINITY, nMin = INFINITY, nMax = -INFINITY;
  for (const long double lat : lats) {
    for (const long double lon : lons) {
      const PlanarXY p = LBToXY(c, lat, lon);
      eMin = std::min(eMin, p.easting);
      eMax = std::max(eMax, p.easting);
      nMin = std::min(nMin, p.northing);
      nMax = std::max(nMax, p.northing);
    }
  }
  FrameSize size;
  size.east = eMax - eMin;
  size.north = nMax - nMin;
  size.lon = sheet->lonSize;
  size.lat = sheet->latSize;
  CheckGridWork(settings, true, size, "图幅" + reading.number + "的图廓");
  const std::array<CornerLonLat, 4> corners = {CornerLonLat{lons[0], lats[0]}, CornerLonLat{lons[0], lats[1]},
                                               CornerLonLat{lons[1], lats[1]},
                                               CornerLonLat{lons[1], lats[0]}};
  if (const auto why = SheetCornerProblem(settings, corners))
    throw RunError("图幅" + reading.number + "不能绘制：" + *why + "。" +
                   CornerAdvice(settings, true, false));
  return *sheet;
}

std::optional<int> FileRunCheck::sizeScale() const {
  std::optional<int> found;
  for (int i = 0; i < static_cast<int>(firstSheetOfScale.size()); ++i) {
    if (firstSheetOfScale[static_cast<std::size_t>(i)].empty()) continue;
    if (found) return std::nullopt;
    found = i;
  }
  return found;
}

void CheckScale(long double denominator) {
  if (!(denominator >= 100 && denominator <= 10000000))
    throw RunError("比例尺1:" + FloatToStr(denominator) + "不合理，应在1:100到1:10000000之间");
}

void CheckIndexScale(const FileRunCheck& check, long double denominator) {
  const int runScale = ScaleIndexOfDenominator(std::lround(static_cast<double>(denominator)));
  for (int i = 0; i < static_cast<int>(check.firstSheetOfScale.size()); ++i) {
    const std::string& label = check.firstSheetOfScale[static_cast<std::size_t>(i)];
    if (i == runScale || label.empty()) continue;
    throw RunError(label + "是" + SeriesSheetName(i) + "，而比例尺是" + ScaleName(denominator) +
                   "，文字和间距会按错误的比例尺绘制；请把比例尺设为" +
                   std::to_string(ScaleDenominatorOfIndex(i)));
  }
}

FileRunCheck CheckFileRun(const FileRunRequest& r, const TFrameSettings& settings) {
  const std::string& path = r.inputPath;
  FeatureClass input = r.input;
  if (!input) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw RunError("文件" + path + ",不存在");
    input = OpenShapefileClass(path);
  }
  CheckPolygonInput(input, path);
  const SpatialReference ref = DatasetSpatialReference(input);
  const bool index = r.createMode == CreationMode::SheetIndex;
  // The shapes are in the run's system (the input's own, or reprojected
  // into it): degrees for an index framed in longitude and latitude, metres
  // otherwise.
  const bool geographicShapes = index && settings.GeodeticOutput;
  if (!r.reprojection && !r.systemSettled) {
    if (index)
      CheckIndexCoordinates(ref, path, settings.GeodeticOutput);
    else
      CheckAreaCoordinates(ref, path);
  }

  FileRunCheck result;
  // Output names as the stores compare them, with the feature that took each.
  std::map<std::string, std::string> names;
  std::int64_t framable = 0;
  const CoordParams coords = CoordParamsOf(settings);
  result.reach = ReachJudge(coords, geographicShapes, r.reprojection != nullptr);
  // Sheet numbers: per candidate field, the scale its values name so far
  // (-1 once a value does not read or names another scale).
  std::vector<std::string> numberFields;
  for (const std::string& f : r.numberFields)
    if (!f.empty() && std::find(numberFields.begin(), numberFields.end(), f) == numberFields.end())
      numberFields.push_back(f);
  std::vector<int> numberScales(numberFields.size(), -2);  // -2: no value seen yet
  TextEncodingCheck encoding(path);
  // Frames whose corners cannot be labelled, with the reason.
  std::vector<std::string> unlabelled;  // the first ten
  std::int64_t unlabelledCount = 0;
  const auto cannotLabel = [&](const std::string& line) {
    if (unlabelledCount++ < 10) unlabelled.push_back(line);
  };
  ReadSelectedFeatures(input, r.where, [&](const Feature& feature) {
    if (r.stopRequested && result.selected % 256 == 255 && r.stopRequested()) throw RunStopped();
    ++result.selected;
    result.fids.push_back(feature.fid());
    const std::string label = FeatureLabel(feature, r.nameField);
    encoding.add(feature, FeatureLabel(feature, ""));  // the name itself may be what is wrong
    Geometry shape = feature.geometry();
    if (r.reprojection) {
      auto moved = r.reprojection->shapeOf(feature);
      if (const auto* why = std::get_if<std::string>(&moved)) {
        result.skipped.push_back(label + "：" + *why);
        return;
      }
      shape = std::get<Geometry>(std::move(moved));
    }
    const auto why =
        index ? IndexSheetProblem(shape, coords, geographicShapes) : FrameShapeProblem(shape, false);
    if (why) {
      result.skipped.push_back(label + "：" + *why);
      return;
    }
    const auto cornerProblem =
        index ? std::optional<std::string>() : PolygonFrameCornerProblem(settings, shape.envelope());
    if (cornerProblem) cannotLabel(label + "：" + *cornerProblem);
    if (index) {
      const auto sheet = std::get<IndexSheet>(ReadIndexSheet(shape, coords, geographicShapes));
      if (sheet.graticule)
        if (const auto why = IndexSheetCornerProblem(settings, shape, geographicShapes))
          cannotLabel(label + "：" + *why);
      if (sheet.graticule && sheet.scaleIndex >= 0) {
        std::string& first = result.firstSheetOfScale[static_cast<std::size_t>(sheet.scaleIndex)];
        if (first.empty()) first = label;
      }
      for (std::size_t i = 0; i < numberFields.size(); ++i) {
        if (numberScales[i] == -1) continue;
        const MapNoReading reading = ReadMapNo(Trim(FieldValueText(feature, numberFields[i])));
        const int scale = reading.number.empty() ? -1 : reading.scaleIndex;
        numberScales[i] = numberScales[i] == -2 || numberScales[i] == scale ? scale : -1;
      }
    }
    ++framable;
    const std::string name =
        CleanFrameName(ExpandNameTemplate(r.nameTemplate, r.nameField, FieldValueText(feature, r.nameField)));
    if (name.empty())
      throw RunError(label + "的" + r.nameField + "为空，按" + r.nameTemplate + "得到的输出名称为空");
    result.names.push_back(name);
    const auto [taken, fresh] = names.emplace(ToUpperAscii(name), label + "的" + name);
    if (!fresh)
      throw RunError("输出名称重复：" + taken->second + "与" + label + "的" + name +
                     "只差字母大小写或符号，同一个输出中不能同时存在；请换一个字段或修改模板" +
                     r.nameTemplate);
    const Envelope e = shape.envelope();
    result.reach.add(e.xMin, e.yMin, e.xMax, e.yMax, label);
    if (!result.extent) {
      result.extent = e;
    } else {
      result.extent->xMin = std::min(result.extent->xMin, e.xMin);
      result.extent->yMin = std::min(result.extent->yMin, e.yMin);
      result.extent->xMax = std::max(result.extent->xMax, e.xMax);
      result.extent->yMax = std::max(result.extent->yMax, e.yMax);
    }
    const FrameSize size = index ? IndexSheetSize(e, geographicShapes) : PolygonFrameSize(e, settings);
    CheckGridWork(settings, index, size, label + "的图廓");
  });
  if (result.selected == 0) throw RunError("没有数据，可能条件设置错误");
  encoding.check();
  if (unlabelledCount > 0) {
    std::string text = "选中的要素中有" + std::to_string(unlabelledCount) + "个不能绘制：";
    for (const std::string& line : unlabelled) text += "\n" + line;
    if (unlabelledCount > 10) text += "\n……";
    throw RunError(text + "\n" + CornerAdvice(settings, index, true));
  }
  if (index && static_cast<std::int64_t>(result.skipped.size()) * 2 > result.selected) {
    std::string text = path + "不是标准图幅索引：选中的" + std::to_string(result.selected) + "个要素中有" +
                       std::to_string(result.skipped.size()) + "个不是图幅：";
    for (std::size_t i = 0; i < result.skipped.size() && i < 10; ++i) text += "\n" + result.skipped[i];
    if (result.skipped.size() > 10) text += "\n……";
    throw RunError(
        text +
        "\n标准图幅文件的每个要素应是一个图幅：四个角点位于两条经线和两条纬线上（或大比例尺矩形图幅的"
        "四角）。为任意多边形生成图廓，请选择“行政区划文件”方式。");
  }
  if (framable == 0) {
    std::string text = "选中的" + std::to_string(result.selected) + "个要素都不能生成图廓：";
    for (std::size_t i = 0; i < result.skipped.size() && i < 10; ++i) text += "\n" + result.skipped[i];
    if (result.skipped.size() > 10) text += "\n……";
    throw RunError(text);
  }
  for (const int scale : numberScales) {
    if (scale >= 0) {
      result.numberScale = scale;
      break;
    }
  }
  return result;
}

}  // namespace tarvik
