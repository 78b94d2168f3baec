#include "coords/utlbxy.h"

#include <cmath>

#include "common/delphi.h"
#include "common/error.h"
#include "coords/decimal15.h"

namespace tarvik {
namespace {

constexpr long double kPi = 3.1415926535897932385L;
const char* const kBadInput = "输入的数据,错误";

// Constants of one datum: c = a^2/b (m), e'^2, the meridian arc series (first
// coefficient in metres per degree, the others in metres) and the starting
// footpoint polynomial in xi = x / 1000000 - 3 (degrees).
struct Datum {
  long double c;
  long double ep2;
  long double arcPerDegree;
  long double arc1, arc3, arc5, arc7;
  long double foot[7];
};

constexpr Datum kBeijing54 = {
    6399698.90178271L, 0.0067385254147L,
    111134.8611L,      32005.7799L, 133.9238L, 0.6973L, 0.0039L,
    {27.11115372595L, 9.02468257083L, -0.00579740442L, -0.00043532572L, 0.00004857285L, 0, 0}};

constexpr Datum kXian80 = {
    6399596.65198801L, 0.0067395018195L,
    111133.0047L,      32009.8575L, 133.9602L, 0.6976L, 0.0039L,
    {27.11162289465L, 9.02483657729L, -0.00579850656L, -0.000435400029L, 0.00004858357L,
     0.00000215789L, -0.00000019404L}};

const Datum& DatumOf(bool isBeijing54) { return isBeijing54 ? kBeijing54 : kXian80; }

// Meridian arc from the equator to latitude B (degrees), given sin B and cos B.
long double MeridianArc(const Datum& d, long double B, long double sinB, long double cosB) {
  const long double s2 = sinB * sinB;
  return d.arcPerDegree * B -
         (d.arc1 + (d.arc3 + (d.arc5 + d.arc7 * s2) * s2) * s2) * sinB * cosB;
}

long double ParseNumber(const std::string& text) {
  const auto v = StrToFloat(text);
  if (!v) throw RunError("\"" + text + "\" 不是有效的数");
  return *v;
}

// The series themselves, on angles already read. B, L, centralMeridian in degrees.
PlanarXY Forward(const Datum& d, long double B, long double L, bool is3Degree, bool addZone,
                 long double centralMeridian) {
  const long double Br = DegToRad(B);
  long double sinB, cosB;
  ::sincosl(Br, &sinB, &cosB);
  const long double t = sinB / cosB;
  const long double t2 = t * t;
  const long double eta2 = d.ep2 * cosB * cosB;
  const long double N = d.c / std::sqrt(1 + eta2);
  const long double m = cosB * DegToRad(L - centralMeridian);
  const long double m2 = m * m;

  PlanarXY out;
  out.x = MeridianArc(d, B, sinB, cosB) +
          N * t * m2 *
              (0.5L + (5 - t2 + 9 * eta2 + 4 * eta2 * eta2) * m2 / 24 +
               (61 - 58 * t2 + t2 * t2) * m2 * m2 / 720);
  out.y = N * (m + (1 - t2 + eta2) * m2 * m / 6 +
               (5 - 18 * t2 + t2 * t2 + 14 * eta2 - 58 * eta2 * t2) * m2 * m2 * m / 120) +
          FalseEasting(is3Degree, addZone, centralMeridian);
  if (!std::isfinite(out.x) || !std::isfinite(out.y)) throw RunError(kBadInput);
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
  if (!std::isfinite(longitude)) return 0;
  return static_cast<int>(is3Degree ? Round(longitude / 3) : Round((longitude + 3) / 6));
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

PlanarXY GaussForward(bool isBeijing54, const std::string& latitudeText,
                      const std::string& longitudeText, bool isDms, bool is3Degree,
                      bool addZone, long double centralMeridian) {
  const long double B = isDms ? DmsTextToDegrees(latitudeText) : ParseNumber(latitudeText);
  const long double L = isDms ? DmsTextToDegrees(longitudeText) : ParseNumber(longitudeText);
  return Forward(DatumOf(isBeijing54), B, L, is3Degree, addZone, centralMeridian);
}

bool GaussInverse(bool isBeijing54, long double x, long double y, bool is3Degree, bool addZone,
                  long double centralMeridian, long double& L, long double& B,
                  UserFeedback& feedback) {
  const Datum& d = DatumOf(isBeijing54);
  long double yr = y - 500000;
  if (addZone) yr -= ZoneNumberOf(is3Degree, centralMeridian) * 1000000.0L;

  // Footpoint latitude: the polynomial gives a start good to centimetres
  // (Xi'an 1980) or tens of metres (Beijing 1954); Newton steps on the same
  // meridian arc as the forward conversion (dX/dB is the meridian radius of
  // curvature) bring it to where the arc reproduces x.
  const long double xi = x / 1000000 - 3;
  long double Bf = 0;
  for (int i = 6; i >= 0; --i) Bf = Bf * xi + d.foot[i];
  long double sinB = 0, cosB = 0;
  bool converged = false;
  for (int iteration = 0; iteration < 8 && std::isfinite(Bf); ++iteration) {
    ::sincosl(DegToRad(Bf), &sinB, &cosB);
    const long double miss = x - MeridianArc(d, Bf, sinB, cosB);
    if (!std::isfinite(miss)) break;
    if (std::fabs(miss) < 1e-6L) {  // 0.001 mm
      converged = true;
      break;
    }
    const long double w2 = 1 + d.ep2 * cosB * cosB;
    const long double radius = d.c / (w2 * std::sqrt(w2));  // meridian radius of curvature
    Bf += miss / (radius * kPi / 180);
  }

  bool ok = converged;
  long double newL = 0, newB = 0;
  if (ok) {
    const long double t = sinB / cosB;
    const long double t2 = t * t;
    const long double eta2 = d.ep2 * cosB * cosB;
    const long double r = yr * std::sqrt(1 + eta2) / d.c;
    const long double r2 = r * r;
    newB = Bf - (90 * r2 - 7.5L * (5 + 3 * t2 + eta2 - 9 * eta2 * t2) * r2 * r2 +
                 0.25L * (61 + 90 * t2 + 45 * t2 * t2) * r2 * r2 * r2) *
                    t * (1 + eta2) / kPi;
    newL = centralMeridian + (180 * r - 30 * (1 + 2 * t2 + eta2) * r2 * r +
                              1.5L * (5 + 28 * t2 + 24 * t2 * t2) * r2 * r2 * r) /
                                 (kPi * cosB);
    ok = std::isfinite(newB) && std::isfinite(newL) && cosB != 0;
  }
  if (!ok) {
    feedback.message(kBadInput);
    return false;
  }
  L = newL;
  B = newB;
  return true;
}

PlanarXY LBToXY(const CoordParams& p, long double B, long double L) {
  if (!std::isfinite(B) || !std::isfinite(L)) throw RunError(kBadInput);
  return Forward(DatumOf(p.isBeijing54), Decimal15(B), Decimal15(L), p.is3DegreeZone,
                 p.addZoneNumber, p.centralMeridian);
}

bool XYToLB(const CoordParams& p, long double x, long double y, long double& L, long double& B,
            UserFeedback& feedback) {
  return GaussInverse(p.isBeijing54, x, y, p.is3DegreeZone, p.addZoneNumber, p.centralMeridian, L,
                      B, feedback);
}

long double TextHeight(const FontDesc& font, long double scaleFactor) {
  return font.pointSize() * 25.4L / 72 * scaleFactor * 10;
}

long double TextHeight2(const FontDesc& font, long double scaleFactor) {
  return TextHeight(font, scaleFactor) * 2;
}

}  // namespace tarvik
