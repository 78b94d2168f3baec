// Drawing of the shared frame elements, recorded in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "common/error.h"
#include "common/recording_feedback.h"
#include "frame/recording_store.h"
#include "frame/utstandardMap.h"

namespace tarvik {
namespace {

using test::RecordedFrame;
using test::RecordingStore;

class Drawing : public ::testing::Test {
 protected:
  // A builder with the given settings, drawing into one recorded frame.
  TstandardMap& Builder(const TFrameSettings& settings, RunValues run = {}) {
    frames_ = std::make_shared<std::deque<RecordedFrame>>();
    builder_ =
        std::make_unique<TstandardMap>(settings, run, std::make_unique<RecordingStore>(frames_), feedback_);
    builder_->CreateOutputClasses("T", SpatialReference());
    builder_->BeginFrameDrawing();
    return *builder_;
  }
  RecordedFrame& frame() { return frames_->front(); }

  RecordingFeedback feedback_;
  std::shared_ptr<std::deque<RecordedFrame>> frames_;
  std::unique_ptr<TstandardMap> builder_;
};

// Centres of the crosses drawn (easting, northing), from their arms.
std::set<std::pair<double, double>> CrossCentres(const RecordedFrame& f) {
  std::set<std::pair<double, double>> centres;
  for (const auto& l : f.lines)
    if (l.from.x == l.to.x) centres.insert({l.from.x, (l.from.y + l.to.y) / 2});
  return centres;
}

TEST_F(Drawing, CrossGridUsesIntersectionsInsideTheRectangle) {
  const struct {
    int rgHor;
    double yMin, yMax, xMin, xMax;
    std::set<double> eastings;
    std::size_t crosses;
  } cases[] = {
      {0, 3000, 6000, 3000, 4000, {4000, 5000, 6000}, 3},  // YMin skipped, YMax included
      {1, 3000, 6000, 3000, 4000, {3500, 4500, 5500}, 3},
      {0, 3100, 3900, 3100, 3900, {}, 0},      // no intersection inside
      {0, 3100, 4100, 3100, 4100, {4000}, 1},  // a single one
  };
  for (const auto& c : cases) {
    TFrameSettings s;
    s.rgHor = c.rgHor;
    TstandardMap& b = Builder(s);
    b.DrawCrossGrid(kCrossLine, c.xMax, c.xMin, c.yMax, c.yMin);
    const auto centres = CrossCentres(frame());
    std::set<double> eastings;
    for (const auto& [e, n] : centres) eastings.insert(e);
    EXPECT_EQ(eastings, c.eastings) << c.rgHor << " " << c.yMin;
    EXPECT_EQ(centres.size(), c.crosses);
    EXPECT_EQ(frame().lines.size(), 2 * c.crosses);
    for (const auto& l : frame().lines) {
      EXPECT_EQ(l.kind, kCrossLine);
      // Each arm is the full crosshair length (50 m by default).
      EXPECT_DOUBLE_EQ(std::hypot(l.to.x - l.from.x, l.to.y - l.from.y), 50.0);
    }
  }
}

TEST_F(Drawing, GridIntervalOfZeroDrawsNothingAndSaysSoOnce) {
  TFrameSettings s;
  s.Seinterval = 0;
  TstandardMap& b = Builder(s);
  b.DrawCrossGrid(kCrossLine, 5000, 0, 5000, 0);
  b.DrawCrossGrid(kCrossLine, 5000, 0, 5000, 0);
  b.DrawKilometreGrid(true);
  EXPECT_TRUE(frame().lines.empty());
  EXPECT_EQ(feedback_.messages.size(), 1u);

  TFrameSettings noArms;
  noArms.SeLineLength = 0;  // crosses of no length: none drawn, said once
  TstandardMap& b2 = Builder(noArms);
  feedback_.messages.clear();
  b2.DrawCrossGrid(kCrossLine, 5000, 0, 5000, 0);
  EXPECT_TRUE(frame().lines.empty());
  EXPECT_EQ(feedback_.messages.size(), 1u);
}

TEST_F(Drawing, ScaleBarTicksAndLabels) {
  TFrameSettings s;
  s.chkscaleBarShow = true;
  TstandardMap& b = Builder(s);
  b.DrawScaleBar(1000, 5000);
  const RecordedFrame& f = frame();
  // Baseline, eleven ticks and eight sub-ticks.
  EXPECT_EQ(f.linesOfKind(kScaleBarLine), 1 + 11 + 8);
  std::vector<std::string> labels;
  for (const auto& t : f.texts) labels.push_back(t.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"m200", "100", "0", "200", "400", "600", "800m"}));
  // The baseline lies 18 mm (180 m at 1:10 000) below the base and is 100 mm long.
  const auto& base = f.lines.front();
  EXPECT_DOUBLE_EQ(base.from.y, 820);
  EXPECT_DOUBLE_EQ(std::fabs(base.from.x - base.to.x), 1000);

  TFrameSettings off;
  TstandardMap& b2 = Builder(off);
  b2.DrawScaleBar(1000, 5000);
  EXPECT_TRUE(frame().lines.empty());
  EXPECT_TRUE(frame().texts.empty());
}

TEST_F(Drawing, ScaleTextAndUpperRightTexts) {
  TFrameSettings s;
  s.ScaleFactor = 5;
  s.edtscale = "比例尺1:[SCALE]";
  TstandardMap& b = Builder(s);
  b.DrawScaleText(1000, 9000, 1000);
  ASSERT_EQ(frame().texts.size(), 1u);
  const FrameText& t = frame().texts[0];
  EXPECT_EQ(t.text, "比例尺1:50000");
  EXPECT_EQ(t.hAlign, kCentre);
  EXPECT_EQ(t.vAlign, kTop);
  EXPECT_DOUBLE_EQ(t.anchor.x, 5000);
  EXPECT_DOUBLE_EQ(t.anchor.y, 1000 - 50 * 5);

  TFrameSettings noMark;
  noMark.edtru = "";
  noMark.edtmapTitle = "苏州市土地利用现状图";
  TstandardMap& b2 = Builder(noMark);
  b2.DrawRightTopTexts(1000, 9000);
  EXPECT_TRUE(frame().texts.empty());  // no classification mark: no map title either
}

TEST_F(Drawing, MainTitleSpacingFollowsItsLength) {
  TFrameSettings s;
  s.edtmian = "苏 州 市 土 地 利 用 现 状 图";
  s.edtmian1 = "";
  s.edtmian2 = "";
  TstandardMap& b = Builder(s);
  b.DrawTitles(1000, 9000, 1000);
  ASSERT_EQ(frame().texts.size(), 1u);
  // A plain title keeps spacing 0; only placeholder titles of 4+ characters spread.
  EXPECT_EQ(frame().texts[0].charSpacing, 0);
  EXPECT_DOUBLE_EQ(frame().texts[0].anchor.y, 1000 + 180);
  EXPECT_EQ(frame().texts[0].font.pointSize(), 50);
}

TEST_F(Drawing, PlanarCornerLabelsInKilometreMode) {
  TFrameSettings s;
  s.rgdmsmode = CornerLabelMode::Planar;
  TstandardMap& b = Builder(s);
  b.LabelCorner(1, 3456789, 500123);
  const RecordedFrame& f = frame();
  ASSERT_EQ(f.texts.size(), 2u);
  EXPECT_EQ(f.texts[0].text, "00.12");  // easting 500 123: kilometre digits 00
  EXPECT_EQ(f.texts[0].hAlign, kCentre);
  EXPECT_EQ(f.texts[0].vAlign, kTop);
  EXPECT_DOUBLE_EQ(f.texts[0].anchor.y, 3456789 + 80);
  EXPECT_EQ(f.texts[1].text, "56.78");
  EXPECT_EQ(f.texts[1].hAlign, kRight);
  EXPECT_EQ(f.texts[1].charSpacing, -30);
}

TEST_F(Drawing, GeographicCornerLabelsSplitAtTheDegreeSign) {
  TFrameSettings s;  // degrees-minutes-seconds, latitude centred
  TstandardMap& b = Builder(s);
  const PlanarXY p = b.GeoToPlanar(16.0416666666666667L, 88.0625L);
  b.LabelCorner(0, p.northing, p.easting);
  std::vector<std::string> texts;
  for (const auto& t : frame().texts) texts.push_back(t.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"88°", "03′45″", "16°", "02′30″"}));
}

TEST_F(Drawing, CornerOutsideChinaStopsTheRun) {
  TFrameSettings s;
  TstandardMap& b = Builder(s);
  const PlanarXY p = b.GeoToPlanar(0.5L, 88.0L);
  EXPECT_THROW(b.LabelCorner(0, p.northing, p.easting), RunError);
  s.rgdmsmode = CornerLabelMode::Planar;  // in XY mode nothing is converted or checked
  TstandardMap& b2 = Builder(s);
  EXPECT_NO_THROW(b2.LabelCorner(0, p.northing, p.easting));
}

TEST(LineIntersection, CasesAndParallels) {
  long double Y = -1, X = -1;
  // A north-south line at easting 5 against a sloping side.
  ASSERT_TRUE(LineIntersection(Y, X, 0, 5, 10, 5, 0, 0, 10, 10));
  EXPECT_DOUBLE_EQ(static_cast<double>(Y), 5);
  EXPECT_DOUBLE_EQ(static_cast<double>(X), 5);
  // An east-west line (constant X) against a vertical side (constant Y).
  ASSERT_TRUE(LineIntersection(Y, X, 3, 0, 3, 10, 0, 7, 10, 7));
  EXPECT_DOUBLE_EQ(static_cast<double>(Y), 7);
  EXPECT_DOUBLE_EQ(static_cast<double>(X), 3);
  // Parallel lines: no intersection and the outputs are untouched.
  Y = X = 42;
  EXPECT_FALSE(LineIntersection(Y, X, 0, 0, 10, 10, 1, 0, 11, 10));
  EXPECT_FALSE(LineIntersection(Y, X, 0, 1, 10, 1, 0, 2, 10, 2));
  EXPECT_EQ(Y, 42);
  EXPECT_EQ(X, 42);
}

}  // namespace
}  // namespace tarvik
