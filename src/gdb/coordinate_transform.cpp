#include "gdb/coordinate_transform.h"

#include <ogr_spatialref.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/error.h"
#include "gdb/gdal_handles.h"

namespace tarvik {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Longest edge left by densification: 0.01 degree (about 1.1 km of
// latitude) or 1 km of a projected source; see the header for the errors.
constexpr double kStepDegrees = 0.01;
constexpr double kStepMetres = 1000;
// A given transformation farther than this from the datum-free placement
// of the test point is a mistake (real datum shifts stay below 1 km).
constexpr double kPlausibleMetres = 5000;

struct SrsRelease {
  void operator()(OGRSpatialReference* ref) const {
    if (ref) ref->Release();
  }
};
using SrsPtr = std::unique_ptr<OGRSpatialReference, SrsRelease>;

struct CtDelete {
  void operator()(OGRCoordinateTransformation* ct) const { OGRCoordinateTransformation::DestroyCT(ct); }
};
using CtPtr = std::unique_ptr<OGRCoordinateTransformation, CtDelete>;

SrsPtr CloneOf(const OGRSpatialReference& ref) {
  SrsPtr copy(ref.Clone());
  copy->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return copy;
}

std::string NameOf(const SpatialReference& ref) {
  std::string name = ref.name();
  return name.empty() ? "未命名的坐标系统" : name;
}

std::string SideText(const SpatialReference& ref) {
  std::string text = NameOf(ref);
  if (const int code = ref.epsgCode()) text += " (EPSG:" + std::to_string(code) + ")";
  return text;
}

// The datum of the table the reference is on: by the datum's EPSG code
// (PROJ gives the ESRI names D_China_2000, D_Xian_1980, D_Beijing_1954 and
// D_WGS_1984 their codes when it reads a .prj), or, for a definition whose
// datum carries no code, when GDAL calls its geographic system the table's.
std::optional<Datum> TableDatumOf(const OGRSpatialReference& ref) {
  if (const char* code = ref.GetAuthorityCode("DATUM")) {
    const char* authority = ref.GetAuthorityName("DATUM");
    if (authority && EQUAL(authority, "EPSG")) {
      for (const DatumInfo& d : Datums())
        if (d.datumEpsg == std::atoi(code)) return d.datum;
    }
  }
  for (const DatumInfo& d : Datums()) {
    OGRSpatialReference geographic;
    if (geographic.importFromEPSG(d.geographicEpsg) != OGRERR_NONE) continue;
    if (ref.IsSameGeogCS(&geographic)) return d.datum;
  }
  return std::nullopt;
}

std::string DatumNameOf(const OGRSpatialReference& ref, std::optional<Datum> datum) {
  if (datum) return InfoOf(*datum).caption;
  const char* name = ref.GetAttrValue("DATUM");
  return name && *name ? std::string("基准 ") + name : "未知基准";
}

bool IsHub(std::optional<Datum> d) { return d == Datum::Wgs84 || d == Datum::Cgcs2000; }

// The PROJ.4 form of a system, "" when it has none.
std::string Proj4Of(const OGRSpatialReference& ref) {
  char* text = nullptr;
  const OGRErr err = ref.exportToProj4(&text);
  std::string out = err == OGRERR_NONE && text ? text : "";
  CPLFree(text);
  return out;
}

// The two systems give one point the same coordinates (in traditional GIS
// order): the same PROJ.4 definition on the same geographic system.
bool SameCoordinates(const OGRSpatialReference& a, const OGRSpatialReference& b) {
  const char* options[] = {"CRITERION=EQUIVALENT_EXCEPT_AXIS_ORDER_GEOGCRS", nullptr};
  if (a.IsSame(&b, options)) return true;
  const std::string pa = Proj4Of(a);
  return !pa.empty() && pa == Proj4Of(b) && a.IsSameGeogCS(&b);
}

std::string NumberText(double v) {
  char buf[32];
  const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  return std::string(buf, end);
}

std::string FoldBlanks(std::string_view text) {
  std::string out;
  bool blank = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The transformation GDAL makes between the two, never a ballpark one.
// `bound`: the systems carry TOWGS84 terms of our making, which GDAL would
// drop for an EPSG-coded system in favour of the code's own definition.
CtPtr MakeExact(const OGRSpatialReference& source, const OGRSpatialReference& target, bool bound) {
  OGRCoordinateTransformationOptions options;
  options.SetBallparkAllowed(false);
  std::optional<CPLConfigOptionSetter> keepTerms;
  if (bound) keepTerms.emplace("OGR_CT_PREFER_OFFICIAL_SRS_DEF", "NO", false);
  return CtPtr(OGRCreateCoordinateTransformation(&source, &target, options));
}

// The point at the centre of the target's area of use (else the source's,
// else on the target's central meridian at 35N), longitude and latitude in
// degrees.
Point2 TestPoint(const OGRSpatialReference& source, const OGRSpatialReference& target) {
  for (const OGRSpatialReference* ref : {&target, &source}) {
    double west = 0, south = 0, east = 0, north = 0;
    const char* name = nullptr;
    if (ref->GetAreaOfUse(&west, &south, &east, &north, &name) && west > -1000) {
      if (east < west) east += 360;
      double lon = (west + east) / 2;
      if (lon > 180) lon -= 360;
      return {lon, (south + north) / 2};
    }
  }
  for (const OGRSpatialReference* ref : {&target, &source})
    if (ref->IsProjected()) return {ref->GetProjParm(SRS_PP_CENTRAL_MERIDIAN, 0), 35};
  return {0, 35};
}

// Distance in metres between two positions of the target.
double TargetDistance(const OGRSpatialReference& target, double x1, double y1, double x2, double y2) {
  if (target.IsGeographic()) {
    const double toMetres = target.GetAngularUnits() * 6371000;
    const double lat = (y1 + y2) / 2 * target.GetAngularUnits();
    return std::hypot((x1 - x2) * std::cos(lat), y1 - y2) * toMetres;
  }
  return std::hypot(x1 - x2, y1 - y2) * target.GetLinearUnits();
}

// Refuses a given transformation that puts the test point far from where
// the systems put it without a datum shift.
void CheckPlausible(OGRCoordinateTransformation& given, const OGRSpatialReference& source,
                    const OGRSpatialReference& target, const std::string& what) {
  const Point2 probe = TestPoint(source, target);
  SrsPtr base(source.CloneGeogCS());
  if (!base) return;
  base->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  const double perDegree = kPi / 180 / base->GetAngularUnits();
  double x = probe.x * perDegree, y = probe.y * perDegree;
  CtPtr toSource(OGRCreateCoordinateTransformation(base.get(), &source));
  CtPtr loose(OGRCreateCoordinateTransformation(&source, &target));
  if (!toSource || !loose || !toSource->Transform(1, &x, &y)) return;
  double gx = x, gy = y, lx = x, ly = y;
  if (!loose->Transform(1, &lx, &ly)) return;
  // A transformation that fails here fails on the data and says so there.
  if (!given.Transform(1, &gx, &gy)) return;
  const double off = TargetDistance(target, gx, gy, lx, ly);
  if (off <= kPlausibleMetres) return;
  char km[32];
  std::snprintf(km, sizeof km, "%.1f", off / 1000);
  throw RunError(
      "给出的转换（" + what + "）把检验点（东经 " + NumberText(probe.x) + "°，北纬 " + NumberText(probe.y) +
      "°）放到离不计基准差异的位置 " + km +
      " 千米处：请检查参数、单位与坐标轴顺序（转换管道按两个坐标系统各自定义的轴序与单位取值和给值）");
}

}  // namespace

DatumPair DatumPairOf(const SpatialReference& source, const SpatialReference& target) {
  DatumPair pair;
  if (source.empty() || target.empty()) return pair;
  pair.source = TableDatumOf(*source.ogr());
  pair.target = TableDatumOf(*target.ogr());
  if (pair.source && pair.target) {
    if (*pair.source == *pair.target)
      pair.relation = DatumRelation::Same;
    else if (IsHub(pair.source) && IsHub(pair.target))
      pair.relation = DatumRelation::Wgs84Cgcs2000;
  } else if (!pair.source && !pair.target && source.ogr()->IsSameGeogCS(target.ogr())) {
    pair.relation = DatumRelation::Same;
  }
  if (pair.relation == DatumRelation::Wgs84Cgcs2000) pair.note = "WGS 84 与 CGCS2000 视为相同（差异约1米）";
  return pair;
}

HelmertParse ParseHelmert(std::string_view text) {
  HelmertParse out;
  text = Trim(text);
  constexpr std::string_view prefix = "+towgs84=";
  if (text.size() >= prefix.size() && EQUALN(text.data(), prefix.data(), prefix.size()))
    text = Trim(text.substr(prefix.size()));
  if (text.empty()) {
    out.reason = "没有给出七参数（dx,dy,dz,rx,ry,rz,ds）";
    return out;
  }
  std::vector<std::string_view> items;
  constexpr std::string_view wideComma = "\xEF\xBC\x8C";  // "，"
  while (true) {
    const std::size_t comma = text.find(',');
    const std::size_t wide = text.find(wideComma);
    const std::size_t at = std::min(comma, wide);
    items.push_back(Trim(text.substr(0, at)));
    if (at == std::string_view::npos) break;
    text.remove_prefix(at + (at == wide ? wideComma.size() : 1));
  }
  if (items.size() != 7) {
    out.reason = "七参数须是以逗号分隔的 7 个数（dx,dy,dz,rx,ry,rz,ds），给出的是 " +
                 std::to_string(items.size()) + " 个";
    return out;
  }
  double values[7];
  for (std::size_t i = 0; i < 7; ++i) {
    const std::string_view item = items[i];
    const char* first = item.data();
    if (!item.empty() && *first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, item.data() + item.size(), values[i]);
    if (item.empty() || ec != std::errc() || end != item.data() + item.size() || !std::isfinite(values[i])) {
      out.reason = "七参数的第 " + std::to_string(i + 1) + " 个“" + std::string(item) + "”不是数";
      return out;
    }
  }
  out.parameters =
      HelmertParameters{values[0], values[1], values[2], values[3], values[4], values[5], values[6]};
  return out;
}

std::string DescribeTransformation(const GivenTransformation& given) {
  if (const auto* p = std::get_if<ProjPipeline>(&given)) return FoldBlanks(p->text);
  const auto& h = std::get<HelmertParameters>(given);
  std::string text = "Helmert +towgs84=";
  const double values[] = {h.dx, h.dy, h.dz, h.rx, h.ry, h.rz, h.ds};
  for (std::size_t i = 0; i < 7; ++i) {
    if (i) text += ',';
    text += NumberText(values[i]);
  }
  return text;
}

void CoordinateTransform::Deleter::operator()(OGRCoordinateTransformation* ct) const {
  OGRCoordinateTransformation::DestroyCT(ct);
}

CoordinateTransform::CoordinateTransform(const SpatialReference& source, const SpatialReference& target,
                                         const std::optional<GivenTransformation>& given) {
  if (source.empty() || target.empty()) throw RunError("坐标转换缺少坐标系统：输入或输出没有定义坐标系统");
  for (const SpatialReference* ref : {&source, &target}) {
    if (!ref->isGeographic() && !ref->isProjected())
      throw RunError("“" + NameOf(*ref) + "”既不是地理坐标系统也不是投影坐标系统，无法转换");
  }
  datums_ = DatumPairOf(source, target);
  const std::string srcName =
      "“" + NameOf(source) + "”（" + DatumNameOf(*source.ogr(), datums_.source) + "）";
  const std::string tgtName =
      "“" + NameOf(target) + "”（" + DatumNameOf(*target.ogr(), datums_.target) + "）";
  description_ = SideText(source) + " → " + SideText(target);
  step_ = source.isGeographic() ? kStepDegrees * kPi / 180 / source.ogr()->GetAngularUnits()
                                : kStepMetres / source.ogr()->GetLinearUnits();

  SrsPtr src = CloneOf(*source.ogr());
  SrsPtr tgt = CloneOf(*target.ogr());
  CtPtr ct = gdal::Quietly([&]() -> CtPtr {
    if (given) {
      if (const auto* pipeline = std::get_if<ProjPipeline>(&*given)) {
        OGRCoordinateTransformationOptions options;
        if (!options.SetCoordinateOperation(pipeline->text.c_str(), false)) return nullptr;
        return CtPtr(OGRCreateCoordinateTransformation(src.get(), tgt.get(), options));
      }
      const auto& h = std::get<HelmertParameters>(*given);
      if (IsHub(datums_.source) && IsHub(datums_.target))
        throw RunError(srcName + "与" + tgtName + "都在 WGS 84 或 CGCS2000 上，七参数无处施加：" +
                       "七参数用于把其他基准（如西安80、北京54）转到 WGS 84 或 CGCS2000");
      if (!IsHub(datums_.source) && !IsHub(datums_.target))
        throw RunError(srcName + "与" + tgtName + "都不在 WGS 84 或 CGCS2000 上：七参数只用于一端是 " +
                       "WGS 84 或 CGCS2000 的转换，两个其他基准之间请给出 PROJ 转换管道");
      const double values[] = {h.dx, h.dy, h.dz, h.rx, h.ry, h.rz, h.ds};
      for (double v : values)
        if (!std::isfinite(v)) throw RunError("七参数含有不是数的值");
      OGRSpatialReference& other = IsHub(datums_.source) ? *tgt : *src;
      OGRSpatialReference& hub = IsHub(datums_.source) ? *src : *tgt;
      other.SetTOWGS84(h.dx, h.dy, h.dz, h.rx, h.ry, h.rz, h.ds);
      // The parameters take the datum onto CGCS2000 just as onto WGS 84.
      if ((IsHub(datums_.source) ? datums_.source : datums_.target) == Datum::Cgcs2000)
        hub.SetTOWGS84(0, 0, 0, 0, 0, 0, 0);
      return MakeExact(*src, *tgt, true);
    }
    switch (datums_.relation) {
      case DatumRelation::Same:
        return MakeExact(*src, *tgt, false);
      case DatumRelation::Wgs84Cgcs2000:
        (datums_.source == Datum::Cgcs2000 ? *src : *tgt).SetTOWGS84(0, 0, 0, 0, 0, 0, 0);
        return MakeExact(*src, *tgt, true);
      case DatumRelation::Different:
        break;
    }
    throw RunError(srcName + "与" + tgtName + "不在同一大地基准上，两者之间没有精确的公开转换：" +
                   "请给出转换，即七参数（+towgs84=dx,dy,dz,rx,ry,rz,ds）或 PROJ 转换管道");
  });
  if (!ct) {
    const std::string why = gdal::LastError("PROJ 找不到精确的转换");
    if (given && std::holds_alternative<ProjPipeline>(*given))
      throw RunError("PROJ 转换管道“" + DescribeTransformation(*given) + "”无法使用：" + why);
    throw RunError("无法建立从" + srcName + "到" + tgtName + "的坐标转换：" + why);
  }
  if (given) {
    gdal::Quietly([&] { CheckPlausible(*ct, *source.ogr(), *target.ogr(), DescribeTransformation(*given)); });
    description_ += "；" + DescribeTransformation(*given);
  } else if (!datums_.note.empty()) {
    description_ += "；" + datums_.note;
  }
  identity_ = !given && datums_.relation == DatumRelation::Same &&
              gdal::Quietly([&] { return SameCoordinates(*source.ogr(), *target.ogr()); });
  ct_.reset(ct.release());
}

CoordinateTransform::~CoordinateTransform() = default;
CoordinateTransform::CoordinateTransform(CoordinateTransform&&) noexcept = default;
CoordinateTransform& CoordinateTransform::operator=(CoordinateTransform&&) noexcept = default;

CoordinateTransform::CoordinateTransform(const CoordinateTransform& other)
    : ct_(other.ct_ ? other.ct_->Clone() : nullptr),
      datums_(other.datums_),
      description_(other.description_),
      identity_(other.identity_),
      step_(other.step_) {}

CoordinateTransform& CoordinateTransform::operator=(const CoordinateTransform& other) {
  if (this != &other) {
    CoordinateTransform copy(other);
    *this = std::move(copy);
  }
  return *this;
}

bool CoordinateTransform::transform(std::vector<double>& x, std::vector<double>& y) {
  if (x.size() != y.size()) return false;
  if (identity_ || x.empty()) return true;
  if (!ct_) return false;  // moved from
  return gdal::Quietly([&] { return ct_->Transform(x.size(), x.data(), y.data()) == TRUE; });
}

Geometry CoordinateTransform::transformed(const Geometry& geometry) {
  if (geometry.isNull() || !geometry.isFinite()) return Geometry();
  if (identity_) return geometry;
  if (!ct_) return Geometry();  // moved from
  Geometry out = Geometry::Adopt(geometry.ogr()->clone());
  const bool ok = gdal::Quietly([&] {
    out.ogr()->segmentize(step_);
    return out.ogr()->transform(ct_.get()) == OGRERR_NONE;
  });
  return ok ? out : Geometry();
}

std::optional<Envelope> CoordinateTransform::envelopeOf(const Geometry& geometry) {
  const Geometry t = transformed(geometry);
  if (t.isEmpty()) return std::nullopt;
  return t.envelope();
}

}  // namespace tarvik
