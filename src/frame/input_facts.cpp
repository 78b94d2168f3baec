#include "frame/input_facts.h"

#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "common/text_util.h"
#include "frame/input_checks.h"
#include "gdb/class_queries.h"
#include "gdb/coordinate_transform.h"
#include "sheets/rect_sheets.h"
#include "sheets/sheet_neighbours.h"
#include "sheets/uttfhao.h"

namespace tarvik {

const InputCoordinates& InputInspection::coordinates() const {
  if (!coords) throw RunError(coordinateError);
  return *coords;
}

InputUse DefaultInputUse(const InputInspection& in) {
  if (in.ref.empty() || !in.coords || (!in.ref.isGeographic() && !in.ref.isProjected()))
    return {"describe",
            "没有可用的坐标系统：需要说明它的坐标（坐标系統和中央经线；命令行 --datum、--central-meridian）"};
  if (in.coords->recognised) return {"as-is", "按其自身的坐标系统使用"};
  if (const auto datum = DatumPairOf(in.ref, in.ref).source)
    return {"reproject", std::string("投影到输出的坐标系统（默认为") + InfoOf(*datum).caption +
                             "的高斯-克吕格坐标，数据中心所在的带）"};
  return {"transform",
          "大地基准不是" + DatumCaptions() +
              "之一，没有精确的转换：需要给出七参数或 PROJ 转换（命令行 --towgs84、--transform）"};
}

MapShapes InputMapShapes(const InputInspection& in, const std::string& where, const std::string& labelField,
                         std::size_t limit) {
  MapShapes out;
  out.geographic = in.ref.isGeographic();
  struct Enough {};
  try {
    ReadSelectedFeatures(in.cls, Trim(where), [&](const Feature& f) {
      if (out.shapes.size() >= limit) throw Enough{};  // a map shows what it can draw
      ++out.selected;
      if (f.geometry().isEmpty() || !f.geometry().isFinite()) return;
      out.shapes.push_back(
          {f.geometry().parts(), labelField.empty() ? std::string() : FieldValueText(f, labelField), true});
    });
  } catch (const Enough&) {
    out.selected = -1;  // more than were read
  } catch (const RunError& e) {
    out.problem = e.what();
  }
  return out;
}

MapShapes SheetMapShapes(const std::string& text, long denominator) {
  MapShapes out;
  const auto rectangle = [](double x0, double y0, double x1, double y1) {
    return std::vector<std::vector<Point2>>{{{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}}};
  };
  if (LooksLikeRectNumber(text)) {
    auto parsed = ParseRectNumber(Trim(text), denominator);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
      out.problem = *why;
      return out;
    }
    const RectSheet sheet = std::get<RectSheet>(parsed);
    std::vector<std::string> numbers = {sheet.number()};
    for (const std::string& n : RectNeighbours(sheet)) numbers.push_back(n);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      if (numbers[i].empty()) continue;
      const auto p = ParseRectNumber(numbers[i], denominator, sheet.layout);
      if (const auto* s = std::get_if<RectSheet>(&p))
        out.shapes.push_back({rectangle(static_cast<double>(s->west()), static_cast<double>(s->south()),
                                        static_cast<double>(s->west() + s->ySize()),
                                        static_cast<double>(s->south() + s->xSize())),
                              numbers[i], i == 0});
    }
    return out;
  }
  const MapNoReading reading = ReadMapNo(Trim(text));
  if (!reading.problem.empty()) {
    out.problem = reading.problem;
    return out;
  }
  out.geographic = true;
  std::vector<std::string> numbers = {reading.number};
  if (const auto neighbours = SheetNeighbours(reading.number))
    for (const std::string& n : *neighbours) numbers.push_back(n);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (numbers[i].empty()) continue;
    if (const auto e = DecodeMapNo(numbers[i]))
      out.shapes.push_back({rectangle(static_cast<double>(e->westLon), static_cast<double>(e->southLat),
                                      static_cast<double>(e->westLon + e->lonSize),
                                      static_cast<double>(e->southLat + e->latSize)),
                            numbers[i], i == 0});
  }
  return out;
}

bool LooksLikeSheetIndex(const InputInspection& in) {
  if (!in.cls || !in.polygons) return false;
  // Read with the input's own Gauss-Krueger system when it is one of ours;
  // otherwise the corners' count and form alone.
  CoordParams coords;
  const bool known = in.coords && in.coords->recognised;
  if (known) {
    coords.datum = DatumOfIndex(in.coords->coordSysIndex.value_or(0)).value_or(Datum::Xian80);
    coords.is3DegreeZone = in.coords->is3DegreeZone.value_or(true);
    coords.addZoneNumber = in.coords->addZoneNumber.value_or(false);
    coords.centralMeridian = in.coords->centralMeridian.value_or(87);
  }
  int seen = 0, sheets = 0;
  FeatureCursor cursor = SearchFeatures(in.cls, "");
  Feature f;
  while (seen < 50 && cursor.next(f)) {
    ++seen;
    const bool sheet = known ? !IndexSheetProblem(f.geometry(), coords, in.ref.isGeographic())
                             : !FrameShapeProblem(f.geometry(), true);
    sheets += sheet ? 1 : 0;
  }
  return seen > 0 && sheets * 2 > seen;
}

InputInspection InspectInput(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) throw RunError("文件" + path + ",不存在");
  InputInspection in;
  in.path = path;
  in.cls = OpenShapefileClass(path);
  if (!in.cls) throw RunError("不能打开" + path + "，它不是可以读取的shapefile");
  in.ref = DatasetSpatialReference(in.cls);
  in.polygons = IsPolygonClass(in.cls);
  in.featureCount = FeatureCount(in.cls, "");
  in.nameFields = IdentifyingFields(in.cls);
  try {
    in.coords = InputCoordinatesOf(in.ref);
  } catch (const RunError& e) {
    in.coordinateError = e.what();
  }
  return in;
}

}  // namespace tarvik
