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
#include "frame/index_sheets.h"
#include "frame/input_coordinates.h"
#include "frame/utTkBaseClass.h"
#include "frame/utcreatetk.h"
#include "frame/utstandardMap.h"
#include "gdb/class_queries.h"
#include "sheets/sheet_index.h"

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
  SilentFeedback quiet;
  const CoordParams c = CoordParamsOf(s);
  long double lon1 = 0, lat1 = 0, lon2 = 0, lat2 = 0;
  if (XYToLB(c, e.yMin - M, e.xMin - M, lon1, lat1, quiet) && XYToLB(c, e.yMax + M, e.xMax + M, lon2, lat2, quiet)) {
    f.lon = std::fabs(lon2 - lon1);
    f.lat = std::fabs(lat2 - lat1);
  } else {
    f.lon = f.east / kMetresPerDegreeLon;
    f.lat = f.north / kMetresPerDegreeLat;
  }
  return f;
}

void CheckScale(const TFrameSettings& s) {
  const long double denominator = s.ScaleFactor * 10000;
  if (!(denominator >= 100 && denominator <= 10000000))
    throw RunError("比例尺1:" + FloatToStr(denominator) + "不合理，应在1:100到1:10000000之间");
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
    case GridType::Kilometre: w.lines = Clamped(kmLines); break;
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

void CheckGridWork(const TFrameSettings& s, bool standardSheet, const FrameSize& size, const std::string& what) {
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
                   (kilometres ? "条公里网线" : "条经纬线") + "，超过每幅" + std::to_string(kMaxGridLinesPerFrame) +
                   "条的上限" + advice);
}

std::optional<std::string> FrameShapeProblem(const Geometry& shape, bool sheetIndex) {
  if (shape.isEmpty()) return std::string("没有图形");
  if (!shape.isFinite()) return std::string("坐标中有无效的数值(NaN或无穷大)");
  if (!sheetIndex) return std::nullopt;
  if (PartCount(shape) != 1) return std::string("图形对象个数错误（多个部分或带洞，不是一个图幅）");
  const std::size_t n = shape.pointCount();
  if (n != 4 && n != 5) return std::string("对象节点个数错误,可能不是结合图表,因为接幅表只有4，或5个节点");
  return std::nullopt;
}

std::optional<std::string> IndexSheetProblem(const Geometry& shape, const CoordParams& coords, bool geographic) {
  if (auto why = FrameShapeProblem(shape, true)) return why;
  const auto sheet = ReadIndexSheet(shape, coords, geographic);
  if (const auto* why = std::get_if<std::string>(&sheet)) return *why;
  return std::nullopt;
}

std::string FeatureLabel(const Feature& feature, const std::string& nameField) {
  std::string label = "要素(FID=" + std::to_string(feature.fid());
  if (!nameField.empty() && !EqualsNoCase(nameField, "FID")) {
    const std::string value = FieldValueText(feature, nameField);
    if (!value.empty()) label += ", " + nameField + "=" + value;
  }
  return label + ")";
}

SheetExtent CheckSheetRun(const std::string& number, const TFrameSettings& settings) {
  if (number.empty()) throw RunError("图幅号不能空");
  const MapNoReading reading = ReadMapNo(number);
  if (!reading.problem.empty()) throw RunError(reading.problem);
  SilentFeedback quiet;
  const auto sheet = DecodeMapNo(reading.number, quiet);
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
  return *sheet;
}

FileRunCheck CheckFileRun(const FileRunRequest& r, const TFrameSettings& settings) {
  const std::string& path = r.inputPath;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) throw RunError("文件" + path + ",不存在");
  const FeatureClass input = OpenShapefileClass(path);
  if (!input) throw RunError("不能打开" + path + "，它不是可以读取的shapefile");
  if (!IsPolygonClass(input)) throw RunError(path + "不是面(多边形)图层，不能生成图廓");
  const SpatialReference ref = DatasetSpatialReference(input);
  const bool index = r.createMode == CreationMode::SheetIndex;
  if (index) {
    if (ref.empty()) throw RunError(path + "必须设置坐标系统");
    TstandardMap::CheckIndexCoordinates(ref, path, settings.GeodeticOutput);
  } else {
    Tcreatetk::CheckInputCoordinates(ref, path);
  }
  CheckScale(settings);

  FileRunCheck result;
  // Output names as the stores compare them, with the feature that took each.
  std::map<std::string, std::string> names;
  std::int64_t framable = 0;
  const CoordParams coords = CoordParamsOf(settings);
  const long double denominator = settings.ScaleFactor * 10000;
  const int runScale = ScaleIndexOfDenominator(std::lround(static_cast<double>(denominator)));
  // The first sheet whose size is that of another scale of the series.
  std::string otherScale;
  ReadSelectedFeatures(input, r.where, [&](const Feature& feature) {
    ++result.selected;
    const std::string label = FeatureLabel(feature, r.nameField);
    const auto why = index ? IndexSheetProblem(feature.geometry(), coords, ref.isGeographic())
                           : FrameShapeProblem(feature.geometry(), false);
    if (why) {
      result.skipped.push_back(label + "：" + *why);
      return;
    }
    if (index && otherScale.empty()) {
      const auto sheet = std::get<IndexSheet>(ReadIndexSheet(feature.geometry(), coords, ref.isGeographic()));
      if (sheet.graticule && sheet.scaleIndex >= 0 && sheet.scaleIndex != runScale)
        otherScale = label + "是" + SeriesSheetName(sheet.scaleIndex) + "，而比例尺是" + ScaleName(denominator) +
                     "，文字和间距会按错误的比例尺绘制；请把比例尺设为" +
                     std::to_string(ScaleDenominatorOfIndex(sheet.scaleIndex));
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
                     "只差字母大小写或符号，同一个输出中不能同时存在；请换一个字段或修改模板" + r.nameTemplate);
    const Envelope e = feature.geometry().envelope();
    const FrameSize size = index ? IndexSheetSize(e, ref.isGeographic()) : PolygonFrameSize(e, settings);
    CheckGridWork(settings, index, size, label + "的图廓");
  });
  if (result.selected == 0) throw RunError("没有数据，可能条件设置错误");
  if (index && static_cast<std::int64_t>(result.skipped.size()) * 2 > result.selected) {
    std::string text = path + "不是标准图幅索引：选中的" + std::to_string(result.selected) + "个要素中有" +
                       std::to_string(result.skipped.size()) + "个不是图幅：";
    for (std::size_t i = 0; i < result.skipped.size() && i < 10; ++i) text += "\n" + result.skipped[i];
    if (result.skipped.size() > 10) text += "\n……";
    throw RunError(text +
                   "\n标准图幅文件的每个要素应是一个图幅：四个角点位于两条经线和两条纬线上（或大比例尺矩形图幅的"
                   "四角）。为任意多边形生成图廓，请选择“行政区划文件”方式。");
  }
  if (!otherScale.empty()) throw RunError(otherScale);
  if (framable == 0) {
    std::string text = "选中的" + std::to_string(result.selected) + "个要素都不能生成图廓：";
    for (std::size_t i = 0; i < result.skipped.size() && i < 10; ++i) text += "\n" + result.skipped[i];
    if (result.skipped.size() > 10) text += "\n……";
    throw RunError(text);
  }
  return result;
}

}  // namespace tarvik
