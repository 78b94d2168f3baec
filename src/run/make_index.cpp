#include "run/make_index.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "common/recording_feedback.h"
#include "common/text_util.h"
#include "coords/utBJ54Xian80.h"
#include "coords/zone_reach.h"
#include "frame/input_checks.h"
#include "frame/input_facts.h"
#include "gdb/class_queries.h"
#include "gdb/envelope_grid.h"
#include "gdb/geometry.h"
#include "gdb/sheet_index_writer.h"

namespace tarvik {
namespace {

// The cover's polygons in the index's own system (where the index's sheets
// are the straight-edged polygons it writes), each with its envelope, for
// the sheets to be tested against.
struct Cover {
  std::vector<Geometry> polygons;
  EnvelopeGrid grid;
  GeoBox box;  // around every polygon, in longitude and latitude

  // Whether the cover reaches into the sheet, not only touches one of its
  // edges or corners. A sheet is written with straight sides between its
  // corners, while its true sides are a meridian and a parallel: in another
  // system (a cover in longitude and latitude, an index in the plane) a side
  // bulges by about L^2 tan(B) / 8R from its chord. The sheet is therefore
  // tested that much inside its edges (twice over, at least a millionth of
  // its size), so a neighbour sharing an edge with the cover is left out
  // however the systems and the overlay round.
  bool holds(std::array<Point2, 4> corners, const SheetExtent& extent) const {
    constexpr double kEarthRadius = 6371000;
    const double lat =
        static_cast<double>(extent.southLat + extent.latSize / 2) * 3.14159265358979323846 / 180;
    const double side = kEarthRadius *
                        static_cast<double>(std::max(extent.lonSize * std::cos(lat), extent.latSize)) *
                        3.14159265358979323846 / 180;
    const double inside = std::max(1e-6, side * (std::fabs(std::tan(lat)) + 1) / (4 * kEarthRadius));
    const double cx = (corners[0].x + corners[1].x + corners[2].x + corners[3].x) / 4;
    const double cy = (corners[0].y + corners[1].y + corners[2].y + corners[3].y) / 4;
    for (Point2& p : corners) p = {cx + (p.x - cx) * (1 - inside), cy + (p.y - cy) * (1 - inside)};
    const Geometry sheet = Geometry::Polygon({{corners.begin(), corners.end()}});
    for (const std::size_t i : grid.candidates(sheet.envelope()))
      if (polygons[i].intersects(sheet)) return true;
    return false;
  }
};

// The cover read into the index's system `indexRef`: reprojected from its
// own (densified, so that its edges stay its edges), or, for a cover that
// states no system, read as the Gauss-Krueger coordinates the options give;
// its box from the same done into the datum's longitude and latitude.
Cover ReadCover(const FeatureClass& cls, const SpatialReference& ownRef, const SpatialReference& indexRef,
                const SpatialReference& geographic, const std::optional<GivenTransformation>& given,
                std::vector<std::string>& skipped) {
  CoordinateTransform transform(ownRef, indexRef, given);
  CoordinateTransform toDegrees(ownRef, geographic, given);
  Cover cover;
  std::vector<Envelope> envelopes;
  std::optional<Envelope> degrees;
  ReadSelectedFeatures(cls, "", [&](const Feature& f) {
    // Shapes that cannot be used (none, NaN or infinite coordinates) are
    // left out by name; the index then lacks the sheets only they cover.
    if (const auto why = FrameShapeProblem(f.geometry(), false)) {
      skipped.push_back(FeatureLabel(f, "") + "：" + *why);
      return;
    }
    Geometry g = transform.transformed(f.geometry());
    if (g.isEmpty()) {
      skipped.push_back(FeatureLabel(f, "") + "：坐标无法换算为经纬度（" + transform.description() + "）");
      return;
    }
    const auto e = toDegrees.envelopeOf(f.geometry());
    if (!e) {
      skipped.push_back(FeatureLabel(f, "") + "：坐标无法换算为经纬度（" + toDegrees.description() + "）");
      return;
    }
    if (!degrees) degrees = *e;
    degrees->xMin = std::min(degrees->xMin, e->xMin), degrees->yMin = std::min(degrees->yMin, e->yMin);
    degrees->xMax = std::max(degrees->xMax, e->xMax), degrees->yMax = std::max(degrees->yMax, e->yMax);
    g = PrepareGeometry(g);
    envelopes.push_back(g.envelope());
    cover.polygons.push_back(std::move(g));
  });
  if (cover.polygons.empty()) throw RunError("覆盖范围中没有可用的图形");
  cover.box = {degrees->xMin, degrees->yMin, degrees->xMax, degrees->yMax};
  cover.grid = EnvelopeGrid(envelopes);
  return cover;
}

SpatialReference Checked(SpatialReference ref) {
  if (ref.empty()) throw RunError("无法建立输出的坐标系统");
  return ref;
}

}  // namespace

IndexResult MakeStandardIndex(const IndexRequest& r) {
  const int scaleIndex = ScaleIndexOfDenominator(r.scale);
  if (scaleIndex < 0)
    throw RunError("比例尺只能是 1000000、500000、250000、100000、50000、25000、10000 或 5000: " +
                   std::to_string(r.scale));
  if (r.box.has_value() == !r.coverPath.empty()) throw RunError("需要范围或覆盖文件之一");
  if (!EndsWithNoCase(r.output, ".shp")) throw RunError("输出必须是 .shp 文件: " + r.output);
  std::error_code ec;
  if (std::filesystem::exists(r.output, ec) && !r.overwrite) throw RunError(r.output + " 已存在");
  RecordingFeedback said;
  // Output coordinates: the request, else what the cover's own system
  // says, else the defaults; the meridian else the zone of the area's centre.
  CoordParams out;
  if (r.datum) out.datum = *r.datum;
  if (r.is3DegreeZone) out.is3DegreeZone = *r.is3DegreeZone;
  if (r.zonePrefix) out.addZoneNumber = *r.zonePrefix;
  bool meridianStated = false;
  if (r.centralMeridian) {
    if (*r.centralMeridian < 72 || *r.centralMeridian > 138)
      throw RunError("中央经线需要 72..138 之间的整度数: " + std::to_string(*r.centralMeridian));
    out.centralMeridian = *r.centralMeridian;
    meridianStated = true;
  }
  const bool geographic = r.geographic;
  IndexResult result;
  std::optional<Cover> cover;
  GeoBox box;
  GeoBox area;  // the area itself (box may grow by a sheet on every side)
  if (!r.coverPath.empty()) {
    const std::string& coverPath = r.coverPath;
    const InputInspection inspection = InspectInput(coverPath);
    if (!inspection.polygons) throw RunError(coverPath + "不是面(多边形)图层");
    if (!ClassExtent(inspection.cls)) throw RunError(coverPath + "没有图形");
    SpatialReference ownRef = inspection.ref;
    if (ownRef.empty()) {
      // No system: the request says what its coordinates are.
      if (!(r.datum && meridianStated))
        throw RunError(coverPath +
                       "没有定义坐标系统；请说明它的坐标：坐标系統和中央经线（命令行：--datum、"
                       "--central-meridian，需要时加 --zone-width、--zone-prefix）");
      ownRef = Checked(MakeProjectedReference(out, said));
    } else if (const InputCoordinates& ic = inspection.coordinates(); ic.recognised) {
      if (!r.datum) out.datum = DatumOfIndex(ic.coordSysIndex.value_or(0)).value_or(Datum::Xian80);
      if (!r.is3DegreeZone && ic.is3DegreeZone) out.is3DegreeZone = *ic.is3DegreeZone;
      if (!r.zonePrefix && ic.addZoneNumber) out.addZoneNumber = *ic.addZoneNumber;
      if (!meridianStated && ic.centralMeridian) {
        out.centralMeridian = *ic.centralMeridian;
        meridianStated = true;
      }
    } else if (!r.datum) {
      if (const auto datum = DatumPairOf(ownRef, ownRef).source) out.datum = *datum;
    }
    const SpatialReference geographicRef = Checked(MakeGeographicReference(out.datum, said));
    // The index's system needs the meridian, which an unstated one takes
    // from the cover's centre.
    if (!meridianStated) {
      const auto e = CoordinateTransform(ownRef, geographicRef, r.transformation)
                         .envelopeOf(EnvelopePolygon(*ClassExtent(inspection.cls)));
      if (!e) throw RunError(coverPath + "的坐标无法换算为经纬度");
      out.centralMeridian = ZoneMeridianOf((e->xMin + e->xMax) / 2, out.is3DegreeZone);
      meridianStated = true;
    }
    const SpatialReference indexRef = geographic ? geographicRef : Checked(MakeProjectedReference(out, said));
    try {
      cover = ReadCover(inspection.cls, ownRef, indexRef, geographicRef, r.transformation, result.skipped);
    } catch (const RunError& e) {
      throw RunError(coverPath + "：" + e.what());
    }
    box = cover->box;
    area = box;
    // Sheets that only touch the box are tested against the cover anyway.
    long double lonSize = 0, latSize = 0;
    SheetSize(ScaleLetter(scaleIndex), lonSize, latSize);
    box = {std::max(-180.0L, box.west - lonSize), std::max(0.0L, box.south - latSize),
           std::min(180.0L, box.east + lonSize), std::min(88.0L, box.north + latSize)};
  } else {
    box = *r.box;
    if (!(box.west < box.east) || !(box.south < box.north)) throw RunError("范围需要 西 < 东 且 南 < 北");
    if (box.south < 0 || box.north > 88 || box.west < -180 || box.east > 180)
      throw RunError("范围必须在纬度 0..88、经度 -180..180 之内");
    area = box;
  }
  if (!meridianStated) out.centralMeridian = ZoneMeridianOf((area.west + area.east) / 2, out.is3DegreeZone);

  const std::int64_t count = SheetCountInBox(scaleIndex, box);
  if (count > kMaxIndexSheets)
    throw RunError("范围内有 " + std::to_string(count) + " 个图幅，超过 " + std::to_string(kMaxIndexSheets) +
                   " 个；请缩小范围或选择较小的比例尺");
  const std::vector<std::string> numbers = SheetNumbersInBox(scaleIndex, box);
  // Sheets far from the meridian would be drawn hundreds of kilometres off.
  if (!geographic) CheckProjectedParams(out);
  if (!geographic) CheckLongitudeReach(out, area.west, area.east, "范围");

  std::function<bool(const SheetExtent&)> keep;
  if (cover)
    keep = [&](const SheetExtent& sheet) {
      return cover->holds(SheetCorners(sheet, out, geographic), sheet);
    };
  const std::vector<IndexPolygon> sheets = SheetIndexPolygons(numbers, out, geographic, keep);
  if (sheets.empty()) throw RunError("范围内没有图幅");

  const SpatialReference ref =
      Checked(geographic ? MakeGeographicReference(out.datum, said) : MakeProjectedReference(out, said));
  WriteSheetIndex(r.output, ref, "TFH", sheets, r.overwrite);
  result.sheets = sheets.size();
  result.system = ref.name();
  return result;
}

}  // namespace tarvik
