// The adjacent-sheet table of an index run names a standard sheet's
// neighbours by their numbers (the index read once into a table of its
// sheets by cell) and asks the index at a point only where numbers do not
// decode. Both ways must give the same table: every sample below is drawn
// once by number and once with every name asked of the index, and the
// frames compared text for text.
#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "common/recording_feedback.h"
#include "coords/utBJ54Xian80.h"
#include "frame/recording_store.h"
#include "frame/utstandardMap.h"
#include "gdb/sheet_index_writer.h"
#include "sheets/sheet_index.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

struct Case {
  const char* what;
  int scaleIndex;            // of the series: 4 is 1:50 000, 6 is 1:10 000
  GeoBox box;                // the sheets of the index (around a 1:1 000 000 sheet corner)
  bool geographic;           // index and frames in longitude and latitude
  int centralMeridian;       // 3-degree zones
  bool namedByNumber;        // the name field holds the numbers (else "图" + number)
  int everyNthMissing;       // sheets left out of the index (0: none)
  bool oddPolygon;           // a polygon that is no sheet, over a missing sheet
  bool numbersInEmptyCells;  // chkNeighbourNo
};

// The frames of every sheet of the index, the neighbours' names by number
// or (queryOnly) each asked of the index at the neighbour's middle; the
// number of point queries made.
struct Drawn {
  std::shared_ptr<std::deque<test::RecordedFrame>> frames =
      std::make_shared<std::deque<test::RecordedFrame>>();
  int queries = 0;
};

Drawn Draw(const std::string& index, const Case& c, bool queryOnly) {
  TFrameSettings s;
  s.ScaleFactor = static_cast<long double>(ScaleDenominatorOfIndex(c.scaleIndex)) / 10000;
  s.GeodeticOutput = c.geographic;
  s.centralMeridian = c.centralMeridian;
  s.edtField = "TFH";
  s.chkNeighbourNo = c.numbersInEmptyCells;
  // No degrees to label the corners with south of 1N: kilometres.
  if (c.box.south < 1) s.rgdmsmode = CornerLabelMode::Planar;
  SilentFeedback quiet;
  Drawn d;
  TstandardMap b(s, RunValues{}, std::make_unique<test::RecordingStore>(d.frames), quiet, index);
  b.FNameField = "TFH";
  b.FNameTemplate = "[TFH]";
  if (queryOnly) b.FNeighbourNameOfCell = nullptr;
  b.FNeighbourName = [query = b.FNeighbourName, &d](double x, double y) {
    ++d.queries;
    return query(x, y);
  };
  b.Run();
  b.CloseOutput();
  return d;
}

TEST(NeighbourNames, ByNumberEqualTheIndexQueryAcrossMillionSheetEdges) {
  const Case cases[] = {
      // The corner of J50, J51, K50 and K51 (120E 40N).
      {"1:10 000 planar", 6, {119.8L, 39.85L, 120.2L, 40.15L}, false, 120, true, 0, false, true},
      {"1:10 000 geographic", 6, {119.8L, 39.85L, 120.2L, 40.15L}, true, 120, true, 0, false, true},
      {"1:10 000 names", 6, {119.8L, 39.85L, 120.2L, 40.15L}, false, 120, false, 0, false, true},
      {"1:10 000 holes", 6, {119.8L, 39.85L, 120.2L, 40.15L}, false, 120, true, 5, false, false},
      {"1:10 000 holes, numbers", 6, {119.8L, 39.85L, 120.2L, 40.15L}, false, 120, false, 4, false, true},
      {"1:10 000 an odd polygon", 6, {119.8L, 39.85L, 120.2L, 40.15L}, false, 120, true, 6, true, false},
      // 1:50 000 over the corner of H45, H46, I45 and I46 (90E 32N).
      {"1:50 000 planar", 4, {89.3L, 31.5L, 90.7L, 32.5L}, false, 90, true, 0, false, true},
      {"1:50 000 geographic, holes", 4, {89.3L, 31.5L, 90.7L, 32.5L}, true, 90, false, 3, false, true},
      // 1:5000 at the equator's row A and its east edge (0N is the series' end).
      {"1:5000 row A", 7, {113.9L, 0.0001L, 114.1L, 0.08L}, false, 114, true, 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::string index = dir / "sheets.shp";
    CoordParams coords;
    coords.centralMeridian = c.centralMeridian;
    std::vector<std::string> numbers = SheetNumbersInBox(c.scaleIndex, c.box);
    ASSERT_GE(numbers.size(), 16u);
    std::vector<IndexPolygon> polygons = SheetIndexPolygons(numbers, coords, c.geographic);
    std::vector<IndexPolygon> kept;
    for (std::size_t i = 0; i < polygons.size(); ++i) {
      IndexPolygon p = polygons[i];
      if (c.everyNthMissing > 0 && i % static_cast<std::size_t>(c.everyNthMissing) == 1) {
        if (c.oddPolygon && i == 1) {
          // A small square in the middle of the missing sheet: the query
          // finds it there.
          double x = 0, y = 0;
          for (std::size_t k = 0; k < 4; ++k) x += p.ring[k].x / 4, y += p.ring[k].y / 4;
          const double h = c.geographic ? 0.001 : 100;
          kept.push_back({"ODD", {{x - h, y - h}, {x - h, y + h}, {x + h, y + h}, {x + h, y - h}}});
        }
        continue;
      }
      if (!c.namedByNumber) p.name = "图" + p.name;
      kept.push_back(p);
    }
    SilentFeedback quiet;
    const SpatialReference ref =
        c.geographic ? MakeGeographicReference(Datum::Xian80, quiet) : MakeProjectedReference(coords, quiet);
    WriteSheetIndex(index, ref, "TFH", kept, false);

    const Drawn byNumber = Draw(index, c, false);
    const Drawn byQuery = Draw(index, c, true);
    ASSERT_EQ(byNumber.frames->size(), kept.size());
    ASSERT_EQ(byQuery.frames->size(), kept.size());
    EXPECT_EQ(byQuery.queries, static_cast<int>(kept.size()) * 8);
    // The index is asked only where numbers do not decode (the odd
    // polygon's own table) or where no sheet of it is the neighbour while
    // some feature of it is no sheet (the holes).
    if (c.oddPolygon) {
      EXPECT_GT(byNumber.queries, 0);
      EXPECT_LT(byNumber.queries, byQuery.queries / 2);
    } else {
      EXPECT_EQ(byNumber.queries, 0);
    }
    int named = 0;
    for (std::size_t f = 0; f < kept.size(); ++f) {
      const auto& a = (*byNumber.frames)[f];
      const auto& b = (*byQuery.frames)[f];
      ASSERT_EQ(a.texts.size(), b.texts.size()) << a.name;
      for (std::size_t t = 0; t < a.texts.size(); ++t) {
        EXPECT_EQ(a.texts[t].text, b.texts[t].text) << a.name;
        named += a.texts[t].text == "ODD" || a.texts[t].text.rfind("图", 0) == 0;
      }
    }
    if (!c.namedByNumber || c.oddPolygon) {
      EXPECT_GT(named, 0);
    }
  }
}

}  // namespace
}  // namespace tarvik
