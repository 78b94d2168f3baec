#include "coords/utlbxy.h"

#include <cmath>
#include <optional>
#include <vector>

#include "common/delphi.h"
#include "common/error.h"
#include "coords/decimal15.h"
#include "coords/fast_trig.h"
#include "coords/krueger_tm.h"

namespace tarvik {
namespace {

constexpr long double kPi = 3.1415926535897932385L;
constexpr long double kRadPerDegree = kPi / 180;
const char* const kBadInput = "输入的数据,错误";

// The forward series of one datum (coords/datum.h).
struct Series {
  long double c;
  long double ep2;
  long double arcPerDegree;
  long double arc1;
  double arc3, arc5, arc7;
};

// How one datum converts forward: by its textbook series, or by Krueger's
// series on its ellipsoid; and back always by Krueger's series on its
// ellipsoid. Built once for every row of the datum table.
struct Engine {
  std::optional<Series> textbook;
  KruegerTM krueger;
};

const Engine& EngineOf(Datum datum) {
  static const std::vector<Engine> engines = [] {
    std::vector<Engine> out;
    for (const DatumInfo& d : Datums()) {
      std::optional<Series> textbook;
      if (d.textbook) {
        const TextbookSeries& t = *d.textbook;
        textbook = Series{t.c, t.ep2, t.arcPerDegree, t.arc1, t.arc3, t.arc5, t.arc7};
      }
      out.push_back(Engine{textbook, KruegerTM(d.a, d.inverseFlattening)});
    }
    return out;
  }();
  return engines[static_cast<std::size_t>(datum)];
}

// Precision of the forward conversion: the leading terms run in long double;
// the higher terms, which add less than 1e-3 of the result, run in double.
// Their rounding errors stay near 1e-14 m, and the double terms keep the x87
// register stack short, which makes the conversion markedly faster. The
// result agrees with a plain long double evaluation to a hundredth of the
// last bit of the double a caller stores.

// Meridian arc from the equator to latitude B (degrees), given sin B and cos B:
// X = arcPerDegree B - (a1 + a3 s^2 + a5 s^4 + a7 s^6) s c.
long double MeridianArc(const Series& d, long double B, long double sinB, long double cosB) {
  const double s2 = static_cast<double>(sinB * sinB);
  const double higher = (d.arc3 + (d.arc5 + d.arc7 * s2) * s2) * s2;
  return d.arcPerDegree * B - (d.arc1 + higher) * sinB * cosB;
}

long double ParseNumber(const std::string& text) {
  const auto v = StrToFloat(text);
  if (!v) throw RunError("\"" + text + "\" 不是有效的数");
  return *v;
}

// 1 / sqrt(w) for w near 1: the double estimate and one Newton step in long
// double (its error squares, from 1e-16 to below the last long double bit).
long double InverseSqrt(long double w) {
  const double y = 1 / std::sqrt(static_cast<double>(w));
  return y * (1.5L - 0.5L * w * y * y);
}

// The series themselves, on angles already read. B, L, centralMeridian in
// degrees.
//   x = X + N t m^2 [1/2 + (5 - t^2 + 9 eta^2 + 4 eta^4) m^2 / 24 + (61 - 58 t^2 + t^4) m^4 / 720]
//   y = N [m + (1 - t^2 + eta^2) m^3 / 6 + (5 - 18 t^2 + t^4 + 14 eta^2 - 58 eta^2 t^2) m^5 / 120]
// with t = tan B, eta^2 = e'^2 cos^2 B, N = c / sqrt(1 + eta^2), m = cos B l.
// N t m^2 is evaluated as N sin B cos B l^2, which needs no division.
[[gnu::always_inline]] inline PlanarXY Forward(const Series& d, long double B, long double L, bool is3Degree,
                                               bool addZone, long double centralMeridian) {
  long double sinB, cosB;
  SinCos(B * kRadPerDegree, sinB, cosB);
  const long double eta2 = d.ep2 * cosB * cosB;
  const long double N = d.c * InverseSqrt(1 + eta2);
  const long double l = (L - centralMeridian) * kRadPerDegree;
  const long double m = cosB * l;
  const long double m2 = m * m;

  const double sd = static_cast<double>(sinB), cd = static_cast<double>(cosB);
  const double t2 = (sd / cd) * (sd / cd), e2 = static_cast<double>(eta2);
  const double mm = static_cast<double>(m2);
  const double xHigher =
      (5 - t2 + 9 * e2 + 4 * e2 * e2) * mm * (1.0 / 24) + (61 - 58 * t2 + t2 * t2) * mm * mm * (1.0 / 720);
  const double yHigher = (1 - t2 + e2) * mm * (1.0 / 6) +
                         (5 - 18 * t2 + t2 * t2 + 14 * e2 - 58 * e2 * t2) * mm * mm * (1.0 / 120);
  PlanarXY out;
  out.northing = MeridianArc(d, B, sinB, cosB) + N * sinB * cosB * (l * l) * (0.5L + xHigher);
  out.easting =
      N * (m + m * static_cast<long double>(yHigher)) + FalseEasting(is3Degree, addZone, centralMeridian);
  if (!std::isfinite(out.northing) || !std::isfinite(out.easting)) throw RunError(kBadInput);
  return out;
}

PlanarXY KruegerForward(const KruegerTM& tm, long double B, long double L, bool is3Degree, bool addZone,
                        long double centralMeridian) {
  double x = 0, y = 0;
  tm.forward(static_cast<double>(B), static_cast<double>(L - centralMeridian), x, y);
  PlanarXY out;
  out.northing = x;
  out.easting = y + FalseEasting(is3Degree, addZone, centralMeridian);
  if (!std::isfinite(out.northing) || !std::isfinite(out.easting)) throw RunError(kBadInput);
  return out;
}

}  // namespace

long double DegToRad(long double deg) { return deg * kPi / 180; }

long double DmsTextToDegrees(const std::string& text) {
  const long double v = ParseNumber(text);
  const bool negative = std::signbit(v);
  long double degrees = std::fabs(Int(v));
  std::string s = text;
  auto point = s.find('.');
  // Fewer than three digits after the point: pad to D.MMSS ("87.3" -> "87.3000").
  if (s.size() - (point == std::string::npos ? 0 : point) < 4) {
    s = FormatFixed(v, 4);
    if (point != std::string::npos) point = s.find('.');
  }
  if (point != std::string::npos) {
    // Minutes and seconds run to 59: 30.6000 or 30.3099 name no angle.
    const long double minutes = ParseNumber(s.substr(point + 1, 2));
    const long double seconds = ParseNumber("0." + s.substr(point + 3)) * 100;
    if (minutes >= 60) throw RunError("\"" + text + "\" 的分为 " + s.substr(point + 1, 2) + "，应小于60");
    if (seconds >= 60) throw RunError("\"" + text + "\" 的秒为 " + FloatToStr(seconds) + "，应小于60");
    degrees += minutes / 60 + seconds / 3600;
  }
  return negative ? -degrees : degrees;
}

int ZoneNumberOf(bool is3Degree, long double longitude) {
  const long double q = is3Degree ? longitude / 3 : (longitude + 3) / 6;
  if (!(std::fabs(q) < 1e9L)) return 0;  // also NaN
  // Adding and taking off 1.5 x 2^63 rounds to an integer, ties to even, as
  // Round does, without a library call (this sits on the forward path).
  constexpr long double kRound = 13835058055282163712.0L;
  return static_cast<int>((q + kRound) - kRound);
}

long double CentralMeridianOf(const std::string& longitudeText, bool is3Degree) {
  const long double L = DmsTextToDegrees(longitudeText);
  // Rounded down, so that a zone west of Greenwich also runs from its west edge.
  if (is3Degree) return std::floor((L + 1.5L) / 3) * 3;
  return (std::floor(L / 6) + 1) * 6 - 3;
}

long double FalseEasting(bool is3Degree, bool addZone, long double centralMeridian) {
  if (!addZone) return 500000;
  return ZoneNumberOf(is3Degree, centralMeridian) * 1000000.0L + 500000;
}

PlanarXY GaussForward(Datum datum, const std::string& latitudeText, const std::string& longitudeText,
                      bool isDms, bool is3Degree, bool addZone, long double centralMeridian) {
  const long double B = isDms ? DmsTextToDegrees(latitudeText) : ParseNumber(latitudeText);
  const long double L = isDms ? DmsTextToDegrees(longitudeText) : ParseNumber(longitudeText);
  return GaussForwardDegrees(datum, B, L, is3Degree, addZone, centralMeridian);
}

PlanarXY GaussForwardDegrees(Datum datum, long double B, long double L, bool is3Degree, bool addZone,
                             long double centralMeridian) {
  const Engine& engine = EngineOf(datum);
  if (engine.textbook) return Forward(*engine.textbook, B, L, is3Degree, addZone, centralMeridian);
  return KruegerForward(engine.krueger, B, L, is3Degree, addZone, centralMeridian);
}

namespace {

bool QuietInverse(Datum datum, long double x, long double y, bool is3Degree, bool addZone,
                  long double centralMeridian, long double& L, long double& B) {
  // y' = y - 500000 (- zone x 1000000): exact in long double, then double.
  const double yr = static_cast<double>(y - FalseEasting(is3Degree, addZone, centralMeridian));
  double newB = 0, l = 0;
  EngineOf(datum).krueger.inverse(static_cast<double>(x), yr, newB, l);
  const double newL = static_cast<double>(centralMeridian) + l;
  if (!std::isfinite(newB) || !std::isfinite(newL) || !(std::fabs(newB) <= 90)) return false;
  L = newL;
  B = newB;
  return true;
}

}  // namespace

bool GaussInverse(Datum datum, long double x, long double y, bool is3Degree, bool addZone,
                  long double centralMeridian, long double& L, long double& B, UserFeedback& feedback) {
  if (QuietInverse(datum, x, y, is3Degree, addZone, centralMeridian, L, B)) return true;
  feedback.message(kBadInput);
  return false;
}

PlanarXY LBToXY(const CoordParams& p, long double B, long double L) {
  // Non-finite angles give non-finite results, which both forms refuse.
  const Engine& engine = EngineOf(p.datum);
  if (engine.textbook)
    return Forward(*engine.textbook, Decimal15(B), Decimal15(L), p.is3DegreeZone, p.addZoneNumber,
                   p.centralMeridian);
  return KruegerForward(engine.krueger, B, L, p.is3DegreeZone, p.addZoneNumber, p.centralMeridian);
}

bool XYToLB(const CoordParams& p, long double x, long double y, long double& L, long double& B,
            UserFeedback& feedback) {
  return GaussInverse(p.datum, x, y, p.is3DegreeZone, p.addZoneNumber, p.centralMeridian, L, B, feedback);
}

bool XYToLB(const CoordParams& p, long double x, long double y, long double& L, long double& B) {
  return QuietInverse(p.datum, x, y, p.is3DegreeZone, p.addZoneNumber, p.centralMeridian, L, B);
}

long double TextHeight(const FontDesc& font, long double scaleFactor) {
  return font.pointSize() * 25.4L / 72 * scaleFactor * 10;
}

long double TextHeight2(const FontDesc& font, long double scaleFactor) {
  return TextHeight(font, scaleFactor) * 2;
}

}  // namespace tarvik
