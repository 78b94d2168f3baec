// Corners of index sheets: matched to the envelope's corners whatever the
// order and direction of the vertices; shapes that are not index sheets are
// refused with their messages.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/recording_feedback.h"
#include "frame/recording_store.h"
#include "frame/utstandardMap.h"

namespace tarvik {
namespace {

TEST(NearestVertex, SumOfDifferencesTiesToTheFirst) {
  const std::array<Point2, 4> v = {Point2{0, 0}, Point2{2, 0}, Point2{2, 2}, Point2{0, 2}};
  EXPECT_EQ(TstandardMap::NearestVertex(0.1L, 0.1L, v), 0);
  EXPECT_EQ(TstandardMap::NearestVertex(1, 0, v), 0);  // 0 and 1 tie
  EXPECT_EQ(TstandardMap::NearestVertex(2, 1, v), 1);  // 1 and 2 tie
  EXPECT_EQ(TstandardMap::NearestVertex(1.9L, 1.2L, v), 2);
  // Sheets in eastings with the zone number, far from the point asked about:
  // the nearest vertex is still found, however large the sums are.
  const std::array<Point2, 4> far = {Point2{39e8, 4e8}, Point2{39e8, 5e8}, Point2{40e8, 5e8},
                                     Point2{40e8, 4e8}};
  EXPECT_EQ(TstandardMap::NearestVertex(0, 0, far), 0);
  EXPECT_EQ(TstandardMap::NearestVertex(0, 6e8L, far), 1);
}

class SheetCorners : public ::testing::Test {
 protected:
  TstandardMap& Builder() {
    builder_ = std::make_unique<TstandardMap>(TFrameSettings{}, RunValues{},
                                              std::make_unique<test::RecordingStore>(frames_), feedback_);
    return *builder_;
  }
  RecordingFeedback feedback_;
  std::shared_ptr<std::deque<test::RecordedFrame>> frames_ =
      std::make_shared<std::deque<test::RecordedFrame>>();
  std::unique_ptr<TstandardMap> builder_;
};

TEST_F(SheetCorners, EveryStartAndDirectionGivesTheSameCorners) {
  // A sheet as Gauss-Krueger makes it: not a rectangle, the sides converge.
  const std::vector<Point2> ll_ul_ur_lr = {
      {500100, 3000000}, {500090, 3004600}, {506210, 3004602}, {506200, 3000002}};
  for (bool reversed : {false, true}) {
    for (int start = 0; start < 4; ++start) {
      std::vector<Point2> ring = ll_ul_ur_lr;
      if (reversed) std::reverse(ring.begin(), ring.end());
      std::rotate(ring.begin(), ring.begin() + start, ring.end());
      TstandardMap& b = Builder();
      b.FSheetShape = Geometry::Polygon({ring});  // closed: five vertices
      ASSERT_TRUE(b.ReadSheetCorners()) << start << reversed;
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.FInner[i].easting, ll_ul_ur_lr[i].x) << "corner " << i << " start " << start;
        EXPECT_EQ(b.FInner[i].northing, ll_ul_ur_lr[i].y) << "corner " << i << " start " << start;
      }
      // The outer corners: where the sides moved the frame gap (80 m at
      // 1:10 000) outwards meet, the same whatever the order read.
      const auto outer = OffsetFrame({PlanarXY{3000000, 500100}, PlanarXY{3004600, 500090},
                                      PlanarXY{3004602, 506210}, PlanarXY{3000002, 506200}},
                                     80);
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.FOuter[i].easting, outer[i].easting);
        EXPECT_EQ(b.FOuter[i].northing, outer[i].northing);
      }
    }
  }
  EXPECT_TRUE(feedback_.messages.empty());
}

TEST_F(SheetCorners, ShapesThatAreNotIndexSheetsAreRefused) {
  const std::vector<Point2> square = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
  const std::vector<Point2> six = {
      {0, 0}, {0, 10}, {5, 11}, {10, 10}, {10, 0}};  // six with the closing vertex
  const std::vector<Point2> hole = {{2, 2}, {2, 4}, {4, 4}, {4, 2}};
  const struct {
    Geometry shape;
    const char* message;
  } cases[] = {
      {Geometry::Polygon({square, hole}), "图形对象个数错误"},
      {Geometry(), "图形对象个数错误"},
      {Geometry::Polygon({six}), "对象节点个数错误,可能不是结合图表,因为接幅表只有4，或5个节点"},
  };
  for (const auto& c : cases) {
    TstandardMap& b = Builder();
    b.FSheetShape = c.shape;
    feedback_.messages.clear();
    EXPECT_FALSE(b.ReadSheetCorners());
    EXPECT_EQ(feedback_.messages, std::vector<std::string>{c.message});
  }
}

}  // namespace
}  // namespace tarvik
