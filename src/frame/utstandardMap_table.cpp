// The adjacent-sheet table above the upper-left part of a standard sheet: a
// 3 x 3 table whose hatched centre cell is the sheet itself and whose eight
// other cells hold the names of the neighbouring sheets (looked up in the
// index when there is one) or, where the index names none, their numbers.
#include <algorithm>
#include <cmath>
#include <string>

#include "common/gbk.h"
#include "frame/utstandardMap.h"
#include "gdb/geometry.h"

namespace tarvik {
namespace {

struct HalfNames {
  std::string first, second;
};

// Splits a name by characters: the first floor(n / 2) characters, then the
// rest. A rectangular sheet number ("3810.40-500.75") breaks after its "-", so
// that each line holds one coordinate.
HalfNames SplitName(const std::string& name) {
  if (LooksLikeRectNumber(name) && name.find_first_not_of("0123456789.-") == std::string::npos) {
    const std::size_t dash = name.find('-');
    return {name.substr(0, dash + 1), name.substr(dash + 1)};
  }
  const std::size_t n = CodePointCount(name);
  const std::string first(Utf8Prefix(name, n / 2));
  return {first, name.substr(first.size())};
}

}  // namespace

namespace {

// How far (metres) the point lies above the line through a and b (a west of
// b): its distance from the line, positive on the north side.
long double HeightAbove(PlanarXY p, PlanarXY a, PlanarXY b) {
  const long double dN = b.northing - a.northing, dE = b.easting - a.easting;
  const long double length = std::hypot(dN, dE);
  if (!(length > 0)) return p.northing - a.northing;
  return ((p.northing - a.northing) * dE - (p.easting - a.easting) * dN) / length;
}

}  // namespace

long double TstandardMap::TableLift(PlanarXY lowerLeft, PlanarXY lowerRight, long double gap) const {
  // The table's lower edge is straight: its distance from the outer top
  // side is least at one of its ends.
  const long double least =
      std::min(HeightAbove(lowerLeft, FOuter[1], FOuter[2]), HeightAbove(lowerRight, FOuter[1], FOuter[2]));
  const long double dN = FOuter[2].northing - FOuter[1].northing, dE = FOuter[2].easting - FOuter[1].easting;
  const long double cosine = dE / std::hypot(dN, dE);  // of the side's slope
  return cosine > 0 ? (gap - least) / cosine : 0;
}

void TstandardMap::DrawAdjacentTable() {
  // Laid out on paper, in the zone, for planar and geographic frames alike
  // (a geographic frame's lines, cell and texts are stored in degrees).
  const long double k = S.ScaleFactor;
  const long double CW = S.SEW * k, CH = S.SeH * k;
  const long double G = FFrameGap;
  // SeY above the outer top side where the table comes nearest to it, so
  // also where that side slopes up under the table (meridian convergence).
  const long double E0 = FOuter[1].easting + G + S.SeX * k;
  long double N0 = FOuter[1].northing + S.SeY * k;
  N0 += TableLift({N0, E0}, {N0, E0 + 3 * CW}, S.SeY * k);
  for (int i = 0; i <= 3; ++i) AddLine(kInnerLine, {N0 + i * CH, E0 + 3 * CW}, {N0 + i * CH, E0});
  for (int i = 0; i <= 3; ++i) AddLine(kInnerLine, {N0 + 3 * CH, E0 + i * CW}, {N0, E0 + i * CW});
  StorePolygon(
      kTableCentreCell,
      ToStoreGeometry(EnvelopePolygon({static_cast<double>(E0 + CW), static_cast<double>(N0 + CH),
                                       static_cast<double>(E0 + 2 * CW), static_cast<double>(N0 + 2 * CH)})));
  if (FKeepTextBoxes) {
    // The whole table, for the mask ring to keep its edge off it.
    Envelope box{1e300, 1e300, -1e300, -1e300};
    for (const PlanarXY& c : {PlanarXY{N0, E0}, PlanarXY{N0 + 3 * CH, E0}, PlanarXY{N0, E0 + 3 * CW},
                              PlanarXY{N0 + 3 * CH, E0 + 3 * CW}}) {
      const StorePoint p = StoredAt(c);
      box = {std::min(box.xMin, p.x), std::min(box.yMin, p.y), std::max(box.xMax, p.x),
             std::max(box.yMax, p.y)};
    }
    FTextBoxes.push_back(box);
  }
  DrawTableNames(N0, E0, CW, CH);
}

void TstandardMap::DrawTableNames(long double N0, long double E0, long double CW, long double CH) {
  // Names come from the index (a standard sheet's by the neighbours'
  // numbers, others by a query at the neighbour's middle); cells it names no
  // sheet for get the neighbour's number when that is wanted and known.
  const bool names = S.CreateMode != CreationMode::SheetNumber && FNeighbourName;
  const bool numbers = S.chkNeighbourNo && std::any_of(FNeighbourNumbers.begin(), FNeighbourNumbers.end(),
                                                       [](const std::string& n) { return !n.empty(); });
  if (!names && !numbers) return;
  const bool geo = S.GeodeticOutput;
  const long double G = FFrameGap;
  // The neighbours are sampled in the index's coordinates: degrees in
  // geographic mode, metres otherwise.
  std::array<long double, 4> outerE{}, outerN{};
  for (std::size_t c = 0; c < 4; ++c) {
    outerE[c] = geo ? FOuterGeo[c].lon : FOuter[c].easting;
    outerN[c] = geo ? FOuterGeo[c].lat : FOuter[c].northing;
  }
  const long double Eleft = outerE[1];
  const long double Eright = std::min(outerE[3], outerE[2]);
  const long double Ntop = outerN[1];
  const long double Nbottom = std::min(outerN[3], outerN[0]);
  const long double Nc = (Nbottom + Ntop) / 2, Ec = (Eleft + Eright) / 2;
  // The sheet size: a step of it from the centre lands in the neighbour.
  const long double DE = geo ? FInnerGeo[2].lon - FInnerGeo[0].lon : (Eright - Eleft) - 2 * G;
  const long double DN = geo ? FInnerGeo[1].lat - FInnerGeo[0].lat : (Ntop - Nbottom) - 2 * G;
  const FontDesc& font = S.btnjionMap;
  const long double H = TextHeight(font);
  const bool byNumber = names && FSheetCell && FNeighbourNameOfCell;
  const auto cells = byNumber ? NeighbourCells(*FSheetCell) : std::array<std::optional<SheetCell>, 8>{};

  for (int i = 0; i <= 2; ++i) {
    for (int j = 0; j <= 2; ++j) {
      if (i == 1 && j == 1) continue;
      const std::size_t k = static_cast<std::size_t>(NeighbourIndexOfCell(i, j));
      std::optional<std::string> found;
      if (byNumber) found = FNeighbourNameOfCell(cells[k]);
      if (names && !found) {
        const long double sampleN = Nc + (1 - j) * DN, sampleE = Ec + (i - 1) * DE;
        found = FNeighbourName(static_cast<double>(sampleE), static_cast<double>(sampleN));
      }
      std::string name = found.value_or(std::string());
      if (name.empty() && numbers) name = FNeighbourNumbers[k];
      const long double Em = E0 + (i + 0.5L) * CW;
      const long double Nm = N0 + (2 - j + 0.5L) * CH;
      const std::size_t L = GbkByteLength(name);
      if (L < 9) {
        AddText(name, font, kLeft, kTop, {Nm + H / 2, Em - L * H / 2.1L / 2});
      } else {
        const HalfNames halves = SplitName(name);
        const long double W1 = GbkByteLength(halves.first) * H / 2.1L;
        const long double W2 = GbkByteLength(halves.second) * H / 2.1L;
        AddText(halves.first, font, kLeft, kBottom, {Nm, Em - W1 / 2});
        AddText(halves.second, font, kLeft, kTop, {Nm, Em - W2 / 2});
      }
    }
  }
}

}  // namespace tarvik
