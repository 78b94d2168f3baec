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
constexpr double kRadPerDegreeD = static_cast<double>(kRadPerDegree);
constexpr double kInversePiD = static_cast<double>(1 / kPi);
const char* const kBadInput = "输入的数据,错误";

// The textbook series of one datum (coords/datum.h) with the constants the
// inverse needs in double, worked out once.
struct Series {
  long double c;
  long double ep2;
  long double arcPerDegree;
  long double arc1;
  double arc3, arc5, arc7;
  double foot[7];
  double ep2D, inverseCD, arcPerDegreeD, arc1D;
};

Series MakeSeries(const TextbookSeries& t) {
  Series s{t.c, t.ep2, t.arcPerDegree, t.arc1, t.arc3, t.arc5, t.arc7, {}, 0, 0, 0, 0};
  for (int i = 0; i < 7; ++i) s.foot[i] = t.foot[i];
  s.ep2D = static_cast<double>(t.ep2);
  s.inverseCD = static_cast<double>(1 / t.c);
  s.arcPerDegreeD = static_cast<double>(t.arcPerDegree);
  s.arc1D = static_cast<double>(t.arc1);
  return s;
}

// How one datum converts: by its textbook series, or by Krueger's series on
// its ellipsoid. Built once for every row of the datum table.
struct Engine {
  std::optional<Series> textbook;
  std::optional<KruegerTM> krueger;
};

const Engine& EngineOf(Datum datum) {
  static const std::vector<Engine> engines = [] {
    std::vector<Engine> out;
    for (const DatumInfo& d : Datums()) {
      Engine e;
      if (d.textbook)
        e.textbook = MakeSeries(*d.textbook);
      else
        e.krueger.emplace(d.a, d.inverseFlattening);
      out.push_back(std::move(e));
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

// dX/dB of that arc in metres per degree: the meridian radius of curvature
// the series stand for, consistent with MeridianArc. Only steers the Newton
// steps, so double precision is plenty.
double MeridianArcSlope(const Series& d, double sinB, double cosB) {
  const double s2 = sinB * sinB, c2 = cosB * cosB;
  const double p = d.arc1D + (d.arc3 + (d.arc5 + d.arc7 * s2) * s2) * s2;
  const double dp = d.arc3 + (2 * d.arc5 + 3 * d.arc7 * s2) * s2;  // dP/d(s^2)
  return d.arcPerDegreeD - (2 * dp * s2 * c2 + p * (c2 - s2)) * kRadPerDegreeD;
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
[[gnu::always_inline]] inline PlanarXY Forward(const Series& d, long double B, long double L,
                                               bool is3Degree, bool addZone,
                                               long double centralMeridian) {
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
  const double xHigher = (5 - t2 + 9 * e2 + 4 * e2 * e2) * mm * (1.0 / 24) +
                         (61 - 58 * t2 + t2 * t2) * mm * mm * (1.0 / 720);
  const double yHigher = (1 - t2 + e2) * mm * (1.0 / 6) +
                         (5 - 18 * t2 + t2 * t2 + 14 * e2 - 58 * e2 * t2) * mm * mm * (1.0 / 120);
  PlanarXY out;
  out.northing = MeridianArc(d, B, sinB, cosB) + N * sinB * cosB * (l * l) * (0.5L + xHigher);
  out.easting = N * (m + m * static_cast<long double>(yHigher)) +
          FalseEasting(is3Degree, addZone, centralMeridian);
  if (!std::isfinite(out.northing) || !std::isfinite(out.easting)) throw RunError(kBadInput);
  return out;
}

PlanarXY KruegerForward(const KruegerTM& tm, long double B, long double L, bool is3Degree,
                        bool addZone, long double centralMeridian) {
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
    degrees += ParseNumber(s.substr(point + 1, 2)) / 60;
    degrees += ParseNumber("0." + s.substr(point + 3)) * 100 / 3600;
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
  if (is3Degree) return static_cast<long double>(Trunc((L + 1.5L) / 3) * 3);
  return static_cast<long double>((Trunc(L / 6) + 1) * 6 - 3);
}

long double FalseEasting(bool is3Degree, bool addZone, long double centralMeridian) {
  if (!addZone) return 500000;
  return ZoneNumberOf(is3Degree, centralMeridian) * 1000000.0L + 500000;
}

PlanarXY GaussForward(Datum datum, const std::string& latitudeText,
                      const std::string& longitudeText, bool isDms, bool is3Degree,
                      bool addZone, long double centralMeridian) {
  const long double B = isDms ? DmsTextToDegrees(latitudeText) : ParseNumber(latitudeText);
  const long double L = isDms ? DmsTextToDegrees(longitudeText) : ParseNumber(longitudeText);
  return GaussForwardDegrees(datum, B, L, is3Degree, addZone, centralMeridian);
}

PlanarXY GaussForwardDegrees(Datum datum, long double B, long double L, bool is3Degree, bool addZone,
                             long double centralMeridian) {
  const Engine& engine = EngineOf(datum);
  if (engine.textbook) return Forward(*engine.textbook, B, L, is3Degree, addZone, centralMeridian);
  return KruegerForward(*engine.krueger, B, L, is3Degree, addZone, centralMeridian);
}

namespace {

// The inverse of the textbook series; false when it fails.
bool TextbookInverse(const Series& d, long double x, long double y, bool is3Degree, bool addZone,
                     long double centralMeridian, double& newL, double& newB) {
  // y' = y - 500000 (- zone x 1000000): exact in long double, then double.
  const double yr = static_cast<double>(
      y - FalseEasting(is3Degree, addZone, centralMeridian));

  // The inverse runs in double precision. Its accuracy is set by the
  // footpoint search below, which stops when the arc reproduces x to 0.001 mm
  // (1e-11 degree); double carries 1e-14 degree, so extended precision would
  // change nothing measurable, and double makes the inverse several times
  // faster on the frame engine's path.
  //
  // Footpoint latitude Bf: the polynomial gives a start good to centimetres
  // (Xi'an 1980) or tens of metres (Beijing 1954); Newton steps on the same
  // meridian arc as the forward conversion bring it to where the arc
  // reproduces x. One step usually suffices.
  const double xd = static_cast<double>(x);
  const double xi = xd * 1e-6 - 3;
  double Bf = 0;
  for (int i = 6; i >= 0; --i) Bf = Bf * xi + d.foot[i];
  const double radPerDegree = kRadPerDegreeD;
  const double arcPerDegree = d.arcPerDegreeD, arc1 = d.arc1D;
  double sinB = 0, cosB = 0;
  ::sincos(Bf * radPerDegree, &sinB, &cosB);
  bool converged = false;
  for (int iteration = 0; iteration < 8 && std::isfinite(Bf); ++iteration) {
    const double s2 = sinB * sinB;
    const double arc =
        arcPerDegree * Bf - (arc1 + (d.arc3 + (d.arc5 + d.arc7 * s2) * s2) * s2) * sinB * cosB;
    const double miss = xd - arc;
    if (!std::isfinite(miss)) break;
    if (std::fabs(miss) < 1e-6) {  // 0.001 mm
      converged = true;
      break;
    }
    const double step = miss / MeridianArcSlope(d, sinB, cosB);  // degrees
    Bf += step;
    if (std::fabs(step) < 0.01) {
      // Turn sin and cos by the small step instead of evaluating them afresh.
      const double h = step * radPerDegree, h2 = h * h;
      const double sinH = h - h * h2 * (1.0 / 6), cosHm1 = -0.5 * h2 + h2 * h2 * (1.0 / 24);
      const double sinNext = sinB + (sinB * cosHm1 + cosB * sinH);
      cosB = cosB + (cosB * cosHm1 - sinB * sinH);
      sinB = sinNext;
    } else {
      ::sincos(Bf * radPerDegree, &sinB, &cosB);
    }
  }

  // B = Bf - [90 r^2 - 7.5 (5 + 3t^2 + eta^2 - 9 eta^2 t^2) r^4 + 0.25 (61 + 90 t^2 + 45 t^4) r^6] t (1 + eta^2) / pi
  // L = L0 + [180 r - 30 (1 + 2 t^2 + eta^2) r^3 + 1.5 (5 + 28 t^2 + 24 t^4) r^5] / (pi cos Bf)
  // with t, eta^2 at Bf and r = y' sqrt(1 + eta^2) / c.
  bool ok = converged && cosB != 0;
  if (ok) {
    const double t = sinB / cosB, t2 = t * t;
    const double e2 = d.ep2D * cosB * cosB;
    const double r = yr * std::sqrt(1 + e2) * d.inverseCD;
    const double r2 = r * r;
    const double inversePi = kInversePiD;
    const double dB = (90 * r2 - 7.5 * (5 + 3 * t2 + e2 - 9 * e2 * t2) * r2 * r2 +
                       0.25 * (61 + 90 * t2 + 45 * t2 * t2) * r2 * r2 * r2) *
                      t * (1 + e2) * inversePi;
    const double dL = (180 * r - 30 * (1 + 2 * t2 + e2) * r2 * r +
                       1.5 * (5 + 28 * t2 + 24 * t2 * t2) * r2 * r2 * r) *
                      inversePi / cosB;
    newB = Bf - dB;
    newL = static_cast<double>(centralMeridian) + dL;
    ok = std::isfinite(newB) && std::isfinite(newL);
  }
  return ok;
}

}  // namespace

namespace {

bool QuietInverse(Datum datum, long double x, long double y, bool is3Degree, bool addZone,
                  long double centralMeridian, long double& L, long double& B) {
  const Engine& engine = EngineOf(datum);
  double newL = 0, newB = 0;
  bool ok;
  if (engine.textbook) {
    ok = TextbookInverse(*engine.textbook, x, y, is3Degree, addZone, centralMeridian, newL, newB);
  } else {
    const double yr = static_cast<double>(y - FalseEasting(is3Degree, addZone, centralMeridian));
    double l = 0;
    engine.krueger->inverse(static_cast<double>(x), yr, newB, l);
    newL = static_cast<double>(centralMeridian) + l;
    ok = std::isfinite(newB) && std::isfinite(newL);
  }
  if (!ok) return false;
  L = newL;
  B = newB;
  return true;
}

}  // namespace

bool GaussInverse(Datum datum, long double x, long double y, bool is3Degree, bool addZone,
                  long double centralMeridian, long double& L, long double& B,
                  UserFeedback& feedback) {
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
  return KruegerForward(*engine.krueger, B, L, p.is3DegreeZone, p.addZoneNumber, p.centralMeridian);
}

bool XYToLB(const CoordParams& p, long double x, long double y, long double& L, long double& B,
            UserFeedback& feedback) {
  return GaussInverse(p.datum, x, y, p.is3DegreeZone, p.addZoneNumber, p.centralMeridian, L,
                      B, feedback);
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
