// Kilometre grid labels, graticule spacing, the adjacent-sheet table and the
// sheet-number builder, recorded in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/error.h"
#include "common/recording_feedback.h"
#include "frame/recording_store.h"
#include "frame/utCreateTkByTfhao.h"
#include "frame/utstandardMap.h"

namespace tarvik {
namespace {

using test::RecordedFrame;
using test::RecordingStore;

struct Recorder {
  std::shared_ptr<std::deque<RecordedFrame>> frames = std::make_shared<std::deque<RecordedFrame>>();
  RecordingFeedback feedback;
  std::unique_ptr<FrameStore> store() { return std::make_unique<RecordingStore>(frames); }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& t : frames->front().texts) out.push_back(t.text);
    return out;
  }
};

// A planar rectangular sheet with the given inner extent, its outer frame
// `gap` outside.
void SetRectangle(TstandardMap& b, double e1, double n1, double e2, double n2) {
  b.FInner = {PlanarXY{n1, e1}, PlanarXY{n2, e1}, PlanarXY{n2, e2}, PlanarXY{n1, e2}};
  b.ComputeOuterCorners();
}

TEST(KilometreGrid, LinesOnTheMaximumSideOnlyAndTheirLabels) {
  const struct {
    double e1, e2;
    std::string zone;
    std::vector<std::string> big, small;
  } cases[] = {
      // Zone number carried in the easting: 384 on the first and last line.
      {38455000.5, 38457000, "", {"384", "384", "384", "384"}, {"56", "56", "57", "57"}},
      // Zone number given separately: 39 + 4.
      {455000.5, 457000, "39", {"394", "394", "394", "394"}, {"56", "56", "57", "57"}},
  };
  for (const auto& c : cases) {
    Recorder r;
    TFrameSettings s;
    RunValues run;
    run.ZoneNumberText = c.zone;
    TstandardMap b(s, run, r.store(), r.feedback);
    b.CreateOutputClasses("T", SpatialReference());
    SetRectangle(b, c.e1, 3000000.5, c.e2, 3001500);
    b.DrawKilometreGrid(true);
    const RecordedFrame& f = r.frames->front();
    // North-south lines at 38456000 and 38457000 (the maximum side), none at the minimum.
    std::vector<double> eastings;
    for (const auto& l : f.lines)
      if (l.from.x == l.to.x) eastings.push_back(l.from.x);
    std::sort(eastings.begin(), eastings.end());
    EXPECT_EQ(eastings, (std::vector<double>{c.e2 - 1000, c.e2}));
    std::vector<std::string> big, small;
    for (const auto& t : f.texts) {
      if (t.anchor.y > 3001500 - 100 || t.anchor.y < 3000000.5) {  // labels above and below
        (t.font.height == s.btnDFont.height && t.hAlign == kRight ? big : small).push_back(t.text);
      }
    }
    EXPECT_EQ(big, c.big);
    std::sort(small.begin(), small.end());
    EXPECT_EQ(small, c.small);
  }
}

// Margin ticks and crosses of one frame lie on the same grid, whole or half
// intervals as rgHor (eastings) and rgver (northings) say.
TEST(KilometreGrid, TicksAndCrossesShareTheirPositions) {
  for (int half : {0, 1}) {
    Recorder r;
    TFrameSettings s;
    s.rgHor = s.rgver = half;
    TstandardMap b(s, RunValues{}, r.store(), r.feedback);
    b.CreateOutputClasses("T", SpatialReference());
    SetRectangle(b, 455000.5, 3000000.5, 459000, 3003000);
    b.DrawKilometreGrid(false);
    long double eMin, nMin, eMax, nMax;
    b.InnerEnvelope(eMin, nMin, eMax, nMax);
    b.DrawCrossGrid(kInnerLine, nMax, nMin, eMax, eMin);
    const double offset = half ? 500 : 0;
    int ticks = 0, crossArms = 0;
    for (const auto& l : r.frames->front().lines) {
      const bool vertical = l.from.x == l.to.x, horizontal = l.from.y == l.to.y;
      const double at = vertical ? l.from.x : l.from.y;  // the grid value the line stands on
      if (vertical == horizontal) continue;
      const bool inside = vertical ? l.from.y > nMin && l.to.y > nMin && l.from.y < nMax && l.to.y < nMax
                                   : l.from.x > eMin && l.to.x > eMin && l.from.x < eMax && l.to.x < eMax;
      (inside ? crossArms : ticks) += 1;
      EXPECT_EQ(std::fmod(at - offset, 1000.0), 0.0) << (vertical ? "easting " : "northing ") << at;
    }
    EXPECT_GT(ticks, 0);
    EXPECT_GT(crossArms, 0);
  }
}

// Endpoints (eastings, west first) of the east-west line at northing n.
std::vector<double> EastWestLine(const RecordedFrame& f, double n) {
  for (const auto& l : f.lines)
    if (l.from.y == n && l.to.y == n) return {std::min(l.from.x, l.to.x), std::max(l.from.x, l.to.x)};
  return {};
}

TEST(KilometreGrid, LinesInTheSlopeBandsStayOnTheMapSide) {
  Recorder r;
  TFrameSettings s;
  TstandardMap b(s, RunValues{}, r.store(), r.feedback);
  b.CreateOutputClasses("T", SpatialReference());
  // Bottom side falling to the east, top side falling to the east.
  b.FInner = {PlanarXY{1100, 0}, PlanarXY{10100, 0}, PlanarXY{9900, 10000}, PlanarXY{900, 10000}};
  b.ComputeOuterCorners();
  b.DrawKilometreGrid(true);
  const RecordedFrame& f = r.frames->front();
  // Below the top side west of its crossing, above the bottom side east of it.
  EXPECT_EQ(EastWestLine(f, 10000), (std::vector<double>{-80, 5000}));
  EXPECT_EQ(EastWestLine(f, 1000), (std::vector<double>{5000, 10080}));
  // The left labels of the top line sit at its western end, in the margin:
  // "10" (northing 10 000 km digits) left of the inner left side.
  bool leftLabel = false;
  for (const auto& t : f.texts)
    leftLabel |= t.text == "10" && t.anchor.y > 9900 && t.anchor.y < 10100 && t.anchor.x < 0;
  EXPECT_TRUE(leftLabel);
}

TEST(KilometreGrid, NorthSouthLineStopsAtASlantingSide) {
  Recorder r;
  TFrameSettings s;
  TstandardMap b(s, RunValues{}, r.store(), r.feedback);
  b.CreateOutputClasses("T", SpatialReference());
  b.FInner = {PlanarXY{0, 0}, PlanarXY{5000, 1500}, PlanarXY{5000, 5300}, PlanarXY{0, 5000}};
  b.ComputeOuterCorners();
  b.DrawKilometreGrid(true);
  const RecordedFrame& f = r.frames->front();
  // The line at easting 1000 leaves the map through the left side at
  // northing 3333.3 and does not go on to the top.
  bool found = false;
  for (const auto& l : f.lines) {
    if (l.from.x != 1000 || l.to.x != 1000) continue;
    found = true;
    EXPECT_NEAR(std::max(l.from.y, l.to.y), 5000.0 / 1500 * 1000, 1e-6);
    EXPECT_NEAR(std::min(l.from.y, l.to.y), -80, 1e-6);
  }
  EXPECT_TRUE(found);
  // Its kilometre digits "1" appear at the bottom only.
  for (const auto& t : f.texts)
    if (t.anchor.y > 4000) {
      EXPECT_NE(t.text, "1") << "no top label for the clipped line";
    }
}

TEST(KilometreGrid, ShortIntervalsUseKilometreFormat) {
  Recorder r;
  TFrameSettings s;
  s.Seinterval = 500;
  TstandardMap b(s, RunValues{}, r.store(), r.feedback);
  b.CreateOutputClasses("T", SpatialReference());
  SetRectangle(b, 455100, 3000100, 455900, 3000900);
  b.DrawKilometreGrid(true);
  const auto texts = r.texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "55.50"), 2);  // easting 455 500, top and bottom
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "00.50"), 2);  // northing 3 000 500, both sides
}

TEST(Graticule, InteriorLinesKeepHalfAnIntervalFromTheFarSide) {
  const struct {
    double seconds;
    int meridians;
  } cases[] = {{225, 0}, {75, 2}, {100, 1}};
  for (const auto& c : cases) {
    Recorder r;
    TFrameSettings s;
    s.GeodeticOutput = true;
    s.seJd = c.seconds / 3600;
    s.sewd = 1;  // no parallels
    TstandardMap b(s, RunValues{}, r.store(), r.feedback);
    b.CreateOutputClasses("T", SpatialReference());
    b.FInnerGeo = {LatLon{16.0, 88.0625}, LatLon{16.05, 88.0625}, LatLon{16.05, 88.125},
                   LatLon{16.0, 88.125}};
    b.ComputeOuterCorners();
    b.DrawGraticule();
    EXPECT_EQ(static_cast<int>(r.frames->front().lines.size()), c.meridians) << c.seconds;
  }
}

TEST(Graticule, WgsDrawsTicksAndMinutesOnly) {
  Recorder r;
  TFrameSettings s;
  s.GeodeticOutput = true;
  s.CoordSysIndex = 2;
  s.seJd = 75.0L / 3600;
  s.sewd = 1;
  s.RGJWWZJ = 1;
  TstandardMap b(s, RunValues{}, r.store(), r.feedback);
  b.CreateOutputClasses("T", SpatialReference());
  b.FInnerGeo = {LatLon{16.0, 88.0625}, LatLon{16.05, 88.0625}, LatLon{16.05, 88.125}, LatLon{16.0, 88.125}};
  b.ComputeOuterCorners();
  b.DrawGraticule();
  const RecordedFrame& f = r.frames->front();
  EXPECT_EQ(f.lines.size(), 4u);  // two meridians, a tick at each end
  for (const auto& t : f.texts) EXPECT_EQ(t.text.find("°"), std::string::npos) << t.text;
  EXPECT_EQ(r.texts().front(), "05′");  // 88°05′ (88.0625 + 75″ = 88°04′30″ rounds up)
}

TEST(AdjacentTable, NeighbourNamesFromTheIndex) {
  Recorder r;
  TFrameSettings s;
  s.CreateMode = CreationMode::SheetIndex;
  TstandardMap b(s, RunValues{}, r.store(), r.feedback);
  b.CreateOutputClasses("T", SpatialReference());
  SetRectangle(b, 500000, 3000000, 504000, 3003000);
  // Names by position relative to the sheet: west/centre/east and north/south.
  b.FNeighbourName = [](double x, double y) -> std::string {
    if (x > 500000 && x < 504000 && y > 3000000 && y < 3003000) return "自己";
    if (y > 3003000 && x < 500000) return "西北";
    if (y > 3003000 && x > 504000) return "苏州市吴中区";    // 12 GBK bytes: two lines
    if (y < 3000000 && x > 500000 && x < 504000) return "";  // no sheet there
    return "N";
  };
  b.DrawAdjacentTable();
  const auto texts = r.texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "自己"), 0);  // the centre cell is hatched, not named
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "西北"), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "苏州市"), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "吴中区"), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "N"), 5);  // north, west, east, south-west, south-east
  EXPECT_EQ(r.frames->front().polygons.size(), 1u);
  EXPECT_EQ(r.frames->front().lines.size(), 8u);
}

TEST(AdjacentTable, NumbersFillTheCellsTheIndexNamesNoSheetFor) {
  for (const bool numbers : {true, false}) {
    Recorder r;
    TFrameSettings s;
    s.CreateMode = CreationMode::SheetIndex;
    s.chkNeighbourNo = numbers;
    TstandardMap b(s, RunValues{}, r.store(), r.feedback);
    b.CreateOutputClasses("T", SpatialReference());
    SetRectangle(b, 500000, 3000000, 504000, 3003000);
    // The index names only the sheet to the north.
    b.FNeighbourName = [](double x, double y) -> std::string {
      return y > 3003000 && x > 500000 && x < 504000 ? "北村" : "";
    };
    b.FNeighbourNumbers = {"nw", "n", "ne", "w", "e", "sw", "s", "se"};
    b.DrawAdjacentTable();
    auto texts = r.texts();
    texts.erase(std::remove(texts.begin(), texts.end(), ""), texts.end());
    std::sort(texts.begin(), texts.end());
    const std::vector<std::string> expected =
        numbers ? std::vector<std::string>{"e", "ne", "nw", "s", "se", "sw", "w", "北村"}
                : std::vector<std::string>{"北村"};
    EXPECT_EQ(texts, expected) << numbers;
  }
  // A typed number: every cell gets its neighbour's number (in two lines).
  Recorder r;
  TCreateTkByTfhao b("E45G001066", TFrameSettings{}, RunValues{}, r.store(), r.feedback);
  b.Run();
  ASSERT_EQ(b.counts().finished, 1);
  const auto texts = r.texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "F45G0"), 3);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "E45G0"), 5);
  for (const char* tail : {"96065", "96066", "96067", "01065", "01067", "02065", "02066", "02067"})
    EXPECT_EQ(std::count(texts.begin(), texts.end(), tail), 1) << tail;
}

TEST(SheetNumberBuilder, ScaleZoneAndRefusals) {
  {
    Recorder r;
    TCreateTkByTfhao b("E45G09506", TFrameSettings{}, RunValues{}, r.store(), r.feedback);
    b.Run();
    EXPECT_EQ(b.counts().finished, 0);
    ASSERT_EQ(r.feedback.messages.size(), 1u);
    EXPECT_EQ(r.feedback.messages[0].rfind("图幅号输入错误：", 0), 0u) << r.feedback.messages[0];
    EXPECT_TRUE(r.frames->empty());
  }
  {
    Recorder r;
    TFrameSettings s;
    s.ScaleFactor = 5;  // the typed scale gives way to the sheet's own
    s.centralMeridian = 117;
    TCreateTkByTfhao b("J-50-5", s, RunValues{}, r.store(), r.feedback);
    b.Run();
    ASSERT_EQ(b.counts().finished, 1);
    EXPECT_EQ(b.settings().ScaleFactor, 10);
    EXPECT_DOUBLE_EQ(static_cast<double>(b.frameGap()), 800);
    EXPECT_NEAR(static_cast<double>(b.FSheetLat), 39 + 2.0 / 3, 1e-12);
    EXPECT_EQ(r.frames->front().name, "J_50_5");
    EXPECT_EQ(r.frames->front().referenceScale, 100000);
  }
  {
    Recorder r;
    TCreateTkByTfhao b("E45G095066", TFrameSettings{}, RunValues{}, r.store(), r.feedback);
    b.Run();
    ASSERT_EQ(b.counts().finished, 1);
    EXPECT_EQ(b.run().ZoneNumberText, "29");
    const auto texts = r.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "296"), texts.end());  // zone 29 + 6xx km
    EXPECT_EQ(r.frames->front().begins, 1);
    EXPECT_EQ(r.frames->front().ends, 1);
  }
  {
    // A meridian left over from other data: refused before any class is made.
    Recorder r;
    TFrameSettings s;
    s.centralMeridian = 120;
    TCreateTkByTfhao b("J50G001001", s, RunValues{}, r.store(), r.feedback);
    try {
      b.Run();
      ADD_FAILURE() << "drawn 3 degrees off its meridian";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find("建议中央经线 114"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(r.frames->empty());
  }
}

}  // namespace
}  // namespace tarvik
