// The common base of the frame builders: the output of one run, the drawing
// primitives every frame element is made of, and the marginal elements both
// builders share (marginal texts and scale bar, crosshair grid, corner labels).
//
// Coordinates: frame geometry is computed in planar Gauss-Krueger metres and
// written (X, Y) with X the northing and Y the easting; every operation takes
// X before Y. A point handed to the store becomes (easting, northing). When
// geographic output is chosen, AddLine and AddText convert planar positions to
// (longitude, latitude) just before storing; the ...Direct forms store their
// coordinates unchanged. Sheet distances are settings in 0.1 mm and become
// ground metres when multiplied by ScaleFactor.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/font_desc.h"
#include "common/user_feedback.h"
#include "coords/geomagnetic_model.h"
#include "coords/spatial_reference.h"
#include "coords/utlbxy.h"
#include "frame/frame_sink.h"
#include "frame/input_reprojection.h"
#include "frame/marginal_text_format.h"
#include "frame/name_template.h"
#include "frame/north_diagram.h"
#include "frame/paper_drawing.h"
#include "gdb/feature.h"
#include "gdb/feature_class.h"
#include "settings/frame_settings.h"

namespace tarvik {

// The values of one run that are not settings: set by the front end before
// the run, some filled by the builders.
struct RunValues {
  std::string ZoneNumberText;  // zone number put before easting labels (builders fill it)
  // The transformation the person gave for an input on another datum, as
  // the placeholder "[坐标转换]" prints it ("" when none was given).
  std::string InputTransformation;
  Date today = Date::Today();  // the date of the date placeholders
};

// The input of a run over a file: its class (open for reading), its path
// for messages, and the features to frame, in order; none: every feature the
// where clause selects, found when the run starts.
struct FrameInput {
  FeatureClass cls;
  std::string path;
  std::optional<std::vector<std::int64_t>> fids;
  // An input in another system than the run's: its shapes put into the
  // run's system, and the extent of the selection there (the frames'
  // coordinate domain is set from it).
  std::shared_ptr<InputReprojection> reprojection;
  std::optional<Envelope> extent;
  // The caller settled the input's system (reprojected, or described by the
  // person for an input that states none): the builder does not check it.
  bool systemSettled = false;
};

// Intersection of the line through (X1, Y1)-(X2, Y2) with the line through
// (X3, Y3)-(X4, Y4), both taken as X as a function of Y. False (and X, Y left
// untouched) when there is none.
bool LineIntersection(long double& Y, long double& X, long double X1, long double Y1, long double X2,
                      long double Y2, long double X3, long double Y3, long double X4, long double Y4);

class TtkBaseClass {
 public:
  // `store` is the output workspace (none when the builder only inspects an
  // input). The settings are copied: a builder may change its ScaleFactor.
  TtkBaseClass(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
               UserFeedback& feedback);
  virtual ~TtkBaseClass();
  TtkBaseClass(const TtkBaseClass&) = delete;
  TtkBaseClass& operator=(const TtkBaseClass&) = delete;

  // --- The run ---
  // A run over an input file names each frame after the template with the
  // feature's value of the name field, and frames the features the where
  // clause selects.
  std::string FNameField;     // e.g. "TFH"
  std::string FNameTemplate;  // e.g. "[TFH]" or "[NAME]图"
  std::string FWhereClause;

  // Draws every frame of the run, each into its own classes, and keeps each
  // on disk as it is finished. A RunError ends the run: the frame being
  // drawn is undone, the frames finished before stay in the output.
  virtual void Run() = 0;
  // Whether the builder frames standard sheets (corners from the sheet,
  // adjacent-sheet table) rather than the rectangle around a polygon.
  virtual bool StandardSheetMode() const = 0;
  // Run, then closes the output. When a RunError ends it, the output is
  // closed all the same (the frames finished before stay readable) and the
  // error is raised again with a line saying how many frames are complete
  // in `output`.
  void RunAndClose(const std::string& output);

  const TFrameSettings& settings() const { return S; }
  const RunValues& run() const { return FRun; }
  long double frameGap() const { return FFrameGap; }
  // Frames created so far and what was stored (for the summary of a run).
  // A frame undone after a failure takes its lines, polygons and texts with
  // it; `refused` counts every element the store refused ("保存失败").
  struct Counts {
    int frames = 0, lines = 0, polygons = 0, texts = 0, refused = 0;
    int finished = 0;  // frames drawn to their end and kept on disk
    int skipped = 0;   // features of a file run left out (no shape, NaN, not a sheet)
  };
  const Counts& counts() const { return FCounts; }
  // The names of the frames on disk, in the order they were kept.
  const std::vector<std::string>& keptFrameNames() const { return FKeptNames; }

  // Whether the last file run was stopped by the user (the frames drawn
  // before stay in the output).
  bool aborted() const { return FAborted; }
  // Told after every frame of a file run, once the frame is on disk (a
  // store that writes frames in batches tells them when their batch is
  // written, at the latest when the output is closed): the features done
  // when it was drawn, the number selected, and the frame's name as used
  // for its classes.
  std::function<void(int done, int total, const std::string& name)> FOnFrameDone;

  // --- Runs over an input file ---
  // The attribute condition selecting the input features: the where clause,
  // trimmed (empty: every feature).
  std::string MakeQueryFilter() const;
  // The output of one feature: the name from the template with the value of
  // the name field, the input's spatial reference with the domain around the
  // input's extent, then CreateOutputClasses.
  void PrepareOutput(const Feature& feature, const FrameInput& input);
  // FCurrentFeature reads the feature's fields from now on.
  void SetCurrentFeature(std::shared_ptr<const Feature> feature);
  // The name of the current frame's classes (cleaned), empty before the first.
  const std::string& currentFrameName() const { return FFrameName; }

  // --- Output of one frame ---
  // Creates the dataset and the three classes of a frame. Raises
  // "创立目录" + name + "失败" when the dataset cannot be made.
  void CreateOutputClasses(const std::string& name, const SpatialReference& reference);
  // Opens the line path and the text batch of the current frame / closes both
  // (FrameDrawing pairs them).
  void BeginFrameDrawing();
  void EndFrameDrawing();
  // The current frame is drawn: kept on disk (the store's RunError when it
  // does not take it, e.g. a full disk), counted as finished.
  void FinishFrame();
  // The current frame failed: undone, and its elements no longer counted.
  void AbandonFrame();
  // Finishes an open frame, keeps everything written and closes the output
  // store. RunError when the store fails to close.
  void CloseOutput();
  // --- Drawing primitives: planar points, or with ...Direct geographic
  // points of a geographic output, stored as they are ---
  void AddLine(LineKind kind, PlanarXY from, PlanarXY to);
  void AddLineDirect(LineKind kind, LatLon from, LatLon to);
  void AddText(const std::string& text, const FontDesc& font, HorizontalAlignment hAlign,
               VerticalAlignment vAlign, PlanarXY at);
  void AddTextDirect(const std::string& text, const FontDesc& font, HorizontalAlignment hAlign,
                     VerticalAlignment vAlign, LatLon at);
  void AddTextRight(const std::string& text, const FontDesc& font, VerticalAlignment vAlign, PlanarXY at);
  // At northing X, midway between the eastings Y1 and Y2.
  void AddTextMidway(const std::string& text, const FontDesc& font, HorizontalAlignment hAlign,
                     VerticalAlignment vAlign, long double Y1, long double X, long double Y2);
  void AddVerticalText(const std::string& text, const FontDesc& font, PlanarXY at);
  // Stores a polygon (store coordinates) with its "ID"; "保存失败" when refused.
  void StorePolygon(PolygonKind id, const Geometry& polygon);

  // Degrees of latitude spanned by a northward ground offset of `distance`
  // metres at (lat, lon), and degrees of longitude of an eastward one (signed).
  long double GeoDeltaNorth(long double distance, long double lat, long double lon);
  long double GeoDeltaEast(long double distance, long double lat, long double lon);

  // Planar (X northing, Y easting) to (longitude, latitude) with the run's
  // coordinate parameters; on failure the message is shown and lon/lat keep
  // their values.
  bool PlanarToGeo(long double X, long double Y, long double& lon, long double& lat);
  PlanarXY GeoToPlanar(long double lat, long double lon) const { return LBToXY(FCoords, lat, lon); }

  // Ground height in metres of a font's text at the run's scale, and twice that.
  long double TextHeight(const FontDesc& font) const;
  long double TextHeight2(const FontDesc& font) const;

  // Fonts and sizes (ground metres) of the kilometre grids' labels, the same
  // for both builders.
  struct KmLabelStyle {
    const FontDesc& big;         // hundreds of kilometres
    const FontDesc& small;       // the kilometre digits
    long double BigH, SmallH;    // text heights
    long double BigW2, SmallW2;  // widths of two characters
    long double LabelGap;        // 1 mm on paper
  };
  KmLabelStyle KmLabels() const;

  // --- Crosshair grid: crosses at the grid intersections inside the
  // rectangle (planar metres).
  void DrawCrossGrid(LineKind kind, long double XMax, long double XMin, long double YMax, long double YMin);

  // --- Marginal texts and scale bar (edges of the outer frame) ---
  void DrawLeftTexts(long double BottomX, long double LeftY);
  void DrawRightBottomText(long double BottomX, long double RightY);
  void DrawScaleText(long double BottomX, long double RightY, long double LeftY);
  void DrawRightTopTexts(long double TopX, long double RightY);
  void DrawTitles(long double TopX, long double RightY, long double LeftY);
  void DrawScaleBar(long double XBase, long double YCentre);
  // Geographic forms (latitudes and longitudes).
  void DrawLeftTextsGeo(long double outerLat, long double outerLon, long double innerLat,
                        long double innerLon);
  void DrawRightBottomTextGeo(long double outerLat, long double innerLon);
  void DrawScaleTextGeo(long double bottomLat, long double rightLon, long double leftLon);
  void DrawRightTopTextsGeo(long double outerLat, long double innerLon);
  void DrawTitlesGeo(long double topLat, long double rightLon, long double leftLon);

  // --- Three-north diagram and slope ruler in the bottom margin, each when
  // its setting is on. `inner` are the planar inner corners (0 lower left,
  // 1 upper left, 2 upper right, 3 lower right), outerLeft and outerRight
  // the ends of the outer bottom edge; both are drawn in planar metres
  // (converted like every AddLine position), the diagram's numbers at the
  // sheet's centre, the mean of its corners' latitudes and longitudes.
  void DrawMarginDiagrams(const std::array<PlanarXY, 4>& inner, PlanarXY outerLeft, PlanarXY outerRight);
  // The angles of the diagram at (lat, lon) of the run's datum and zone:
  // the convergence, the declination entered or from the model file.
  // RunError when the model file does not read or does not cover the year.
  NorthAngles NorthAnglesAt(long double lat, long double lon);

  // --- Corner labels: corner 0 lower left, 1 upper left, 2 upper right,
  // 3 lower right.
  void LabelCorner(int corner, long double X, long double Y);
  // A geographic frame's corner (degrees): the texts of its latitude and
  // longitude, laid out on paper around the corner's image in the zone as
  // a planar frame's are (character spacing included), stored in degrees.
  void LabelCornerGeo(int corner, long double lat, long double lon);
  // LabelCorner for a corner given in planar metres whatever the output: the
  // texts show the corner's geographic (or, in XY mode, planar) coordinates,
  // and the positions are converted like every AddText position.
  void LabelPlanarCorner(int corner, long double X, long double Y);

  // Field placeholders read from the feature being framed (empty when none).
  FieldLookup currentFeatureLookup() const;
  std::string ExpandFieldText(const std::string& text) const;
  // The placeholders of the run itself ("[坐标系]": the datum's name as maps
  // print it), replaced before the field placeholders.
  std::string ExpandRunText(const std::string& text) const;

  // A grid setting of 0 or less cannot be drawn; says so once per run and
  // returns false.
  bool CheckGridValue(long double value, const char* what);

  // A planar polygon (store order, easting/northing) as the store takes it:
  // unchanged, or with every vertex converted to longitude/latitude when
  // geographic output is chosen.
  Geometry ToStoreGeometry(const Geometry& planar);

 protected:
  // The loop both file builders share: counts the features the filter
  // selects ("没有数据，可能条件设置错误" when none), opens the progress
  // display, makes each feature's classes (PrepareOutput) and hands it to
  // `drawOne` with FCurrentFeature set and the drawing open, keeps the frame
  // on disk, advances the progress and stops when it reports an abort. A
  // feature whose shape cannot be framed (none, NaN or infinite coordinates;
  // for an index not one four-corner ring) is skipped before its classes are
  // made, told by name (FNameField) and counted. The progress display is
  // closed also when an error leaves the loop.
  void RunFeatures(const FrameInput& input, const std::function<void(const Feature&)>& drawOne);
  // The zone number put before easting labels when eastings do not carry it.
  void SetZoneNumberText();

  // The feature being framed, as a field reader; empty for a typed sheet number.
  FieldLookup FCurrentFeature;
  // What placeholders read for a typed sheet number instead (empty: they are
  // left as written).
  FieldLookup FTypedSheetFields;

  TFrameSettings S;
  RunValues FRun;
  CoordParams FCoords;
  UserFeedback& FFeedback;
  long double FFrameGap = 0;
  std::unique_ptr<FrameStore> FStore;
  FrameSink* FSink = nullptr;  // the current frame's sink, owned by the store
  Counts FCounts;

  // Shared text state of the text writer.
  HorizontalAlignment FHAlign = kLeft;
  VerticalAlignment FVAlign = kBottom;
  int CharSpacing = 0;

  // Where a planar point of the frame is stored: converted to (longitude,
  // latitude) for a geographic output. A point that does not convert keeps
  // its planar value, and the store's domain then refuses it.
  StorePoint StoredAt(PlanarXY p);

  // While set, every text stored also leaves the box it covers on paper, in
  // store coordinates, in FTextBoxes (a mask ring is drawn around them).
  bool FKeepTextBoxes = false;
  std::vector<Envelope> FTextBoxes;
  // The box (store coordinates) a text covers on paper: its lines at the
  // font's height, a GBK byte taking 0.55 of the height, its character
  // spacing, placed by its alignment at `at`.
  Envelope TextBox(const FrameText& text);

 private:
  void StoreLine(LineKind kind, StorePoint from, StorePoint to);
  void StoreText(const std::string& text, const FontDesc& font, StorePoint at);

  // The labels of the corner at the planar position `at`: of its geographic
  // values when given, else of the position itself (turned into latitude
  // and longitude unless the labels are planar).
  void LabelCornerAt(int corner, PlanarXY at, std::optional<LatLon> geographic);
  // The input's reference with the frame domain, made once per input class.
  const SpatialReference& InputFrameReference(const FrameInput& input);

  // The frames finished, whether on disk yet or held by the store, and
  // the counts when every one of them was on disk; frames finished but not
  // yet told done (FOnFrameDone).
  void UpdateKeptFrames();
  void TellKeptFrames();
  struct UntoldFrame {
    int done = 0, total = 0;
    std::string name;
    Counts counts;  // the run's counts when the frame was finished
  };
  int FFramesFinished = 0;
  Counts FKeptCounts;  // the run's counts up to the last frame on disk
  std::deque<UntoldFrame> FUntold;
  int FTold = 0;  // frames told so far
  std::vector<std::string> FKeptNames;
  int FFeatureDone = 0, FFeatureTotal = 0;  // of the feature being framed in a file run

  // Places a paper drawing with its anchor at `at`, lines of `kind`, texts
  // in `font`.
  void DrawOnPaper(const PaperDrawing& drawing, PlanarXY at, LineKind kind, const FontDesc& font);
  // The geomagnetic model of the run, read once.
  std::optional<GeomagneticModel> FMagneticModel;

  bool FGridWarned = false;
  bool FAborted = false;
  bool FFrameOpen = false;  // a frame was created and is not yet finished or undone
  Counts FFrameStart;       // the counts before the current frame
  std::string FFrameName;
  const void* FFrameReferenceOf = nullptr;
  SpatialReference FFrameReference;
};

// The drawing of the current frame, open while this lives: the line path and
// the text batch are closed by end(), or by the destructor when drawing
// failed (a failure of its own then gives way to the error in flight).
class FrameDrawing {
 public:
  explicit FrameDrawing(TtkBaseClass& builder) : builder_(builder) { builder_.BeginFrameDrawing(); }
  ~FrameDrawing();
  FrameDrawing(const FrameDrawing&) = delete;
  FrameDrawing& operator=(const FrameDrawing&) = delete;
  // Closes the drawing; the store's RunError when it fails.
  void end();

 private:
  TtkBaseClass& builder_;
  bool open_ = true;
};

}  // namespace tarvik
