#include "frame/utTkBaseClass.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/delphi.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/text_util.h"
#include "coords/utBJ54Xian80.h"
#include "frame/grid_positions.h"
#include "frame/input_checks.h"
#include "gdb/class_queries.h"
#include "gdb/frame_domain.h"

namespace tarvik {

bool LineIntersection(long double& Y, long double& X, long double X1, long double Y1, long double X2,
                      long double Y2, long double X3, long double Y3, long double X4, long double Y4) {
  const auto isZero = [](long double v) { return std::fabs(v) < 1e-6L; };
  if (isZero(Y4 - Y3)) {
    if (isZero(Y2 - Y1)) return false;
    Y = Y4;
    X = X2 + (X1 - X2) * (Y4 - Y2) / (Y1 - Y2);
    return true;
  }
  if (isZero(Y2 - Y1)) {
    Y = Y2;
    X = X4 + (X3 - X4) * (Y2 - Y4) / (Y3 - Y4);
    return true;
  }
  const long double m1 = (X1 - X2) / (Y1 - Y2);
  const long double m2 = (X3 - X4) / (Y3 - Y4);
  const long double c1 = X2 - Y2 * m1;
  const long double c2 = X4 - Y4 * m2;
  if (isZero(m2 - m1)) return false;
  Y = (c1 - c2) / (m2 - m1);
  X = c2 + m2 * Y;
  return true;
}

TtkBaseClass::TtkBaseClass(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
                           UserFeedback& feedback)
    : S(settings), FRun(std::move(run)), FFeedback(feedback), FStore(std::move(store)) {
  FCoords.datum = S.datum();
  FCoords.is3DegreeZone = S.is3DegreeZone;
  FCoords.addZoneNumber = S.addZoneNumber;
  FCoords.centralMeridian = S.centralMeridian;
  FFrameGap = S.senw * S.ScaleFactor;
}

TtkBaseClass::~TtkBaseClass() = default;

void TtkBaseClass::CreateOutputClasses(const std::string& name, const SpatialReference& reference) {
  const std::string clean = CleanFrameName(name);
  FSink = nullptr;
  if (!FStore) throw RunError("创立目录" + clean + "失败");
  FinishFrame();
  FFrameStart = FCounts;
  // Open from here: a class that cannot be made leaves a frame to undo.
  FFrameOpen = true;
  FSink = FStore->createFrame(clean, reference, static_cast<double>(S.ScaleFactor * 10000));
  if (!FSink) {
    FFrameOpen = false;
    throw RunError("创立目录" + clean + "失败");
  }
  FFrameName = clean;
  ++FCounts.frames;
}

void TtkBaseClass::FinishFrame() {
  if (!FFrameOpen) return;
  FStore->finishFrame();
  FFrameOpen = false;
  FSink = nullptr;
  ++FFramesFinished;
  FUntold.push_back({FFeatureDone, FFeatureTotal, FFrameName, FCounts});
  UpdateKeptFrames();
  TellKeptFrames();
}

void TtkBaseClass::UpdateKeptFrames() {
  if (FStore) {
    const RefusedElements late = FStore->takeRefused();
    FCounts.lines -= late.lines;
    FCounts.polygons -= late.polygons;
    FCounts.texts -= late.texts;
    FCounts.refused += late.lines + late.polygons + late.texts;
  }
  const int kept = FStore ? FStore->keptFrames() : -1;
  FCounts.finished = kept < 0 ? FFramesFinished : kept;
}

void TtkBaseClass::TellKeptFrames() {
  while (FTold < FCounts.finished && !FUntold.empty()) {
    const UntoldFrame frame = std::move(FUntold.front());
    FUntold.pop_front();
    ++FTold;
    FKeptCounts = frame.counts;
    FKeptCounts.finished = FTold;
    FKeptNames.push_back(frame.name);
    if (FOnFrameDone && frame.total > 0) FOnFrameDone(frame.done, frame.total, frame.name);
  }
}

void TtkBaseClass::AbandonFrame() {
  if (!FFrameOpen) return;
  FFrameOpen = false;
  FSink = nullptr;
  if (FStore) FStore->abandonFrame();
  // What the frame stored is gone with it; its refusals were told.
  const int refused = FCounts.refused;
  FCounts = FFrameStart;
  FCounts.refused = refused;
}

std::string TtkBaseClass::MakeQueryFilter() const { return Trim(FWhereClause); }

const SpatialReference& TtkBaseClass::InputFrameReference(const FrameInput& input) {
  const FeatureClass& inputClass = input.cls;
  // The input does not change during a run: its reference and extent are
  // read once, not for every frame.
  if (FFrameReferenceOf != inputClass.state().get()) {
    // The frames' system is the one the run computes in, which the front
    // ends have checked against the input's own: the datum's geographic
    // system for positions in degrees (also for a planar input framed in
    // longitude and latitude), otherwise the Gauss-Krueger system of the
    // run's datum, zone and meridian. For a recognised input that is the
    // input's system; for an input the user described, the one described.
    if (S.GeodeticOutput) {
      FFrameReference = MakeGeographicReference(FCoords.datum, FFeedback);
    } else {
      FFrameReference = MakeProjectedReference(FCoords, FFeedback);
      // A reprojected input's extent in the run's plane; else the input's own.
      if (const auto extent = input.reprojection ? input.extent : ClassExtent(inputClass);
          extent && !FFrameReference.empty())
        SetFrameDomain(FFrameReference, S.ScaleFactor, extent->xMin, extent->yMin, extent->xMax,
                       extent->yMax);
    }
    FFrameReferenceOf = inputClass.state().get();
  }
  return FFrameReference;
}

void TtkBaseClass::PrepareOutput(const Feature& feature, const FrameInput& input) {
  const std::string name = ExpandNameTemplate(FNameTemplate, FNameField, FieldValueText(feature, FNameField));
  CreateOutputClasses(name, InputFrameReference(input));
}

void TtkBaseClass::SetCurrentFeature(std::shared_ptr<const Feature> feature) {
  FCurrentFeature = [feature = std::move(feature)](const std::string& field) -> std::optional<std::string> {
    const bool identifier = EqualsNoCase(field, "FID") || EqualsNoCase(field, "OBJECTID");
    if (feature->fieldIndex(field) < 0 && !identifier) return std::nullopt;
    return Trim(FieldValueText(*feature, field));
  };
}

void TtkBaseClass::SetZoneNumberText() {
  if (!S.addZoneNumber)
    FRun.ZoneNumberText = std::to_string(ZoneNumberOf(S.is3DegreeZone, S.centralMeridian));
}

void TtkBaseClass::RunFeatures(const FrameInput& in, const std::function<void(const Feature&)>& drawOne) {
  FAborted = false;
  SetZoneNumberText();
  const FeatureClass& input = in.cls;
  const std::string filter = MakeQueryFilter();
  // The features chosen before the run, or those the condition selects now.
  const std::int64_t count =
      in.fids ? static_cast<std::int64_t>(in.fids->size()) : FeatureCount(input, filter);
  if (count <= 0) {
    FFeedback.message("没有数据，可能条件设置错误");
    return;
  }
  const int total = count > INT32_MAX ? INT32_MAX : static_cast<int>(count);
  FFeedback.progressStart(total, "正在生成图廓", true);
  try {
    FeatureCursor cursor = in.fids ? CursorOfFeatures(input, *in.fids) : SearchFeatures(input, filter);
    for (int done = 0; done < total;) {
      auto feature = std::make_shared<Feature>();
      if (!cursor.next(*feature)) break;
      ++done;
      std::optional<std::string> unmoved;
      if (in.reprojection) {
        auto moved = in.reprojection->shapeOf(*feature);
        if (auto* shape = std::get_if<Geometry>(&moved))
          feature->setGeometry(std::move(*shape));
        else
          unmoved = std::get<std::string>(moved);
      }
      // A sheet of an index is drawn from its corners: a polygon that is no
      // sheet would give a rotated or skewed frame.
      const auto why = unmoved ? unmoved
                       : S.CreateMode == CreationMode::SheetIndex
                           ? IndexSheetProblem(feature->geometry(), FCoords, S.GeodeticOutput)
                           : FrameShapeProblem(feature->geometry(), false);
      if (why) {
        ++FCounts.skipped;
        FFeedback.message("跳过" + FeatureLabel(*feature, FNameField) + "：" + *why);
      } else {
        SetCurrentFeature(feature);
        FFeatureDone = done;
        FFeatureTotal = total;
        PrepareOutput(*feature, in);
        {
          FrameDrawing drawing(*this);
          drawOne(*feature);
          drawing.end();
        }
        // Told done only once it is on disk.
        FinishFrame();
        FFeatureDone = FFeatureTotal = 0;
      }
      if (FFeedback.progressStep(1)) {
        FAborted = true;
        break;
      }
    }
  } catch (...) {
    // A frame that failed midway is not kept as if it were complete.
    AbandonFrame();
    FFeedback.progressClose(false);
    throw;
  }
  FFeedback.progressClose(false);
}

Geometry TtkBaseClass::ToStoreGeometry(const Geometry& planar) {
  if (!S.GeodeticOutput || planar.isEmpty()) return planar;
  std::vector<std::vector<Point2>> rings = planar.parts();
  for (auto& ring : rings) {
    for (auto& p : ring) {
      long double lon = p.x, lat = p.y;
      PlanarToGeo(p.y, p.x, lon, lat);
      p = {static_cast<double>(lon), static_cast<double>(lat)};
    }
  }
  return Geometry::Polygon(rings);
}

void TtkBaseClass::BeginFrameDrawing() {
  if (FSink) FSink->beginDrawing();
}

void TtkBaseClass::EndFrameDrawing() {
  if (!FSink) return;
  const int refused = FSink->endDrawing();
  FCounts.lines -= refused;
  FCounts.refused += refused;
}

void TtkBaseClass::CloseOutput() {
  FinishFrame();
  FSink = nullptr;
  if (FStore) FStore->close();
  UpdateKeptFrames();
  TellKeptFrames();
}

void TtkBaseClass::RunAndClose(const std::string& output) {
  try {
    Run();
    CloseOutput();
  } catch (const RunError& e) {
    try {
      AbandonFrame();
      CloseOutput();
    } catch (const RunError&) {}
    // Frames held for a batch the store could not write are lost: the
    // counts are those of the frames on disk.
    UpdateKeptFrames();
    TellKeptFrames();
    if (FCounts.finished < FFramesFinished) {
      const int refused = FCounts.refused;
      FCounts = FKeptCounts;
      FCounts.refused = refused;
    }
    const int finished = FCounts.finished;
    // Where they are: the output, or the store that holds them when the
    // output could not be made from it (a DXF drawing).
    const std::string where = FStore && !FStore->keptIn().empty() ? FStore->keptIn() : output;
    throw RunError(std::string(e.what()) + "\n" +
                   (finished > 0 ? "此前完成的 " + std::to_string(finished) + " 个图廓保留在 " + where
                                 : std::string("没有完成的图廓")));
  }
}

FrameDrawing::~FrameDrawing() {
  if (!open_) return;
  try {
    builder_.EndFrameDrawing();
  } catch (const RunError&) {}
}

void FrameDrawing::end() {
  open_ = false;
  builder_.EndFrameDrawing();
}

bool TtkBaseClass::PlanarToGeo(long double X, long double Y, long double& lon, long double& lat) {
  return XYToLB(FCoords, X, Y, lon, lat, FFeedback);
}

long double TtkBaseClass::TextHeight(const FontDesc& font) const {
  return tarvik::TextHeight(font, S.ScaleFactor);
}

long double TtkBaseClass::TextHeight2(const FontDesc& font) const {
  return tarvik::TextHeight2(font, S.ScaleFactor);
}

TtkBaseClass::KmLabelStyle TtkBaseClass::KmLabels() const {
  const long double BigH = TextHeight(S.btnDFont), SmallH = TextHeight(S.btnXFont);
  return {S.btnDFont, S.btnXFont, BigH, SmallH, BigH / 2.1L * 2, SmallH / 2.1L * 2, 1 * S.ScaleFactor};
}

void TtkBaseClass::StoreLine(LineKind kind, StorePoint from, StorePoint to) {
  if (!FSink) return;
  if (FSink->line(kind, from, to))
    ++FCounts.lines;
  else
    ++FCounts.refused;
}

StorePoint TtkBaseClass::StoredAt(PlanarXY p) {
  long double lon = p.easting, lat = p.northing;
  if (S.GeodeticOutput) PlanarToGeo(p.northing, p.easting, lon, lat);
  return {static_cast<double>(lon), static_cast<double>(lat)};
}

namespace {

StorePoint StorePointOf(LatLon p) { return {static_cast<double>(p.lon), static_cast<double>(p.lat)}; }

}  // namespace

void TtkBaseClass::AddLine(LineKind kind, PlanarXY from, PlanarXY to) {
  // The end first: a failed conversion tells its message in this order.
  const StorePoint end = StoredAt(to);
  const StorePoint start = StoredAt(from);
  StoreLine(kind, start, end);
}

void TtkBaseClass::AddLineDirect(LineKind kind, LatLon from, LatLon to) {
  StoreLine(kind, StorePointOf(from), StorePointOf(to));
}

void TtkBaseClass::StorePolygon(PolygonKind id, const Geometry& polygon) {
  if (!FSink) return;
  if (FSink->polygon(id, polygon))
    ++FCounts.polygons;
  else
    ++FCounts.refused;
}

Envelope TtkBaseClass::TextBox(const FrameText& t) {
  // Generous on purpose: faces differ, and the box only keeps a mask's edge
  // off the text.
  const long double H = TextHeight(t.font);
  const std::vector<std::string> lines = SplitLines(t.text);
  long double width = 0;
  for (const std::string& line : lines) {
    const std::size_t bytes = GbkByteLength(line), chars = CodePointCount(line);
    const long double spacing = chars > 1 && t.charSpacing > 0 ? (chars - 1) * H * t.charSpacing / 200.0L : 0;
    width = std::max(width, bytes * H * 0.55L + spacing);
  }
  const long double height = std::max<std::size_t>(lines.size(), 1) * H * 1.2L;
  const long double left = t.hAlign == kLeft ? 0 : t.hAlign == kCentre ? -width / 2 : -width;
  const long double bottom = t.vAlign == kBottom ? 0 : t.vAlign == kMiddle ? -height / 2 : -height;
  // Metres on paper, turned into degrees at the anchor for a geographic output.
  long double toX = 1, toY = 1;
  if (S.GeodeticOutput) {
    toX = GeoDeltaEast(1000, t.anchor.y, t.anchor.x) / 1000;
    toY = GeoDeltaNorth(1000, t.anchor.y, t.anchor.x) / 1000;
  }
  return {static_cast<double>(t.anchor.x + left * toX), static_cast<double>(t.anchor.y + bottom * toY),
          static_cast<double>(t.anchor.x + (left + width) * toX),
          static_cast<double>(t.anchor.y + (bottom + height) * toY)};
}

void TtkBaseClass::StoreText(const std::string& text, const FontDesc& font, StorePoint at) {
  if (!FSink || Trim(text).empty()) return;
  FrameText t;
  t.text = text;
  t.font = font;
  t.hAlign = FHAlign;
  t.vAlign = FVAlign;
  t.charSpacing = CharSpacing;
  t.anchor = at;
  if (FKeepTextBoxes) FTextBoxes.push_back(TextBox(t));
  if (FSink->text(t))
    ++FCounts.texts;
  else
    ++FCounts.refused;
}

void TtkBaseClass::AddText(const std::string& text, const FontDesc& font, HorizontalAlignment hAlign,
                           VerticalAlignment vAlign, PlanarXY at) {
  FHAlign = hAlign;
  FVAlign = vAlign;
  StoreText(text, font, StoredAt(at));
}

void TtkBaseClass::AddTextDirect(const std::string& text, const FontDesc& font, HorizontalAlignment hAlign,
                                 VerticalAlignment vAlign, LatLon at) {
  FHAlign = hAlign;
  FVAlign = vAlign;
  StoreText(text, font, StorePointOf(at));
}

void TtkBaseClass::AddTextRight(const std::string& text, const FontDesc& font, VerticalAlignment vAlign,
                                PlanarXY at) {
  AddText(text, font, kRight, vAlign, at);
}

void TtkBaseClass::AddTextMidway(const std::string& text, const FontDesc& font, HorizontalAlignment hAlign,
                                 VerticalAlignment vAlign, long double Y1, long double X, long double Y2) {
  AddText(text, font, hAlign, vAlign, {X, (Y1 + Y2) / 2});
}

void TtkBaseClass::AddVerticalText(const std::string& text, const FontDesc& font, PlanarXY at) {
  if (text.empty()) return;
  AddText(VerticalText(text), font, kRight, kBottom, at);
}

long double TtkBaseClass::GeoDeltaNorth(long double distance, long double lat, long double lon) {
  const PlanarXY p = GeoToPlanar(lat, lon);
  long double L = lon, B = lat;
  PlanarToGeo(p.northing + distance, p.easting, L, B);
  return std::fabs(B - lat);
}

long double TtkBaseClass::GeoDeltaEast(long double distance, long double lat, long double lon) {
  const PlanarXY p = GeoToPlanar(lat, lon);
  long double L = lon, B = lat;
  PlanarToGeo(p.northing, p.easting + distance, L, B);
  return L - lon;
}

FieldLookup TtkBaseClass::currentFeatureLookup() const {
  // Placeholders are read when frames come from an input file, and for a
  // typed sheet number only what its builder offers.
  if (S.CreateMode == CreationMode::SheetNumber) return FTypedSheetFields;
  return FCurrentFeature;
}

std::string TtkBaseClass::ExpandFieldText(const std::string& text) const {
  return tarvik::ExpandFieldText(ExpandRunText(text), currentFeatureLookup());
}

std::string TtkBaseClass::ExpandRunText(const std::string& text) const {
  return ReplaceAll(ExpandCoordinateSystem(text, FCoords.datum), "[坐标转换]", FRun.InputTransformation);
}

bool TtkBaseClass::CheckGridValue(long double value, const char* what) {
  if (value > 0) return true;
  if (!FGridWarned) {
    FGridWarned = true;
    FFeedback.message(std::string(what) + "必须大于0，该网格没有绘制");
  }
  return false;
}

void TtkBaseClass::DrawCrossGrid(LineKind kind, long double XMax, long double XMin, long double YMax,
                                 long double YMin) {
  if (!CheckGridValue(S.Seinterval, "网格间隔") || !CheckGridValue(S.SeLineLength, "十字丝线的长度")) return;
  const long double I = S.Seinterval;
  const long double L = S.SeLineLength;
  const long double Ys = FirstGridValue(YMin, I, S.rgHor);
  const std::int64_t Ny = LastGridIndex(Ys, YMax, I);
  const long double Xs = FirstGridValue(XMin, I, S.rgver);
  const std::int64_t Nx = LastGridIndex(Xs, XMax, I);
  if (Ny < 0) return;
  for (std::int64_t w = 0; w <= Ny; ++w) {
    const long double E = Ys + w * I;
    for (std::int64_t a = 0; a <= Nx; ++a) {
      const long double N = Xs + a * I;
      AddLine(kind, {N + L / 2, E}, {N - L / 2, E});
      AddLine(kind, {N, E + L / 2}, {N, E - L / 2});
    }
  }
}

}  // namespace tarvik
