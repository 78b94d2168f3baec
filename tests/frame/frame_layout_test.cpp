// The layout of whole frames of typed sheet numbers, measured on paper as a
// checker measures them (geographic frames put into their Gauss-Krueger
// zone): the outer frame the set distance outside every inner side, the
// adjacent-sheet table its set distance above the outer frame where it comes
// nearest, the corner labels reading the exact corner values, and the full
// kilometre number on every top and bottom edge that has numbered lines.
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

// "MM′SS″", or "MM′SS.5″" on a half second, of an angle in tenths of a
// second, as a person writes it.
std::string MinutesSeconds(long long tenths) {
  const long long s10 = tenths % 600, m = tenths / 600 % 60;
  char text[32];
  if (s10 % 10)
    std::snprintf(text, sizeof text, "%02lld′%02lld.%lld″", m, s10 / 10, s10 % 10);
  else
    std::snprintf(text, sizeof text, "%02lld′%02lld″", m, s10 / 10);
  return text;
}

TEST(FrameLayout, OuterFrameTableLabelsAndKilometreNumbersOnPaper) {
  const struct {
    const char* number;
    bool threeDegree, geographic;
    Datum datum;
  } cases[] = {
      // 1:5000: the meridians lie on half seconds.
      {"J50H005080", true, false, Datum::Xian80},
      {"J50H005080", true, true, Datum::Cgcs2000},
      // Far out in 6-degree zones in the north: sides slope most; the top
      // side rises under the table east of the meridian.
      {"M51E001024", false, false, Datum::Cgcs2000},
      {"N50D001012", false, false, Datum::Beijing54},
      {"L53F001048", false, true, Datum::Xian80},
      // A whole 1:1 000 000 sheet, planar and geographic.
      {"G46", false, false, Datum::Xian80},
      {"K51", false, true, Datum::Wgs84},
      // On the meridian itself, and a 3-degree zone's edge.
      {"E45G095066", true, false, Datum::Xian80},
      {"H49G001096", true, false, Datum::Cgcs2000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.number) + (c.threeDegree ? " 3" : " 6") + (c.geographic ? " geographic" : ""));
    const auto sheet = DecodeMapNo(c.number);
    ASSERT_TRUE(sheet);
    TFrameSettings s;
    s.CoordSysIndex = static_cast<int>(c.datum);
    s.is3DegreeZone = c.threeDegree;
    s.GeodeticOutput = c.geographic;
    s.centralMeridian = ZoneMeridianOf(sheet->westLon, c.threeDegree);
    auto frames = std::make_shared<std::deque<test::RecordedFrame>>();
    RecordingFeedback feedback;
    TCreateTkByTfhao b(c.number, s, RunValues{}, std::make_unique<test::RecordingStore>(frames), feedback);
    b.Run();
    ASSERT_EQ(frames->size(), 1u);
    const test::RecordedFrame& f = frames->front();

    // On paper: millimetres per ground metre, positions in the zone.
    const double mm = 1e4 / ScaleDenominatorOfIndex(sheet->scaleIndex) * 0.1;
    const CoordParams zone{c.datum, c.threeDegree, false, s.centralMeridian};
    const auto plane = [&](StorePoint q) {
      if (!c.geographic) return P{q.x, q.y};
      const PlanarXY xy = LBToXY(zone, q.y, q.x);
      return P{static_cast<double>(xy.easting), static_cast<double>(xy.northing)};
    };
    const long double west = sheet->westLon, east = west + sheet->lonSize;
    const long double south = sheet->southLat, north = south + sheet->latSize;
    const long double lon[4] = {west, west, east, east}, lat[4] = {south, north, north, south};
    P inner[4];
    for (int i = 0; i < 4; ++i) {
      const PlanarXY xy = LBToXY(zone, lat[i], lon[i]);
      inner[i] = {static_cast<double>(xy.easting), static_cast<double>(xy.northing)};
    }

    // Every end of every outer side lies 8 mm outside one inner side.
    std::vector<std::pair<P, P>> outer;
    for (const auto& l : f.lines)
      if (l.kind == kOuterLine) outer.push_back({plane(l.from), plane(l.to)});
    ASSERT_EQ(outer.size(), 4u);
    P outerTop[2]{};
    for (int i = 0; i < 4; ++i) {
      const P a = inner[i], b = inner[(i + 1) % 4];
      int along = 0;
      for (const auto& [p, q] : outer) {
        if (std::fabs(LeftOf(a, b, p) * mm - 8) < 1e-3 && std::fabs(LeftOf(a, b, q) * mm - 8) < 1e-3) {
          ++along;
          if (i == 1) outerTop[0] = p.e < q.e ? p : q, outerTop[1] = p.e < q.e ? q : p;
        }
      }
      EXPECT_EQ(along, 1) << "inner side " << i;
    }

    // The table's lower edge 2 mm above the outer top side where nearest.
    const auto cell = std::find_if(f.polygons.begin(), f.polygons.end(),
                                   [](const test::RecordedPolygon& p) { return p.id == kTableCentreCell; });
    ASSERT_NE(cell, f.polygons.end());
    // Its corners on paper: the cell is a rectangle there.
    double e1 = 1e300, n1 = 1e300, e2 = -1e300, n2 = -1e300;
    const auto rings = cell->polygon.parts();
    for (const Point2& v : rings.at(0)) {
      const P q = plane({v.x, v.y});
      e1 = std::min(e1, q.e), n1 = std::min(n1, q.n), e2 = std::max(e2, q.e), n2 = std::max(n2, q.n);
    }
    const double cw = e2 - e1, ch = n2 - n1;
    const double least = std::min(LeftOf(outerTop[0], outerTop[1], {e1 - cw, n1 - ch}),
                                  LeftOf(outerTop[0], outerTop[1], {e2 + cw, n1 - ch}));
    EXPECT_NEAR(least * mm, 2, 1e-3);

    // Corner labels: the minutes and seconds of each corner's longitude and
    // latitude, worked out in tenths of a second.
    std::vector<std::string> expected, written;
    for (int i = 0; i < 4; ++i)
      for (const long double v : {lon[i], lat[i]})
        expected.push_back(MinutesSeconds(std::llround(static_cast<double>(v * 36000))));
    for (const auto& t : f.texts)
      if (t.text.find("″") != std::string::npos) written.push_back(t.text);
    std::sort(expected.begin(), expected.end());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, expected);

    // The top and bottom edges: the lines nearest their two corners carry
    // the full number.
    int small[2] = {0, 0}, big[2] = {0, 0};
    for (const auto& t : f.texts) {
      if (t.text.empty() || t.text.find_first_not_of("0123456789") != std::string::npos) continue;
      const P q = plane(t.anchor);
      const int edge = LeftOf(inner[1], inner[2], q) > 0 ? 0 : LeftOf(inner[3], inner[0], q) > 0 ? 1 : -1;
      if (edge < 0) continue;
      const bool full = t.font.pointSize() == s.btnDFont.pointSize() && t.hAlign == kRight;
      ++(full ? big : small)[edge];
    }
    for (int e = 0; e < 2; ++e) {
      EXPECT_GE(small[e], 2) << (e ? "bottom" : "top");
      EXPECT_EQ(big[e], 2) << (e ? "bottom" : "top");
    }
  }
}

// A geographic frame lays out its corner labels and adjacent-sheet table as
// the planar frame of the same sheet does: the same texts (numbers split
// over two lines, labels with their character spacing) at the same places
// on paper.
TEST(FrameLayout, GeographicFramesLayOutLikePlanarOnes) {
  for (const char* number : {"J50H005080", "M51E001024"}) {
    SCOPED_TRACE(number);
    const auto sheet = DecodeMapNo(number);
    ASSERT_TRUE(sheet);
    std::vector<test::RecordedFrame> drawn;
    for (const bool geographic : {false, true}) {
      TFrameSettings s;
      s.CoordSysIndex = static_cast<int>(Datum::Cgcs2000);
      s.GeodeticOutput = geographic;
      s.is3DegreeZone = false;
      s.centralMeridian = ZoneMeridianOf(sheet->westLon, false);
      auto frames = std::make_shared<std::deque<test::RecordedFrame>>();
      RecordingFeedback feedback;
      TCreateTkByTfhao b(number, s, RunValues{}, std::make_unique<test::RecordingStore>(frames), feedback);
      b.Run();
      ASSERT_EQ(frames->size(), 1u);
      drawn.push_back(frames->front());
    }
    const CoordParams zone{Datum::Cgcs2000, false, false, ZoneMeridianOf(sheet->westLon, false)};
    const double mm = 1e4 / ScaleDenominatorOfIndex(sheet->scaleIndex) * 0.1;
    const TFrameSettings defaults;
    int compared = 0;
    for (const FrameText& g : drawn[1].texts) {
      const bool label = g.text.find("°") != std::string::npos || g.text.find("′") != std::string::npos;
      if (!label && !(g.font == defaults.btnjionMap)) continue;  // corner labels and table cells
      const PlanarXY at = LBToXY(zone, g.anchor.y, g.anchor.x);
      const auto same = std::find_if(drawn[0].texts.begin(), drawn[0].texts.end(), [&](const FrameText& p) {
        return p.text == g.text && p.hAlign == g.hAlign && p.vAlign == g.vAlign && p.charSpacing == g.charSpacing &&
               std::hypot(p.anchor.x - static_cast<double>(at.easting), p.anchor.y - static_cast<double>(at.northing)) *
                       mm < 1e-3;
      });
      EXPECT_NE(same, drawn[0].texts.end()) << g.text;
      ++compared;
    }
    EXPECT_EQ(compared, 8 + 8 + 16);  // four corners' degrees and rest, eight numbers in two lines
  }
}

// The mask ring of an index sheet keeps at least its distance from the
// sheet, and its outer edge runs around the adjacent-sheet table and every
// text instead of through them (a text's box taken as the engine sizes it:
// a GBK byte 0.55 of the font's height, lines 1.2 heights apart).
TEST(FrameLayout, MaskEdgeRunsAroundTheTableAndTheTexts) {
  const struct {
    bool geographic;
    long double maskDistance;  // 0.1 mm
  } cases[] = {{false, 200}, {true, 200}, {false, 120}, {false, 400}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.geographic ? "geographic " : "planar ") << static_cast<double>(c.maskDistance));
    TFrameSettings s;
    s.CreateMode = CreationMode::SheetIndex;
    s.GeodeticOutput = c.geographic;
    s.seYaDIS = c.maskDistance;
    auto frames = std::make_shared<std::deque<test::RecordedFrame>>();
    RecordingFeedback feedback;
    TstandardMap b(s, RunValues{}, std::make_unique<test::RecordingStore>(frames), feedback);
    b.CreateOutputClasses("T", SpatialReference());
    const CoordParams zone;  // Xi'an 1980, 3-degree zones, meridian 87
    const long double south = 16 + 1.0L / 24, north = 16 + 2.0L / 24, west = 88.0625L, east = 88.125L;
    const long double lat[4] = {south, north, north, south}, lon[4] = {west, west, east, east};
    std::vector<Point2> ring;
    for (std::size_t i = 0; i < 4; ++i) {
      b.FInnerGeo[i] = {lat[i], lon[i]};
      b.FInner[i] = LBToXY(zone, lat[i], lon[i]);
      ring.push_back(c.geographic ? Point2{static_cast<double>(lon[i]), static_cast<double>(lat[i])}
                                  : Point2{static_cast<double>(b.FInner[i].easting),
                                           static_cast<double>(b.FInner[i].northing)});
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
    // Store units per metre on paper's ground: degrees at the sheet, or 1.
    const double perMetreX = c.geographic ? 1 / (111320 * std::cos(16.06 * M_PI / 180)) : 1;
    const double perMetreY = c.geographic ? 1 / 110600.0 : 1;
    const double d = static_cast<double>(c.maskDistance) * 0.999;  // metres at 1:10 000
    EXPECT_GE(edge.xMax - sheet.xMax, d * perMetreX);
    EXPECT_GE(sheet.xMin - edge.xMin, d * perMetreX);
    EXPECT_GE(edge.yMax - sheet.yMax, d * perMetreY);
    EXPECT_GE(sheet.yMin - edge.yMin, d * perMetreY);
    // Nothing straddles the edge: the table (its lines) and the texts.
    const auto straddles = [&](Envelope b) {
      const bool inside = b.xMin >= edge.xMin && b.xMax <= edge.xMax && b.yMin >= edge.yMin && b.yMax <= edge.yMax;
      const bool outside = b.xMax <= edge.xMin || b.xMin >= edge.xMax || b.yMax <= edge.yMin || b.yMin >= edge.yMax;
      return !inside && !outside;
    };
    for (const auto& l : f.lines) {
      const Envelope e{std::min(l.from.x, l.to.x), std::min(l.from.y, l.to.y), std::max(l.from.x, l.to.x),
                       std::max(l.from.y, l.to.y)};
      if (e.yMin > sheet.yMax) {
        EXPECT_FALSE(straddles(e)) << "a table line";  // above the sheet: the table
      }
    }
    const double H1mm = 10;  // ground metres per millimetre at 1:10 000
    for (const auto& t : f.texts) {
      const double H = t.font.pointSize() * 25.4 / 72 * H1mm;
      const auto lines = SplitLines(t.text);
      double w = 0;
      for (const auto& line : lines) w = std::max(w, GbkByteLength(line) * H * 0.55);
      const double h = lines.size() * H * 1.2;
      const double x0 = t.hAlign == kLeft ? 0 : t.hAlign == kCentre ? -w / 2 : -w;
      const double y0 = t.vAlign == kBottom ? 0 : t.vAlign == kMiddle ? -h / 2 : -h;
      const Envelope box{t.anchor.x + x0 * perMetreX, t.anchor.y + y0 * perMetreY, t.anchor.x + (x0 + w) * perMetreX,
                         t.anchor.y + (y0 + h) * perMetreY};
      EXPECT_FALSE(straddles(box)) << t.text;
    }
  }
}

}  // namespace
}  // namespace tarvik
