#include "frame/utcreatetk.h"

#include "common/delphi.h"
#include "common/error.h"
#include "frame/input_checks.h"
#include "gdb/class_queries.h"
#include "gdb/geometry.h"

namespace tarvik {

Tcreatetk::Tcreatetk(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
                     UserFeedback& feedback, const std::string& inputPath)
    : Tcreatetk(settings, std::move(run), std::move(store), feedback, [&] {
        FrameInput in;
        in.cls = inputPath.empty() ? FeatureClass{} : OpenShapefileClass(inputPath);
        in.path = inputPath;
        return in;
      }()) {}

Tcreatetk::Tcreatetk(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
                     UserFeedback& feedback, FrameInput input)
    : TtkBaseClass(settings, std::move(run), std::move(store), feedback) {
  S.CreateMode = CreationMode::PolygonFile;
  FInputPath = input.path;
  FInputClass = input.cls;
  FInput = std::move(input);
  FInputSpatialRef = DatasetSpatialReference(FInputClass);
}

void Tcreatetk::Run() {
  CheckPolygonInput(FInputClass, FInputPath);
  // A reprojected input reaches the builder in the run's plane.
  if (!FInput.reprojection && !FInput.systemSettled) CheckAreaCoordinates(FInputSpatialRef, FInputPath);
  RunFeatures(FInput, [this](const Feature& feature) { FrameFeature(feature); });
}

void Tcreatetk::FrameFeature(const Feature& feature) {
  // A feature without a shape has no envelope to frame: its classes stay empty.
  if (feature.geometry().isEmpty()) {
    FFeedback.message("图形对象个数错误");
    return;
  }
  const Envelope e = feature.geometry().envelope();
  DrawRectFrame(e.xMin, e.xMax, e.yMin, e.yMax);
}

void Tcreatetk::DrawRectFrame(long double Emin, long double Emax, long double Nmin, long double Nmax) {
  const long double M = S.sentod * S.ScaleFactor;
  const long double G = FFrameGap;
  // Whole metres: west and south sides move out, east and north sides in
  // (on positive coordinates) by less than a metre.
  E1 = Trunc(Emin - M);
  N1 = Trunc(Nmin - M);
  E2 = Trunc(Emax + M);
  N2 = Trunc(Nmax + M);
  if (S.Rg4JAnn) LabelRectCorners();
  DrawExtendedRect(kInnerLine, G);
  E1o = Trunc(E1 - G);
  N1o = Trunc(N1 - G);
  E2o = Trunc(E2 + G);
  N2o = Trunc(N2 + G);
  if (S.seoutw <= 0) {
    DrawRect(kOuterLine);
    DrawScaleBar(N1o, (E1o + E2o) / 2);
  }
  switch (S.rgGrid) {
    case GridType::Kilometre:
      DrawKmGrid(true);
      break;
    case GridType::Crosshair:
      DrawKmGrid(false);
      DrawCrossGrid(kCrossLine, N2o - G, N1o + G, E2o - G, E1o + G);
      break;
    default:  // none and both graticule forms: the straight-line graticule
      DrawRectGraticule();
      break;
  }
  DrawLeftTexts(N1o, E1o);
  DrawRightBottomText(N1o, E2o);
  DrawScaleText(N1o, E2o, E1o);
  DrawRightTopTexts(N2o, E2o);
  DrawTitles(N2o, E2o, E1o);
  DrawMarginDiagrams({PlanarXY{N1, E1}, PlanarXY{N2, E1}, PlanarXY{N2, E2}, PlanarXY{N1, E2}}, {N1o, E1o},
                     {N1o, E2o});
  if (S.seoutw > 0) DrawOuterBand();
}

void Tcreatetk::LabelRectCorners() {
  // The corners are planar whatever the output: with geographic output the
  // labels still show the corners' latitude and longitude.
  LabelPlanarCorner(0, N1, E1);
  LabelPlanarCorner(1, N2, E1);
  LabelPlanarCorner(2, N2, E2);
  LabelPlanarCorner(3, N1, E2);
}

void Tcreatetk::DrawExtendedRect(LineKind kind, long double G) {
  AddLine(kind, {N2 + G, E1}, {N1 - G, E1});  // west
  AddLine(kind, {N2 + G, E2}, {N1 - G, E2});  // east
  AddLine(kind, {N2, E2 + G}, {N2, E1 - G});  // north
  AddLine(kind, {N1, E2 + G}, {N1, E1 - G});  // south
}

void Tcreatetk::DrawRect(LineKind kind) {
  AddLine(kind, {N2o, E1o}, {N1o, E1o});
  AddLine(kind, {N2o, E2o}, {N1o, E2o});
  AddLine(kind, {N2o, E2o}, {N2o, E1o});
  AddLine(kind, {N1o, E2o}, {N1o, E1o});
}

void Tcreatetk::DrawOuterBand() {
  const double W = static_cast<double>(S.seoutw * S.ScaleFactor);
  const Envelope outer{static_cast<double>(E1o), static_cast<double>(N1o), static_cast<double>(E2o),
                       static_cast<double>(N2o)};
  const Geometry band = GeometryDifference(ExpandedEnvelopePolygon(outer, W), EnvelopePolygon(outer));
  if (band.isNull() || band.isEmpty()) return;
  StorePolygon(kOuterBand, ToStoreGeometry(band));
}

}  // namespace tarvik
