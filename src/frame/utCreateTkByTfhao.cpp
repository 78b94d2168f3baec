#include "frame/utCreateTkByTfhao.h"

#include "common/text_util.h"
#include "coords/utBJ54Xian80.h"
#include "coords/zone_reach.h"
#include "gdb/frame_domain.h"
#include "sheets/sheet_neighbours.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

// A typed number has no attributes but itself: the names sheet-number
// fields go by give it ("[TFH]" in a subtitle), any other name nothing, so
// no placeholder is printed as written.
FieldLookup SheetNumberFields(const std::string& number) {
  return [number](const std::string& field) -> std::optional<std::string> {
    for (const char* name : {"TFH", "图幅号", "图号", "MAPNO"})
      if (EqualsNoCase(field, name)) return number;
    return std::nullopt;
  };
}

}  // namespace

TCreateTkByTfhao::TCreateTkByTfhao(const std::string& sheetNumber, const TFrameSettings& settings,
                                   RunValues run, std::unique_ptr<FrameStore> store, UserFeedback& feedback)
    : TstandardMap(settings, std::move(run), std::move(store), feedback), FMapNo(sheetNumber) {
  S.CreateMode = CreationMode::SheetNumber;
  FTypedSheetFields = SheetNumberFields(Trim(FMapNo));
}

TCreateTkByTfhao::TCreateTkByTfhao(const RectSheet& sheet, const TFrameSettings& settings, RunValues run,
                                   std::unique_ptr<FrameStore> store, UserFeedback& feedback)
    : TstandardMap(settings, std::move(run), std::move(store), feedback), FMapNo(sheet.number()) {
  S.CreateMode = CreationMode::SheetNumber;
  FRectSheet = sheet;
  FTypedSheetFields = SheetNumberFields(FMapNo);
}

long double TCreateTkByTfhao::ScaleOfIndex(int scaleIndex) {
  return static_cast<long double>(ScaleDenominatorOfIndex(scaleIndex)) / 10000;
}

void TCreateTkByTfhao::Run() {
  SetZoneNumberText();
  if (!PrepareCorners()) return;
  // A meridian chosen for other data would put the frame far off its sheet.
  if (FRectSheet)
    CheckRectSheetCoordinates(FCoords, *FRectSheet);
  else
    CheckLongitudeReach(FCoords, FSheetLon, FSheetLon + FSheetWidth, "图幅" + FMapNo);
  try {
    MakeSpatialReference();
    {
      FrameDrawing drawing(*this);
      DrawFrame();
      drawing.end();
    }
    FinishFrame();
  } catch (...) {
    AbandonFrame();
    throw;
  }
}

bool TCreateTkByTfhao::PrepareCorners() {
  if (FRectSheet) return PrepareRectCorners();
  const std::string number = NormalizeMapNo(FMapNo, FFeedback);
  if (number.empty()) return false;
  const auto extent = DecodeMapNo(number, FFeedback);
  if (!extent) return false;
  // The sheet's own scale replaces the typed one, the frame gap included (the
  // gap is a distance on paper, so a 1:100,000 sheet gets a band ten times
  // wider on the ground than a 1:10,000 one).
  S.ScaleFactor = ScaleOfIndex(extent->scaleIndex);
  FFrameGap = S.senw * S.ScaleFactor;
  FSheetLon = extent->westLon;
  FSheetLat = extent->southLat;
  FSheetWidth = extent->lonSize;
  FSheetHeight = extent->latSize;
  const long double lon[4] = {FSheetLon, FSheetLon, FSheetLon + FSheetWidth, FSheetLon + FSheetWidth};
  const long double lat[4] = {FSheetLat, FSheetLat + FSheetHeight, FSheetLat + FSheetHeight, FSheetLat};
  for (std::size_t i = 0; i < 4; ++i) {
    if (S.GeodeticOutput)
      FInnerGeo[i] = {lat[i], lon[i]};
    else
      FInner[i] = GeoToPlanar(lat[i], lon[i]);
  }
  ComputeOuterCorners();
  // A number the codec read but that names no sheet just has no neighbours.
  FNeighbourNumbers = SheetNeighbours(number).value_or(NeighbourNumbers{});
  return true;
}

bool TCreateTkByTfhao::PrepareRectCorners() {
  // Rectangular sheets are planar by nature; their grid may be a local one
  // that no longitude and latitude belong to.
  if (S.GeodeticOutput) {
    FFeedback.message("矩形图幅" + FMapNo + "只能输出平面(XY)坐标");
    return false;
  }
  S.ScaleFactor = static_cast<long double>(FRectSheet->denominator) / 10000;
  FFrameGap = S.senw * S.ScaleFactor;
  const auto west = static_cast<long double>(FRectSheet->west());
  const auto south = static_cast<long double>(FRectSheet->south());
  const long double east = west + FRectSheet->ySize(), north = south + FRectSheet->xSize();
  FInner = {PlanarXY{south, west}, PlanarXY{north, west}, PlanarXY{north, east}, PlanarXY{south, east}};
  ComputeOuterCorners();
  FNeighbourNumbers = RectNeighbours(*FRectSheet);
  return true;
}

void TCreateTkByTfhao::MakeSpatialReference() {
  SpatialReference reference;
  if (S.GeodeticOutput) {
    reference = MakeGeographicReference(FCoords.datum, FFeedback);
  } else {
    long double eMin, nMin, eMax, nMax;
    InnerEnvelope(eMin, nMin, eMax, nMax);
    reference = MakeProjectedReference(FCoords, FFeedback);
    SetFrameDomain(reference, S.ScaleFactor, static_cast<double>(eMin), static_cast<double>(nMin),
                   static_cast<double>(eMax), static_cast<double>(nMax));
  }
  CreateOutputClasses(FMapNo, reference);
}

}  // namespace tarvik
