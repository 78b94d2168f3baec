#include "frame/input_reprojection.h"

#include <algorithm>

#include "common/text_util.h"
#include "sheets/sheet_index.h"
#include "sheets/uttfhao.h"

namespace tarvik {

std::shared_ptr<InputReprojection> InputReprojection::ForSheets(CoordinateTransform transform,
                                                                std::vector<std::string> numberFields,
                                                                CoordParams coords, bool geographic) {
  std::shared_ptr<InputReprojection> r(new InputReprojection(std::move(transform)));
  r->sheets_ = true;
  for (std::string& f : numberFields)
    if (!f.empty() &&
        std::find(r->numberFields_.begin(), r->numberFields_.end(), f) == r->numberFields_.end())
      r->numberFields_.push_back(std::move(f));
  r->coords_ = coords;
  r->geographic_ = geographic;
  return r;
}

std::shared_ptr<InputReprojection> InputReprojection::ForAreas(CoordinateTransform transform) {
  return std::shared_ptr<InputReprojection>(new InputReprojection(std::move(transform)));
}

std::variant<Geometry, std::string> InputReprojection::shapeOf(const Feature& feature) {
  const Geometry& shape = feature.geometry();
  if (shape.isEmpty() || !shape.isFinite()) return shape;  // the checks say what is wrong with it
  if (sheets_) return sheetOf(feature);
  Geometry out = transform_.transformed(shape);
  if (out.isEmpty()) return std::string("坐标无法换算到输出的坐标系统（") + transform_.description() + "）";
  return out;
}

std::variant<Geometry, std::string> InputReprojection::sheetOf(const Feature& feature) {
  // The vertices, each transformed: the sheet as the input places it.
  std::vector<std::vector<Point2>> rings = feature.geometry().parts();
  for (auto& ring : rings) {
    std::vector<double> x, y;
    for (const Point2& p : ring) {
      x.push_back(p.x);
      y.push_back(p.y);
    }
    if (!transform_.transform(x, y))
      return std::string("角点坐标无法换算到输出的坐标系统（") + transform_.description() + "）";
    for (std::size_t i = 0; i < ring.size(); ++i) ring[i] = {x[i], y[i]};
  }
  Geometry moved = Geometry::Polygon(rings);
  const Envelope at = moved.envelope();
  for (const std::string& field : numberFields_) {
    const MapNoReading reading = ReadMapNo(Trim(FieldValueText(feature, field)));
    if (reading.number.empty()) continue;
    const auto sheet = DecodeMapNo(reading.number);
    if (!sheet) continue;
    // The number's corners, computed in the run's system as a typed
    // number's are; taken only where the shape lies on that sheet.
    const auto c = SheetCorners(*sheet, coords_, geographic_);
    Geometry numbered = Geometry::Polygon({{c.begin(), c.end()}});
    const Envelope e = numbered.envelope();
    const double cx = (at.xMin + at.xMax) / 2, cy = (at.yMin + at.yMax) / 2;
    if (!e.contains(cx, cy)) return "图幅号" + reading.number + "（字段" + field + "）与图形的位置不符";
    return numbered;
  }
  return moved;
}

}  // namespace tarvik
