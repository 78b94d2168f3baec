#include "coords/ut5480SpatialReference.h"

#include <ogr_spatialref.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "common/error.h"

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
      {SRS_PP_FALSE_EASTING, 0, 1e-3},   {SRS_PP_FALSE_NORTHING, 0, 1e-3},
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
    if (confidence < best || EpsgCodeOf(*candidate) == 0 || !SameSystem(input, *candidate))
      continue;
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
    if (!SameSystem(*other, *chosen.front()) || !datum || !otherDatum ||
        std::strcmp(datum, otherDatum) != 0)
      return 0;
  }
  return EpsgCodeOf(*chosen.front());
}

bool DetectCoordinateSystem(const SpatialReference& ref, DetectedCoordSys& inout,
                            UserFeedback& feedback) {
  inout.kind = 0;
  if (ref.empty()) throw RunError("没有定义坐标系统");
  const int code = IdentifyEpsgCode(ref);
  if (code == 0) {
    feedback.message("无法自动识别坐标系统，自己设置有关参数");
    return true;
  }
  switch (code) {
    case 4610: inout.kind = 30; return true;
    case 4214: inout.kind = 20; return true;
    case 4326: inout.kind = 10; return true;
    default: break;
  }

  auto set = [&](bool beijing, bool threeDegree, bool prefix, long double meridian) {
    inout.isBeijing54 = beijing;
    inout.is3DegreeZone = threeDegree;
    inout.addZoneNumber = prefix;
    inout.centralMeridian = meridian;
    return true;
  };
  // 3-degree zones: central meridian = zone x 3, zones 25..45 from the base code.
  auto threeDegree = [](int offset) { return (offset + 25) * 3.0L; };
  // 6-degree zones: central meridian = zone x 6 - 3, zones 13..23.
  auto sixDegree = [](int offset) { return (offset + 13) * 6.0L - 3; };

  if (code >= 2349 && code <= 2369) return set(false, true, true, threeDegree(code - 2349));
  if (code >= 2370 && code <= 2390) return set(false, true, false, threeDegree(code - 2370));
  if (code >= 2327 && code <= 2337) return set(false, false, true, sixDegree(code - 2327));
  if (code >= 2338 && code <= 2348) return set(false, false, false, sixDegree(code - 2338));
  if (code >= 2401 && code <= 2421) return set(true, true, true, threeDegree(code - 2401));
  if (code >= 2422 && code <= 2442) return set(true, true, false, threeDegree(code - 2422));
  if (code >= 21413 && code <= 21423) return set(true, false, true, sixDegree(code - 21413));
  // "Beijing 1954 / Gauss-Kruger CM 75E".. (what current EPSG data carries)
  // and the deprecated "13N".. codes are the same systems.
  if (code >= 21453 && code <= 21463) return set(true, false, false, sixDegree(code - 21453));
  if (code >= 21473 && code <= 21483) return set(true, false, false, sixDegree(code - 21473));
  return false;
}

}  // namespace tarvik
