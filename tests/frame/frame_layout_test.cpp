// The layout of whole frames measured on paper as a checker measures them
// (geographic frames put into their Gauss-Krueger zone): the outer frame the
// set distance outside every inner side, the adjacent-sheet table its set
// distance above the outer frame where it comes nearest, the corner labels
// reading the exact corner values, the full kilometre number at both ends
// of every top and bottom edge, geographic frames laid out as planar ones,
// and the mask ring's edge clear of the table and the texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/gbk.h"
#include "common/recording_feedback.h"
#include "common/text_util.h"
#include "coords/utlbxy.h"
#include "coords/zone_reach.h"
#include "frame/recording_store.h"
#include "frame/utCreateTkByTfhao.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

struct P {
  double e, n;
};

// Signed distance of q from the line a -> b, positive on its left (outside
// the frame, whose corners run clockwise).
double LeftOf(P a, P b, P q) {
  return ((b.e - a.e) * (q.n - a.n) - (b.n - a.n) * (q.e - a.e)) / std::hypot(b.e - a.e, b.n - a.n);
}

// "MM′SS″", or "MM′SS.5″" on a half second, of an angle in tenths of a second.
std::string MinutesSeconds(long long tenths) {
  const long long s10 = tenths % 600, m = tenths / 600 % 60;
  char text[32];
  if (s10 % 10)
    std::snprintf(text, sizeof text, "%02lld′%02lld.%lld″", m, s10 / 10, s10 % 10);
  else
    std::snprintf(text, sizeof text, "%02lld′%02lld″", m, s10 / 10);
  return text;
}

// One typed sheet drawn in memory, and where its elements lie on paper.
struct Drawn {
  test::RecordedFrame frame;
  SheetExtent sheet;
  CoordParams zone;
  bool geographic = false;
  double mm = 0;  // millimetres on paper per ground metre
  P inner[4]{};   // the sheet's corners in the zone: lower-left, upper-left, upper-right, lower-right
  P plane(StorePoint q) const {
    if (!geographic) return {q.x, q.y};
    const PlanarXY xy = LBToXY(zone, q.y, q.x);
    return {static_cast<double>(xy.easting), static_cast<double>(xy.northing)};
  }
};

Drawn Draw(const std::string& number, bool threeDegree, bool geographic, Datum datum) {
  Drawn d;
  d.sheet = *DecodeMapNo(number);
  d.geographic = geographic;
  TFrameSettings s;
  s.CoordSysIndex = static_cast<int>(datum);
  s.is3DegreeZone = threeDegree;
  s.GeodeticOutput = geographic;
  s.centralMeridian = ZoneMeridianOf(d.sheet.westLon, threeDegree);
  d.zone = {datum, threeDegree, false, s.centralMeridian};
  auto frames = std::make_shared<std::deque<test::RecordedFrame>>();
  RecordingFeedback feedback;
  TCreateTkByTfhao b(number, s, RunValues{}, std::make_unique<test::RecordingStore>(frames), feedback);
  b.Run();
  if (frames->size() == 1) d.frame = frames->front();
  d.mm = 1e4 / ScaleDenominatorOfIndex(d.sheet.scaleIndex) * 0.1;
  for (int i = 0; i < 4; ++i) {
    const PlanarXY xy = LBToXY(d.zone, d.sheet.southLat + (i == 1 || i == 2) * d.sheet.latSize,
                               d.sheet.westLon + (i >= 2) * d.sheet.lonSize);
    d.inner[i] = {static_cast<double>(xy.easting), static_cast<double>(xy.northing)};
  }
  return d;
}

TEST(FrameLayout, OuterFrameTableLabelsAndKilometreNumbersOnPaper) {
  const TFrameSettings defaults;
  const struct {
    const char* number;
    bool threeDegree, geographic;
    Datum datum;
  } cases[] = {
      // 1:5000: the meridians lie on half seconds.
      {"J50H005080", true, false, Datum::Xian80},
      {"J50H005080", true, true, Datum::Cgcs2000},
      // Far out in 6-degree zones in the north the sides slope most and the
      // top side rises under the table.
      {"M51E001024", false, false, Datum::Cgcs2000},
      {"N50D001012", false, false, Datum::Beijing54},
      {"L53F001048", false, true, Datum::Xian80},
      // Whole 1:1 000 000 sheets; a sheet on its meridian; a 3-degree zone's edge.
      {"G46", false, false, Datum::Xian80},
      {"K51", false, true, Datum::Wgs84},
      {"E45G095066", true, false, Datum::Xian80},
      {"H49G001096", true, false, Datum::Cgcs2000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.number) + (c.threeDegree ? " 3" : " 6") + (c.geographic ? " geographic" : ""));
    const Drawn d = Draw(c.number, c.threeDegree, c.geographic, c.datum);
    const test::RecordedFrame& f = d.frame;

    // Every end of every outer side lies 8 mm outside one inner side.
    std::vector<std::pair<P, P>> outer;
    for (const auto& l : f.lines)
      if (l.kind == kOuterLine) outer.push_back({d.plane(l.from), d.plane(l.to)});
    ASSERT_EQ(outer.size(), 4u);
    P top[2]{};
    for (int i = 0; i < 4; ++i) {
      const P a = d.inner[i], b = d.inner[(i + 1) % 4];
      int along = 0;
      for (const auto& [p, q] : outer) {
        if (std::fabs(LeftOf(a, b, p) * d.mm - 8) > 1e-3 || std::fabs(LeftOf(a, b, q) * d.mm - 8) > 1e-3)
          continue;
        ++along;
        if (i == 1) top[0] = p.e < q.e ? p : q, top[1] = p.e < q.e ? q : p;
      }
      EXPECT_EQ(along, 1) << "inner side " << i;
    }

    // The table's lower edge (from its centre cell, a rectangle on paper)
    // 2 mm above the outer top side where nearest.
    const auto cell = std::find_if(f.polygons.begin(), f.polygons.end(),
                                   [](const test::RecordedPolygon& p) { return p.id == kTableCentreCell; });
    ASSERT_NE(cell, f.polygons.end());
    double e1 = 1e300, n1 = 1e300, e2 = -1e300;
    const auto rings = cell->polygon.parts();
    for (const Point2& v : rings.at(0)) {
      const P q = d.plane({v.x, v.y});
      e1 = std::min(e1, q.e), n1 = std::min(n1, q.n), e2 = std::max(e2, q.e);
    }
    const double cellHeight = static_cast<double>(defaults.SeH) / 10 / d.mm, w = e2 - e1;
    const double least = std::min(LeftOf(top[0], top[1], {e1 - w, n1 - cellHeight}),
                                  LeftOf(top[0], top[1], {e2 + w, n1 - cellHeight}));
    EXPECT_NEAR(least * d.mm, 2, 1e-3);

    // Corner labels: minutes and seconds of each corner's longitude and
    // latitude, worked out in tenths of a second.
    std::vector<std::string> expected, written;
    for (int i = 0; i < 4; ++i) {
      const long double lon = d.sheet.westLon + (i >= 2) * d.sheet.lonSize;
      const long double lat = d.sheet.southLat + (i == 1 || i == 2) * d.sheet.latSize;
      for (const long double v : {lon, lat})
        expected.push_back(MinutesSeconds(std::llround(static_cast<double>(v * 36000))));
    }
    for (const auto& t : f.texts)
      if (t.text.find("″") != std::string::npos) written.push_back(t.text);
    std::sort(expected.begin(), expected.end());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, expected);

    // The top and bottom edges: the lines nearest both corners carry the
    // full number.
    int small[2] = {0, 0}, big[2] = {0, 0};
    for (const auto& t : f.texts) {
      if (t.text.empty() || t.text.find_first_not_of("0123456789") != std::string::npos) continue;
      const P q = d.plane(t.anchor);
      const int edge = LeftOf(d.inner[1], d.inner[2], q) > 0   ? 0
                       : LeftOf(d.inner[3], d.inner[0], q) > 0 ? 1
                                                               : -1;
      if (edge >= 0) ++(t.font == defaults.btnDFont && t.hAlign == kRight ? big : small)[edge];
    }
    for (int e = 0; e < 2; ++e) {
      EXPECT_GE(small[e], 2) << (e ? "bottom" : "top");
      EXPECT_EQ(big[e], 2) << (e ? "bottom" : "top");
    }
  }
}

// The corner labels and the table of a geographic frame are the planar
// frame's: the same texts (numbers over two lines, labels with their
// character spacing) at the same places on paper.
TEST(FrameLayout, GeographicFramesLayOutLikePlanarOnes) {
  const TFrameSettings defaults;
  for (const char* number : {"J50H005080", "M51E001024"}) {
    SCOPED_TRACE(number);
    const Drawn planar = Draw(number, false, false, Datum::Cgcs2000);
    const Drawn geo = Draw(number, false, true, Datum::Cgcs2000);
    int compared = 0;
    for (const FrameText& g : geo.frame.texts) {
      const bool label = g.text.find("°") != std::string::npos || g.text.find("′") != std::string::npos;
      if (!label && !(g.font == defaults.btnjionMap)) continue;  // corner labels and table cells
      const P at = geo.plane(g.anchor);
      const auto same =
          std::find_if(planar.frame.texts.begin(), planar.frame.texts.end(), [&](const FrameText& p) {
            return p.text == g.text && p.hAlign == g.hAlign && p.vAlign == g.vAlign &&
                   p.charSpacing == g.charSpacing &&
                   std::hypot(p.anchor.x - at.e, p.anchor.y - at.n) * planar.mm < 1e-3;
          });
      EXPECT_NE(same, planar.frame.texts.end()) << g.text;
      ++compared;
    }
    EXPECT_EQ(compared, 8 + 8 + 16);  // four corners' degrees and rest, eight numbers in two lines
  }
}

// The mask ring of an index sheet keeps at least its distance from the
// sheet, and its outer edge runs around the table and every text, not
// through them (a text's box as the engine sizes it: a GBK byte 0.55 of the
// font's height, lines 1.2 heights apart).
TEST(FrameLayout, MaskEdgeRunsAroundTheTableAndTheTexts) {
  for (const auto& [geographic, distance] : {std::pair{false, 200.0L}, {true, 200.0L}, {false, 400.0L}}) {
    SCOPED_TRACE(testing::Message() << (geographic ? "geographic " : "planar ")
                                    << static_cast<double>(distance));
    TFrameSettings s;
    s.CreateMode = CreationMode::SheetIndex;
    s.GeodeticOutput = geographic;
    s.seYaDIS = distance;
    auto frames = std::make_shared<std::deque<test::RecordedFrame>>();
    RecordingFeedback feedback;
    TstandardMap b(s, RunValues{}, std::make_unique<test::RecordingStore>(frames), feedback);
    b.CreateOutputClasses("T", SpatialReference());
    std::vector<Point2> ring;
    for (std::size_t i = 0; i < 4; ++i) {  // E45G095066 in Xi'an 1980, meridian 87
      b.FInnerGeo[i] = {16 + (i == 1 || i == 2 ? 2 : 1) / 24.0L, 88.0625L + (i >= 2) * 0.0625L};
      b.FInner[i] = LBToXY(CoordParams{}, b.FInnerGeo[i].lat, b.FInnerGeo[i].lon);
      const LatLon g = b.FInnerGeo[i];
      const PlanarXY p = b.FInner[i];
      ring.push_back(geographic ? Point2{static_cast<double>(g.lon), static_cast<double>(g.lat)}
                                : Point2{static_cast<double>(p.easting), static_cast<double>(p.northing)});
    }
    ring.push_back(ring.front());
    b.FSheetShape = Geometry::Polygon({ring});
    b.ComputeOuterCorners();
    b.DrawFrame();
    const test::RecordedFrame& f = frames->front();
    const auto mask = std::find_if(f.polygons.begin(), f.polygons.end(),
                                   [](const test::RecordedPolygon& p) { return p.id == kMaskRing; });
    ASSERT_NE(mask, f.polygons.end());
    const Envelope edge = mask->polygon.envelope(), sheet = b.FSheetShape.envelope();
    // Store units per ground metre: degrees near 16N, or metres.
    const double perX = geographic ? 1 / (111320 * std::cos(16.06 * M_PI / 180)) : 1;
    const double perY = geographic ? 1 / 110600.0 : 1;
    const double dm = static_cast<double>(distance) * 0.999;  // ground metres at 1:10 000
    EXPECT_GE(std::min(edge.xMax - sheet.xMax, sheet.xMin - edge.xMin), dm * perX);
    EXPECT_GE(std::min(edge.yMax - sheet.yMax, sheet.yMin - edge.yMin), dm * perY);
    const auto straddles = [&](Envelope e) {
      const bool inside =
          e.xMin >= edge.xMin && e.xMax <= edge.xMax && e.yMin >= edge.yMin && e.yMax <= edge.yMax;
      const bool outside =
          e.xMax <= edge.xMin || e.xMin >= edge.xMax || e.yMax <= edge.yMin || e.yMin >= edge.yMax;
      return !inside && !outside;
    };
    for (const auto& l : f.lines) {  // above the sheet: the table's lines
      if (std::min(l.from.y, l.to.y) <= sheet.yMax) continue;
      EXPECT_FALSE(straddles({std::min(l.from.x, l.to.x), std::min(l.from.y, l.to.y),
                              std::max(l.from.x, l.to.x), std::max(l.from.y, l.to.y)}))
          << "table";
    }
    for (const auto& t : f.texts) {
      const double H = t.font.pointSize() * 25.4 / 72 * 10;  // ground metres at 1:10 000
      const auto lines = SplitLines(t.text);
      double w = 0;
      for (const auto& line : lines) w = std::max(w, GbkByteLength(line) * H * 0.55);
      const double h = lines.size() * H * 1.2;
      const double x0 = t.hAlign == kLeft ? 0 : t.hAlign == kCentre ? -w / 2 : -w;
      const double y0 = t.vAlign == kBottom ? 0 : t.vAlign == kMiddle ? -h / 2 : -h;
      EXPECT_FALSE(straddles({t.anchor.x + x0 * perX, t.anchor.y + y0 * perY, t.anchor.x + (x0 + w) * perX,
                              t.anchor.y + (y0 + h) * perY}))
          << t.text;
    }
  }
}

}  // namespace
}  // namespace tarvik
