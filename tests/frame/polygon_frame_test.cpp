// Frames around polygons, recorded in memory: the rectangles cut to whole
// metres, the grids, the outer band and the corner labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "common/recording_feedback.h"
#include "frame/recording_store.h"
#include "frame/utcreatetk.h"

namespace tarvik {
namespace {

using test::RecordedFrame;
using test::RecordedLine;

class PolygonFrame : public ::testing::Test {
 protected:
  // Draws the frame of one envelope into a fresh recorded frame.
  const RecordedFrame& Draw(const TFrameSettings& s, long double eMin = 500123.4L,
                            long double eMax = 503876.6L, long double nMin = 3375000.4L,
                            long double nMax = 3378000.2L) {
    frames_ = std::make_shared<std::deque<RecordedFrame>>();
    builder_ = std::make_unique<Tcreatetk>(s, RunValues{}, std::make_unique<test::RecordingStore>(frames_),
                                           feedback_, "");
    builder_->CreateOutputClasses("T", SpatialReference());
    builder_->BeginFrameDrawing();
    builder_->DrawRectFrame(eMin, eMax, nMin, nMax);
    builder_->EndFrameDrawing();
    return frames_->front();
  }
  RecordingFeedback feedback_;
  std::shared_ptr<std::deque<RecordedFrame>> frames_;
  std::unique_ptr<Tcreatetk> builder_;
};

bool HasLine(const RecordedFrame& f, int kind, double x1, double y1, double x2, double y2) {
  return std::any_of(f.lines.begin(), f.lines.end(), [&](const RecordedLine& l) {
    return l.kind == kind && l.from.x == x1 && l.from.y == y1 && l.to.x == x2 && l.to.y == y2;
  });
}

// Eastings of the full north-south grid lines (kind 1, constant easting,
// from the outer top to the outer bottom side; the inner sides excluded).
std::vector<double> GridEastings(const RecordedFrame& f, const Tcreatetk& b) {
  std::vector<double> out;
  for (const auto& l : f.lines)
    if (l.kind == kInnerLine && l.from.x == l.to.x && l.from.y == static_cast<double>(b.N2o) &&
        l.to.y == static_cast<double>(b.N1o) && l.from.x != static_cast<double>(b.E1) &&
        l.from.x != static_cast<double>(b.E2))
      out.push_back(l.from.x);
  return out;
}

TEST_F(PolygonFrame, RectanglesAreCutToWholeMetres) {
  const RecordedFrame& f = Draw(TFrameSettings{});
  const Tcreatetk& b = *builder_;
  // Margin 160 m at 1:10 000, frame gap 80 m.
  EXPECT_EQ(b.E1, 499963);
  EXPECT_EQ(b.E2, 504036);
  EXPECT_EQ(b.N1, 3374840);
  EXPECT_EQ(b.N2, 3378160);
  EXPECT_EQ(b.E1o, 499883);
  EXPECT_EQ(b.N2o, 3378240);
  // Inner sides run on to the outer frame; the outer frame is kind 2.
  EXPECT_TRUE(HasLine(f, kInnerLine, 499963, 3378240, 499963, 3374760));
  EXPECT_TRUE(HasLine(f, kInnerLine, 504116, 3374840, 499883, 3374840));
  EXPECT_EQ(f.linesOfKind(kOuterLine), 4);
  EXPECT_TRUE(HasLine(f, kOuterLine, 499883, 3378240, 499883, 3374760));
  EXPECT_EQ(f.linesOfKind(kScaleBarLine), 0);  // the bar is off by default
}

TEST_F(PolygonFrame, KilometreLinesAndTheHalfIntervalPositions) {
  TFrameSettings s;
  const RecordedFrame& whole = Draw(s);
  EXPECT_EQ(GridEastings(whole, *builder_), (std::vector<double>{500000, 501000, 502000, 503000, 504000}));
  s.rgHor = 1;  // 499 500 lies west of the inner side: the lines start at 500 500
  const RecordedFrame& half = Draw(s);
  EXPECT_EQ(GridEastings(half, *builder_), (std::vector<double>{500500, 501500, 502500, 503500}));
}

TEST_F(PolygonFrame, LabelsOfEndLinesKeepClearOfTheCorners) {
  const RecordedFrame& f = Draw(TFrameSettings{});
  // Big part "5" (hundreds of km) of the first line, moved 8 x BigW2 from the
  // outer west side; interior lines keep their small labels at the line.
  const long double bigH = TextHeight(TFrameSettings{}.btnDFont, 1);
  const double moved = static_cast<double>(499883 + 8 * (bigH / 2.1L * 2));
  const auto at = [&](const std::string& text, double x) {
    return std::count_if(f.texts.begin(), f.texts.end(), [&](const FrameText& t) {
      return t.text == text && std::fabs(t.anchor.x - x) < 1e-6;
    });
  };
  EXPECT_EQ(at("5", moved), 2);
  EXPECT_EQ(at("00", moved + 1), 2);
  EXPECT_EQ(at("02", 502001), 2);
}

TEST_F(PolygonFrame, NoLineOutsideTheFrameWhenNoMultipleFitsInside) {
  // Inner frame 500 140..500 560: no multiple of 1000 inside. A count cut
  // toward zero would still draw the line at 501 000, beyond the outer frame.
  const RecordedFrame& f = Draw(TFrameSettings{}, 500300, 500400, 3375000, 3375100);
  const Tcreatetk& b = *builder_;
  for (const auto& l : f.lines) {
    EXPECT_GE(std::min(l.from.x, l.to.x), static_cast<double>(b.E1o)) << l.kind;
    EXPECT_LE(std::max(l.from.x, l.to.x), static_cast<double>(b.E2o)) << l.kind;
  }
  EXPECT_TRUE(GridEastings(f, b).empty());
}

TEST_F(PolygonFrame, GridTypes) {
  // A 10 km square holds whole graticule intervals (2'30" x 3'45").
  for (int grid : {0, 1, 2, 3, 4}) {
    TFrameSettings s;
    s.rgGrid = static_cast<GridType>(grid);
    const RecordedFrame& f = Draw(s, 500000, 510000, 3375000, 3385000);
    const Tcreatetk& b = *builder_;
    const bool graticule = grid == 0 || grid == 3 || grid == 4;
    int sloping = 0, ticks = 0;
    for (const auto& l : f.lines) {
      if (l.kind != kInnerLine) continue;
      if (l.from.x != l.to.x && l.from.y != l.to.y) ++sloping;
      if (std::hypot(l.from.x - l.to.x, l.from.y - l.to.y) == 80) ++ticks;
    }
    const int degreeTexts =
        static_cast<int>(std::count_if(f.texts.begin(), f.texts.end(), [](const FrameText& t) {
          return t.charSpacing == 0 && t.text.find("″") != std::string::npos;
        }));
    EXPECT_EQ(graticule, sloping > 0) << grid;  // parallels and meridians are not axis-parallel
    EXPECT_EQ(graticule, degreeTexts > 0) << grid;
    EXPECT_EQ(grid == 2, f.linesOfKind(kCrossLine) > 0) << grid;  // crosses only with crosshairs
    EXPECT_EQ(grid == 2, ticks > 0) << grid;
    EXPECT_EQ(grid == 1, !GridEastings(f, b).empty()) << grid;
  }
}

TEST_F(PolygonFrame, OuterBandReplacesTheOuterLinesAndTheScaleBar) {
  TFrameSettings s;
  s.chkscaleBarShow = true;
  EXPECT_GT(Draw(s).linesOfKind(kScaleBarLine), 0);
  s.seoutw = 10;  // 10 m wide at 1:10 000
  const RecordedFrame& f = Draw(s);
  const Tcreatetk& b = *builder_;
  EXPECT_EQ(f.linesOfKind(kOuterLine), 0);
  EXPECT_EQ(f.linesOfKind(kScaleBarLine), 0);
  ASSERT_EQ(f.polygons.size(), 1u);
  EXPECT_EQ(f.polygons[0].id, kOuterBand);
  const double w = static_cast<double>(b.E2o - b.E1o), h = static_cast<double>(b.N2o - b.N1o);
  EXPECT_NEAR(f.polygons[0].polygon.area(), (w + 20) * (h + 20) - w * h, 1e-6);
  EXPECT_EQ(f.polygons[0].polygon.envelope().xMin, static_cast<double>(b.E1o) - 10);
}

int CornerTexts(const RecordedFrame& f) {
  return static_cast<int>(
      std::count_if(f.texts.begin(), f.texts.end(), [](const FrameText& t) { return t.charSpacing == -30; }));
}

TEST_F(PolygonFrame, CornerLabelsOnlyWhenSwitchedOn) {
  TFrameSettings s;
  EXPECT_EQ(CornerTexts(Draw(s)), 16);
  s.Rg4JAnn = false;
  EXPECT_EQ(CornerTexts(Draw(s)), 0);
}

TEST_F(PolygonFrame, GeographicOutputLabelsTheRealCornersAndConvertsTheBand) {
  TFrameSettings s;
  s.GeodeticOutput = true;
  s.seoutw = 10;
  const RecordedFrame& f = Draw(s);
  // The lower-left corner (easting 499 963, just west of the central
  // meridian 87) is labelled with its longitude, not with its metres.
  std::vector<std::string> corner;
  for (const auto& t : f.texts)
    if (t.charSpacing == -30) corner.push_back(t.text);
  ASSERT_EQ(corner.size(), 16u);
  EXPECT_EQ(corner[0], "86°");
  EXPECT_EQ(corner[2], "30°");
  // Every stored position is in degrees, the band included.
  for (const auto& l : f.lines) EXPECT_TRUE(l.from.x > 86 && l.from.x < 88 && l.from.y > 30 && l.from.y < 31);
  ASSERT_EQ(f.polygons.size(), 1u);
  const Envelope band = f.polygons[0].polygon.envelope();
  EXPECT_TRUE(band.xMin > 86 && band.xMax < 88 && band.yMin > 30 && band.yMax < 31);
}

TEST_F(PolygonFrame, ZeroIntervalsDrawNoGridAndSaySoOnce) {
  TFrameSettings s;
  s.Seinterval = 0;
  const RecordedFrame& f = Draw(s);
  EXPECT_TRUE(GridEastings(f, *builder_).empty());
  EXPECT_EQ(f.linesOfKind(kOuterLine), 4);  // the rest of the frame is drawn
  builder_->DrawRectFrame(500000, 501000, 3375000, 3376000);
  EXPECT_EQ(feedback_.countOf("网格间隔必须大于0，该网格没有绘制"), 1);
  s.rgGrid = GridType::Graticule;
  s.sewd = 0;
  Draw(s);
  EXPECT_EQ(feedback_.countOf("纬度差必须大于0，该网格没有绘制"), 1);
}

}  // namespace
}  // namespace tarvik
