// Frames around the polygons of any polygon file (administrative divisions,
// project areas): for each selected polygon an axis-parallel frame around its
// envelope, widened by the map margin and cut to whole metres, with its own
// kilometre grid, crosshairs or straight-line graticule, marginal texts and
// optionally an outer band instead of the outer lines.
//
// Planar coordinates only (Gauss-Krueger metres, X northing, Y easting; the
// store gets easting first). With geographic output every position is
// converted just before it is stored.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frame/utTkBaseClass.h"
#include "gdb/feature_class.h"

namespace tarvik {

class Tcreatetk : public TtkBaseClass {
 public:
  // Opens the polygon file at `inputPath` (when not empty) and reads its
  // spatial reference; raises nothing: a missing or unreadable file leaves
  // FInputClass null, and Run reports it.
  Tcreatetk(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
            UserFeedback& feedback, const std::string& inputPath);
  // Over a file already opened (and checked) by the caller.
  Tcreatetk(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
            UserFeedback& feedback, FrameInput input);

  // One frame for every feature the where clause selects. Refuses (RunError)
  // before counting: a file that did not open, one that does not hold
  // polygons, one without a spatial reference, and one in geographic
  // coordinates (its frame would be drawn in degrees as if they were metres).
  void Run() override;
  bool StandardSheetMode() const override { return false; }

  // The frame of one rectangle of the input (store coordinates of the
  // polygon's envelope: eastings Emin..Emax, northings Nmin..Nmax).
  void DrawRectFrame(long double Emin, long double Emax, long double Nmin, long double Nmax);

  FeatureClass FInputClass;
  std::string FInputPath;
  SpatialReference FInputSpatialRef;  // none when the file has none or did not open
  FrameInput FInput;                  // what to frame, and how its shapes reach the run's system

  // The rectangles of the last frame (whole metres): inner E1..E2 x N1..N2,
  // outer E1o..E2o x N1o..N2o.
  long double E1 = 0, N1 = 0, E2 = 0, N2 = 0;
  long double E1o = 0, N1o = 0, E2o = 0, N2o = 0;

 private:
  void FrameFeature(const Feature& feature);
  void LabelRectCorners();
  void DrawExtendedRect(LineKind kind, long double G);
  void DrawRect(LineKind kind);
  void DrawOuterBand();
  void DrawKmGrid(bool full);
  void DrawRectGraticule();
};

}  // namespace tarvik
