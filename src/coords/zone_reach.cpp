#include "coords/zone_reach.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "common/delphi.h"
#include "common/error.h"

namespace tarvik {
namespace {

// A number as a message shows it: at most four decimals, no trailing zeros.
std::string Short(long double v) {
  std::string text = FormatFixed(v, 4);
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

const char* WidthName(bool is3Degree) { return is3Degree ? "3度带" : "6度带"; }

}  // namespace

long double ZoneReach(bool is3Degree) { return is3Degree ? 2.5L : 4.0L; }

long double ZoneMeridianOf(long double longitude, bool is3Degree) {
  // Rounded down, not toward zero: west of Greenwich too a zone runs from
  // its west edge (-94.5 .. -91.5 is the zone of -93).
  return is3Degree ? std::floor((longitude + 1.5L) / 3) * 3 : (std::floor(longitude / 6) + 1) * 6 - 3;
}

namespace {

bool Reaches(long double meridian, bool is3Degree, long double lonMin, long double lonMax) {
  const long double reach = ZoneReach(is3Degree);
  return lonMin >= meridian - reach && lonMax <= meridian + reach;
}

// What would hold the longitudes: the meridian of the run's zone width
// nearest their middle, or, when no zone of that width reaches over them
// (a 1:1 000 000 sheet is 6 degrees wide, a 1:500 000 sheet's 3 degrees
// lie between two 3-degree meridians), a 6-degree zone.
std::string Suggestion(const CoordParams& p, long double lonMin, long double lonMax) {
  const long double middle = (lonMin + lonMax) / 2;
  const long double same = ZoneMeridianOf(middle, p.is3DegreeZone);
  if (Reaches(same, p.is3DegreeZone, lonMin, lonMax)) return "；建议中央经线 " + Short(same);
  if (p.is3DegreeZone) {
    const long double wide = ZoneMeridianOf(middle, false);
    if (Reaches(wide, false, lonMin, lonMax))
      return "；3度带的任何中央经线都不能容纳它，建议改用6度带（中央经线 " + Short(wide) + "）";
  }
  return "；它跨经度 " + Short(lonMax - lonMin) + " 度，没有一个" + WidthName(p.is3DegreeZone) + "能容纳它";
}

}  // namespace

void CheckLongitudeReach(const CoordParams& p, long double lonMin, long double lonMax,
                         const std::string& what) {
  const long double reach = ZoneReach(p.is3DegreeZone);
  if (std::isfinite(lonMin) && std::isfinite(lonMax) &&
      Reaches(p.centralMeridian, p.is3DegreeZone, lonMin, lonMax))
    return;
  std::string text = what + "的经度 " + Short(lonMin) + "–" + Short(lonMax) + " 与中央经线 " +
                     Short(p.centralMeridian) + " 相距太远（" + WidthName(p.is3DegreeZone) +
                     "的图廓只能在中央经线两侧 " + Short(reach) + " 度以内）";
  if (std::isfinite(lonMin) && std::isfinite(lonMax)) text += Suggestion(p, lonMin, lonMax);
  throw RunError(text);
}

namespace {

// What is wrong with the zone number of planar eastings: none when they
// carry the one the run expects (or none, as expected).
std::optional<std::string> ZonePrefixProblem(const CoordParams& p, double eMin, double eMax,
                                             const std::string& what) {
  const std::string eastings = what + "的横坐标 " + Short(eMin) + "–" + Short(eMax);
  const int zone = ZoneNumberOf(p.is3DegreeZone, p.centralMeridian);
  const auto zoneDigits = [](double e) { return static_cast<long long>(std::floor(e / 1000000)); };
  if (p.addZoneNumber) {
    if (zoneDigits(eMin) != zone || zoneDigits(eMax) != zone)
      return eastings + " 不是中央经线 " + Short(p.centralMeridian) + " 的" + WidthName(p.is3DegreeZone) +
             "第 " + std::to_string(zone) + " 带加带号的坐标（应在 " + std::to_string(zone) + "000000–" +
             std::to_string(zone) + "999999 之间）";
  } else if (eMin >= 1000000 || eMax >= 1000000) {
    return eastings + " 带有带号 " + std::to_string(zoneDigits(eMin)) + "；请选择坐标加带号（--zone-prefix）";
  }
  return std::nullopt;
}

// The longitudes a planar extent covers: the widest lie at its corners and,
// for an extent spanning the equator side of a zone, at its edge midpoints.
// None when a point of it is no Gauss-Krueger position of the run.
std::optional<std::pair<long double, long double>> PlanarLongitudes(const CoordParams& p, double eMin,
                                                                    double nMin, double eMax, double nMax) {
  long double lonMin = INFINITY, lonMax = -INFINITY;
  const double es[3] = {eMin, (eMin + eMax) / 2, eMax};
  const double ns[3] = {nMin, (nMin + nMax) / 2, nMax};
  for (double e : es) {
    for (double n : ns) {
      long double L = 0, B = 0;
      if (!XYToLB(p, n, e, L, B) || !(std::fabs(B) < 85)) return std::nullopt;
      lonMin = std::min(lonMin, L);
      lonMax = std::max(lonMax, L);
    }
  }
  return std::make_pair(lonMin, lonMax);
}

std::string NotGaussKrueger(const CoordParams& p, double eMin, double nMin, double eMax, double nMax,
                            const std::string& what) {
  return what + "的坐标（横坐标 " + Short(eMin) + "–" + Short(eMax) + "，纵坐标 " + Short(nMin) + "–" +
         Short(nMax) + "）不是中央经线 " + Short(p.centralMeridian) + " 的高斯-克吕格坐标";
}

}  // namespace

void CheckPlanarReach(const CoordParams& p, double eMin, double nMin, double eMax, double nMax,
                      const std::string& what) {
  if (const auto why = ZonePrefixProblem(p, eMin, eMax, what)) throw RunError(*why);
  const auto lon = PlanarLongitudes(p, eMin, nMin, eMax, nMax);
  if (!lon) throw RunError(NotGaussKrueger(p, eMin, nMin, eMax, nMax, what));
  CheckLongitudeReach(p, lon->first, lon->second, what);
}

void ReachJudge::add(double xMin, double yMin, double xMax, double yMax, const std::string& label) {
  std::optional<std::string> why;
  std::optional<std::pair<long double, long double>> lon;
  if (geographic_) {
    lon = std::make_pair<long double, long double>(xMin, xMax);
  } else if (!reprojected_ && (why = ZonePrefixProblem(p_, xMin, xMax, label))) {
    prefixWrong_ = true;
  } else if (!(lon = PlanarLongitudes(p_, xMin, yMin, xMax, yMax))) {
    why = NotGaussKrueger(p_, xMin, yMin, xMax, yMax, label);
  }
  if (lon && std::isfinite(lon->first) && std::isfinite(lon->second)) {
    lonMin_ = anyLon_ ? std::min(lonMin_, lon->first) : lon->first;
    lonMax_ = anyLon_ ? std::max(lonMax_, lon->second) : lon->second;
    anyLon_ = true;
    if (Reaches(p_.centralMeridian, p_.is3DegreeZone, lon->first, lon->second)) return;
    why = label + "的经度 " + Short(lon->first) + "–" + Short(lon->second);
  } else if (!why) {
    why = label + "的经度不是数";
  }
  if (count_++ < 10) lines_.push_back(*why);
}

void ReachJudge::check(const std::string& path) const {
  if (count_ == 0) return;
  std::string text = path + "中选中的要素有" + std::to_string(count_) + "个与中央经线 " +
                     Short(p_.centralMeridian) + " 相距太远（" + WidthName(p_.is3DegreeZone) +
                     "的图廓只能在中央经线两侧 " + Short(ZoneReach(p_.is3DegreeZone)) +
                     " 度以内）或不在它的带内：";
  for (const std::string& line : lines_) text += "\n" + line;
  if (count_ > static_cast<std::int64_t>(lines_.size())) text += "\n……";
  if (anyLon_ && !prefixWrong_) {
    text += "\n选中的要素经度 " + Short(lonMin_) + "–" + Short(lonMax_) + Suggestion(p_, lonMin_, lonMax_);
    const long double middle = (lonMin_ + lonMax_) / 2;
    const bool held = Reaches(ZoneMeridianOf(middle, p_.is3DegreeZone), p_.is3DegreeZone, lonMin_, lonMax_) ||
                      (p_.is3DegreeZone && Reaches(ZoneMeridianOf(middle, false), false, lonMin_, lonMax_));
    if (!held) text += "；请用条件（--where）只选一个带内的要素，或分成几个输出";
  }
  throw RunError(text);
}

}  // namespace tarvik
