// The three-north diagram and the slope ruler of the bottom margin, shared
// by both builders: drawn on paper (north_diagram.h, slope_ruler.h), then
// placed in planar metres at the sheet's scale.
#include <cmath>

#include "common/delphi.h"
#include "common/error.h"
#include "coords/grid_convergence.h"
#include "frame/slope_ruler.h"
#include "frame/utTkBaseClass.h"

namespace tarvik {
namespace {

// The diagram's numbers for the catalog: degrees east positive, the annual
// change in arc minutes.
std::string NorthNumbers(const NorthAngles& a) {
  std::string out =
      "convergence=" + FormatFixed(a.convergence, 6) + " declination=" + FormatFixed(a.declination, 6) +
      " grid_magnetic=" + FormatFixed(a.declination - a.convergence, 6) + " year=" + std::to_string(a.year);
  if (a.annualChange) out += " annual_change=" + FormatFixed(*a.annualChange, 2);
  return out;
}

}  // namespace

void TtkBaseClass::DrawOnPaper(const PaperDrawing& drawing, PlanarXY at, LineKind kind,
                               const FontDesc& font) {
  // 1 mm on paper is ScaleFactor x 10 m on the ground.
  const long double k = S.ScaleFactor * 10;
  const auto place = [&](double x, double y) -> PlanarXY {
    return {at.northing + y * k, at.easting + x * k};
  };
  for (const PaperLine& l : drawing.lines) AddLine(kind, place(l.x1, l.y1), place(l.x2, l.y2));
  for (const PaperText& t : drawing.texts) AddText(t.text, font, t.hAlign, t.vAlign, place(t.x, t.y));
}

NorthAngles TtkBaseClass::NorthAnglesAt(long double lat, long double lon) {
  NorthAngles a;
  const DatumInfo& datum = InfoOf(FCoords.datum);
  a.convergence =
      static_cast<double>(GridConvergence(datum.inverseFlattening, lat, lon - FCoords.centralMeridian));
  const double today = DecimalYear(FRun.today.year, FRun.today.month, FRun.today.day);
  const double year = S.seNorthYear > 0 ? S.seNorthYear : today;
  a.year = S.seNorthYear > 0 ? S.seNorthYear : FRun.today.year;
  if (S.rgDeclination == 1) {
    if (!FMagneticModel) {
      if (S.edtCofFile.empty())
        throw RunError("三北方向图：由地磁模型计算磁偏角，但没有给出模型文件(edtCofFile)");
      FMagneticModel = GeomagneticModel::Read(S.edtCofFile);
    }
    const auto& m = *FMagneticModel;
    const double la = static_cast<double>(lat), lo = static_cast<double>(lon);
    a.declination = m.declination(la, lo, 0, year);
    // The change over the year that follows (or, at the model's end, the one before).
    const double other = year + 1 <= m.lastYear() ? year + 1 : year - 1;
    if (other >= m.firstYear())
      a.annualChange = (m.declination(la, lo, 0, other) - a.declination) * 60 * (other - year);
    return a;
  }
  const double change = S.seDeclinationChange / 10.0;  // arc minutes per year
  a.declination = S.seDeclination / 60.0;
  if (S.seDeclinationYear > 0) a.declination += change * (year - S.seDeclinationYear) / 60;
  if (S.seDeclinationChange != 0) a.annualChange = change;
  return a;
}

void TtkBaseClass::DrawMarginDiagrams(const std::array<PlanarXY, 4>& inner, PlanarXY outerLeft,
                                      PlanarXY outerRight) {
  if (!S.chkNorthShow && !S.chkSlopeShow) return;
  const long double k = S.ScaleFactor;
  const FontDesc& font = S.btnscalebarFont;
  const double em = font.pointSize() * 25.4 / 72;
  // The northing of the outer bottom edge at an easting.
  const auto bottomAt = [&](long double E) {
    const long double dE = outerRight.easting - outerLeft.easting;
    if (std::fabs(dE) < 1e-9L) return outerLeft.northing;
    return outerLeft.northing + (outerRight.northing - outerLeft.northing) * (E - outerLeft.easting) / dE;
  };
  if (S.chkNorthShow) {
    long double lat = 0, lon = 0;
    int corners = 0;
    for (const PlanarXY& c : inner) {
      long double L = 0, B = 0;
      if (!XYToLB(FCoords, c.northing, c.easting, L, B)) continue;
      lat += B;
      lon += L;
      ++corners;
    }
    if (corners > 0) {
      const NorthAngles angles = NorthAnglesAt(lat / corners, lon / corners);
      if (FStore) FStore->recordNorthDiagram(NorthNumbers(angles));
      const long double E = inner[3].easting - S.seNorthRight * k;
      DrawOnPaper(NorthDiagram(angles, S.seNorthLength / 10.0, em), {bottomAt(E) - S.seNorthBelow * k, E},
                  kInnerLine, font);
    }
  }
  if (S.chkSlopeShow) {
    const double scale = static_cast<double>(k * 10000);
    const double h = S.seContour > 0 ? S.seContour / 10.0 : UsualContourInterval(scale);
    const long double E = inner[0].easting + S.seSlopeLeft * k;
    DrawOnPaper(SlopeRuler(h, scale, S.seSlopeStep / 10.0, em), {bottomAt(E) - S.seSlopeBelow * k, E},
                kInnerLine, font);
  }
}

}  // namespace tarvik
