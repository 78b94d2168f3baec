// Frames of standard map sheets: the corner model of one sheet and the whole
// drawing of its frame (corner labels, inner and outer frame, corner marks,
// scale bar, marginal texts, adjacent-sheet table, grid, mask ring).
//
// Corner arrays have four entries: 0 lower-left, 1 upper-left, 2 upper-right,
// 3 lower-right. The planar corners (metres) are always filled; in geographic
// mode they are the Gauss-Krueger images of the geographic corners (degrees),
// which only that mode fills.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "frame/utTkBaseClass.h"
#include "gdb/feature_class.h"
#include "gdb/geometry.h"
#include "sheets/rect_sheets.h"
#include "sheets/sheet_neighbours.h"

namespace tarvik {

// The outer frame of an inner quadrilateral (corners 0 lower-left .. 3
// lower-right, metres): every side parallel to its inner side `gap` metres
// outside it, the corners where the offset sides meet (moved `gap` along
// both axes where two sides are parallel).
std::array<PlanarXY, 4> OffsetFrame(const std::array<PlanarXY, 4>& inner, long double gap);

class TstandardMap : public TtkBaseClass {
 public:
  // Without an index (a typed sheet number).
  using TtkBaseClass::TtkBaseClass;
  // Over the standard sheet index at `inputPath` (a polygon shapefile, one
  // sheet per feature). Raises "文件" + path + "不存在" for a missing file,
  // "不能打开" + path + ... when it does not open as a shapefile, and
  // path + "必须设置坐标系统" when it has no spatial reference. An empty
  // path opens nothing.
  TstandardMap(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
               UserFeedback& feedback, const std::string& inputPath);
  // Over an index already opened (and checked) by the caller.
  TstandardMap(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
               UserFeedback& feedback, FrameInput input);

  // One frame for every sheet of the index the where clause selects, each
  // into its own classes. Refuses (RunError) an index that does not hold
  // polygons, and an index whose coordinates (planar or geographic) differ
  // from the output coordinates chosen, before anything is created. An error
  // while a sheet is drawn closes the sheet's drawing and the progress
  // display and travels on; the sheets finished before stay in the output.
  void Run() override;
  bool StandardSheetMode() const override { return true; }
  // ReadSheetCorners, then DrawFrame when it succeeds.
  void FrameSheet();
  // Fills the inner corners from FSheetShape (one part of four or five
  // vertices; otherwise the user is told and false comes back) and computes
  // the outer corners.
  bool ReadSheetCorners();
  // The index (0..3) of the vertex nearest to (E, N) by the sum of absolute
  // coordinate differences; on equal sums the lowest index.
  static int NearestVertex(long double E, long double N, const std::array<Point2, 4>& vertices);
  // The corners of a sheet polygon of four or five vertices (one part,
  // checked by the caller) in corner order: the vertex nearest to each
  // corner of its envelope (NearestVertex).
  static std::array<Point2, 4> ShapeCorners(const Geometry& shape);

  FeatureClass FInputClass;  // the index layer; null without an index
  std::string FInputPath;
  FrameInput FInput;  // what to frame, and how its shapes reach the run's system

  // Name of the sheet of the index that contains a point (store order), for
  // the adjacent-sheet table; empty when no sheet contains it. Set by the
  // index-file run; unset for a typed sheet number.
  std::function<std::string(double x, double y)> FNeighbourName;
  // The name the index gives the sheet in a neighbour's cell (none: no
  // sheet of the series is there), found by number (IndexSheetNames, read
  // from the index at the first lookup); none where the index must be
  // asked at the point (FNeighbourName). Set with FNeighbourName.
  std::function<std::optional<std::string>(const std::optional<SheetCell>& cell)> FNeighbourNameOfCell;
  // The current sheet's cell when its corners are a sheet of the series at
  // the run's scale (IdentifySheet).
  std::optional<SheetCell> FSheetCell;
  // The neighbours' sheet numbers (table order, kNeighbourSteps), written
  // into the cells the index names no sheet for while chkNeighbourNo is set;
  // empty where there is no neighbour or the sheet is not known.
  NeighbourNumbers FNeighbourNumbers{};
  // The current sheet when it is a large-scale rectangular sheet: its frame
  // gets the grid of those sheets (DrawRectSheetGrid).
  std::optional<RectSheet> FRectSheet;
  // Finds out which sheet the corners just read are, at the run's scale: a
  // rectangular sheet, or a sheet of the national series whose corners agree
  // with the ones read; fills FRectSheet and FNeighbourNumbers (both empty
  // when the corners are neither). RunError when the corners are a
  // rectangular sheet of another scale than the run's.
  void IdentifySheet();

  // Fills the outer corners from the inner ones, the frame gap outside
  // every side on paper (OffsetFrame): in planar mode from FInner; in
  // geographic mode from FInnerGeo (with the geographic rectangle) through
  // its planar image FInner, FOuterGeo being the outer corners FOuter
  // turned back into degrees.
  void ComputeOuterCorners();
  // Geographic mode: the latitude of the outer bottom (or top) side at a
  // longitude, and the longitude of the outer left (or right) side at a
  // latitude, along the straight sides between the outer corners.
  long double OuterLatAt(long double lon, bool top) const;
  long double OuterLonAt(long double lat, bool right) const;
  // Draws everything of one sheet from the corner arrays.
  void DrawFrame();
  // Envelope of the inner corners: minimum easting, minimum northing,
  // maximum easting, maximum northing.
  void InnerEnvelope(long double& eMin, long double& nMin, long double& eMax, long double& nMax) const;

  // The grid of the settings (rgGrid), or a rectangular sheet's own.
  void DrawGrid();
  // Grids and the adjacent-sheet table.
  // The kilometre grid: whole lines (full) or margin ticks, with labels.
  void DrawKilometreGrid(bool full);
  void DrawGraticule();
  void DrawGraticuleCrosses();
  void DrawAdjacentTable();
  // The grid of a rectangular sheet, every 10 cm on paper whatever the
  // scale: full lines (rgGrid 1), or crosses 1 cm wide at the inner
  // intersections with 5 mm ticks inside the frame (rgGrid 2).
  void DrawRectSheetGrid();

  // Planar inner and outer corners (metres), in every mode.
  std::array<PlanarXY, 4> FInner{}, FOuter{};
  // Geographic inner and outer corners (degrees), geographic mode only.
  std::array<LatLon, 4> FInnerGeo{}, FOuterGeo{};
  // Geographic rectangle of the sheet (degrees): lower-left corner and size.
  long double FSheetLon = 0, FSheetLat = 0, FSheetWidth = 0, FSheetHeight = 0;
  // The frame gap in degrees at the sheet (geographic mode).
  long double FGapLon = 0, FGapLat = 0;
  // The sheet polygon (store coordinates) when the sheet comes from an index.
  Geometry FSheetShape;

 protected:
  void DrawInnerFrame();
  void DrawOuterFrame();
  void DrawCornerMarks();
  void DrawMask();
  // The neighbours' names in the table whose lower-left corner is (N0, E0),
  // cells CW by CH (planar metres in every mode).
  void DrawTableNames(long double N0, long double E0, long double CW, long double CH);
  // How far (metres) a table whose lower edge runs from lowerLeft to
  // lowerRight must be raised (lowered, when negative) so that its nearest
  // point lies `gap` from the outer top side.
  long double TableLift(PlanarXY lowerLeft, PlanarXY lowerRight, long double gap) const;

  // One kilometre line cut to the frame: its easting (a north-south line) or
  // northing (east-west), its southern or western end `low` and northern or
  // eastern end `high`, whether each end lies in the margin (where its tick
  // and label go; not on a sloping inner side), and its index among the
  // grid positions.
  struct KmGridLine {
    long double at, low, high;
    bool lowInMargin, highInMargin;
    std::int64_t k;
  };
  struct KmGridLines {
    std::vector<KmGridLine> lines;  // the positions that cross the frame
    std::int64_t last = -1;         // index of the last grid position
    // East-west lines: the first and last positions that meet the inner
    // left and right sides (-1 when none does).
    std::int64_t firstLeft = -1, lastLeft = -1, firstRight = -1, lastRight = -1;
    // North-south lines: the first and last positions whose top (bottom) end
    // lies in the margin, which carry that edge's full numbers (-1 when none).
    std::int64_t firstTop = -1, lastTop = -1, firstBottom = -1, lastBottom = -1;
  };
  // The north-south lines between the envelope's eastings, and the east-west
  // lines between its northings, at the positions of the crosshair grid.
  KmGridLines KmMeridians(long double Emin, long double Emax) const;
  KmGridLines KmParallels(long double Nmin, long double Nmax) const;
  // The kilometre numbers of one line.
  void LabelKmMeridian(const KmGridLine& line, const KmGridLines& grid, const KmLabelStyle& style);
  void LabelKmParallel(const KmGridLine& line, const KmGridLines& grid, const KmLabelStyle& style);

  // Intersection of the north-south line at easting E (or east-west line at
  // northing N) with the side from corner a to corner b of a corner array.
  std::optional<long double> NorthingAtEasting(long double E, const std::array<PlanarXY, 4>& corners, int a,
                                               int b) const;
  std::optional<long double> EastingAtNorthing(long double N, const std::array<PlanarXY, 4>& corners, int a,
                                               int b) const;
};

}  // namespace tarvik
