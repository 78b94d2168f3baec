#include "coords/ut5480SpatialReference.h"

#include <ogr_spatialref.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "common/error.h"
#include "common/text_util.h"
#include "coords/utBJ54Xian80.h"
#include "coords/utlbxy.h"

namespace tarvik {
namespace {

// PROJ's confidence for "equivalent, but named differently"; 100 is
// "equivalent and same name", lower values are guesses from the name alone.
constexpr int kMinimumConfidence = 70;

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

bool SameEllipsoid(const OGRSpatialReference& a, const OGRSpatialReference& b) {
  return Near(a.GetSemiMajor(), b.GetSemiMajor(), 1e-3) &&
         Near(a.GetInvFlattening(), b.GetInvFlattening(), 1e-7) &&
         Near(a.GetPrimeMeridian(), b.GetPrimeMeridian(), 1e-9) &&
         Near(a.GetAngularUnits(), b.GetAngularUnits(), 1e-12);
}

bool SameProjection(const OGRSpatialReference& a, const OGRSpatialReference& b) {
  const char* methodA = a.GetAttrValue("PROJECTION");
  const char* methodB = b.GetAttrValue("PROJECTION");
  if (!methodA || !methodB || !EQUAL(methodA, methodB)) return false;
  struct Parameter {
    const char* name;
    double fallback;
    double tolerance;
  };
  const Parameter parameters[] = {
      {SRS_PP_FALSE_EASTING, 0, 1e-3},    {SRS_PP_FALSE_NORTHING, 0, 1e-3},
      {SRS_PP_CENTRAL_MERIDIAN, 0, 1e-9}, {SRS_PP_LATITUDE_OF_ORIGIN, 0, 1e-9},
      {SRS_PP_SCALE_FACTOR, 1, 1e-12},
  };
  for (const auto& p : parameters) {
    if (!Near(a.GetProjParm(p.name, p.fallback), b.GetProjParm(p.name, p.fallback), p.tolerance))
      return false;
  }
  return Near(a.GetLinearUnits(), b.GetLinearUnits(), 1e-12);
}

bool SameSystem(const OGRSpatialReference& a, const OGRSpatialReference& b) {
  if (a.IsProjected() != b.IsProjected() || a.IsGeographic() != b.IsGeographic()) return false;
  if (!SameEllipsoid(a, b)) return false;
  return !a.IsProjected() || SameProjection(a, b);
}

int EpsgCodeOf(const OGRSpatialReference& ref) {
  const char* authority = ref.GetAuthorityName(nullptr);
  const char* code = ref.GetAuthorityCode(nullptr);
  if (!authority || !code || !EQUAL(authority, "EPSG")) return 0;
  return std::atoi(code);
}

struct MatchList {
  OGRSpatialReferenceH* refs = nullptr;
  int* confidence = nullptr;
  int count = 0;
  ~MatchList() {
    if (refs) OSRFreeSRSArray(refs);
    CPLFree(confidence);
  }
};

}  // namespace

int IdentifyEpsgCode(const SpatialReference& ref) {
  if (ref.empty()) return 0;
  if (const int code = ref.epsgCode()) return code;
  const OGRSpatialReference& input = *ref.ogr();
  if (!input.IsProjected() && !input.IsGeographic()) return 0;

  MatchList matches;
  matches.refs = input.FindMatches(nullptr, &matches.count, &matches.confidence);
  // The best confident candidates that really have the input's parameters.
  int best = kMinimumConfidence;
  std::vector<const OGRSpatialReference*> chosen;
  for (int i = 0; i < matches.count; ++i) {
    const auto* candidate = OGRSpatialReference::FromHandle(matches.refs[i]);
    const int confidence = matches.confidence ? matches.confidence[i] : 0;
    if (confidence < best || EpsgCodeOf(*candidate) == 0 || !SameSystem(input, *candidate)) continue;
    if (confidence > best) chosen.clear();
    best = confidence;
    chosen.push_back(candidate);
  }
  if (chosen.empty()) return 0;
  // Several equally good answers only count when they are the same system
  // (a deprecated code beside its replacement); otherwise the input is ambiguous.
  const char* datum = chosen.front()->GetAuthorityCode("DATUM");
  for (const auto* other : chosen) {
    const char* otherDatum = other->GetAuthorityCode("DATUM");
    if (!SameSystem(*other, *chosen.front()) || !datum || !otherDatum || std::strcmp(datum, otherDatum) != 0)
      return 0;
  }
  return EpsgCodeOf(*chosen.front());
}

namespace {

std::string Describe(const SpatialReference& ref, int code) {
  std::string text = ref.name();
  if (text.empty()) text = "未命名的坐标系统";
  if (code) text += " (EPSG:" + std::to_string(code) + ")";
  return text;
}

// The datum of the table whose geographic system the reference is on.
std::optional<Datum> DatumOfReference(const OGRSpatialReference& ref) {
  for (const DatumInfo& d : Datums()) {
    OGRSpatialReference geographic;
    if (geographic.importFromEPSG(d.geographicEpsg) != OGRERR_NONE) continue;
    if (ref.IsSameGeogCS(&geographic)) return d.datum;
  }
  return std::nullopt;
}

// EPSG and ESRI name Gauss-Krueger zones alike: "3-degree" (or "3_Degree")
// marks 3-degree zones, its absence 6-degree ones. Other names say nothing,
// and 3-degree zones are the common case.
bool NameSays3Degree(const std::string& name) {
  const std::string upper = ToUpperAscii(name);
  const auto has = [&](const char* part) { return upper.find(part) != std::string::npos; };
  if (has("3-DEGREE") || has("3_DEGREE")) return true;
  return !(has("GAUSS-KRUGER") || has("GAUSS_KRUGER") || has("_GK_"));
}

// A transverse Mercator as Tarvik writes for meridians without an EPSG zone:
// scale 1, origin on the equator, no false northing, metres, false easting
// 500000 with or without a zone number in front.
bool DetectCustomGaussKrueger(const OGRSpatialReference& ref, const std::string& name,
                              DetectedCoordSys& out) {
  if (!ref.IsProjected()) return false;
  const char* method = ref.GetAttrValue("PROJECTION");
  if (!method || !(EQUAL(method, SRS_PT_TRANSVERSE_MERCATOR) || EQUAL(method, "Gauss_Kruger"))) return false;
  OGRErr err = OGRERR_NONE;
  const double scale = ref.GetProjParm(SRS_PP_SCALE_FACTOR, 1, &err);
  const double origin = ref.GetProjParm(SRS_PP_LATITUDE_OF_ORIGIN, 0);
  const double northing = ref.GetProjParm(SRS_PP_FALSE_NORTHING, 0);
  const double easting = ref.GetProjParm(SRS_PP_FALSE_EASTING, 0);
  const double cm = ref.GetProjParm(SRS_PP_CENTRAL_MERIDIAN, 0);
  if (!Near(scale, 1, 1e-12) || !Near(origin, 0, 1e-9) || !Near(northing, 0, 1e-3) ||
      !Near(ref.GetLinearUnits(), 1, 1e-12))
    return false;
  const auto datum = DatumOfReference(ref);
  if (!datum) return false;
  const double zoneValue = (easting - 500000) / 1000000;
  if (!Near(zoneValue, std::round(zoneValue), 1e-9) || zoneValue < 0) return false;
  const int zone = static_cast<int>(std::lround(zoneValue));
  out.datum = *datum;
  out.centralMeridian = cm;
  out.addZoneNumber = zone != 0;
  if (out.addZoneNumber) {
    // The zone number tells the width: it must be the zone of the meridian.
    if (IsZoneMeridian(true, cm) && ZoneNumberOf(true, cm) == zone)
      out.is3DegreeZone = true;
    else if (IsZoneMeridian(false, cm) && ZoneNumberOf(false, cm) == zone)
      out.is3DegreeZone = false;
    else
      return false;
  } else {
    out.is3DegreeZone = NameSays3Degree(name);
  }
  out.kind = CoordSysKind::Projected;
  return true;
}

}  // namespace

DetectedCoordSys DetectCoordinateSystem(const SpatialReference& ref) {
  if (ref.empty()) throw RunError("没有定义坐标系统");
  DetectedCoordSys out;
  const int code = IdentifyEpsgCode(ref);
  out.description = Describe(ref, code);
  if (const auto zone = ZoneOfEpsgCode(code)) {
    out.kind = CoordSysKind::Projected;
    out.datum = zone->datum;
    out.is3DegreeZone = zone->is3Degree;
    out.addZoneNumber = zone->addZone;
    out.centralMeridian = zone->centralMeridian;
    return out;
  }
  if (const auto datum = DatumOfGeographicEpsg(code)) {
    out.kind = CoordSysKind::Geographic;
    out.datum = *datum;
    return out;
  }
  if (code == 0) DetectCustomGaussKrueger(*ref.ogr(), ref.name(), out);
  return out;
}

}  // namespace tarvik
