// The run of the standard-sheet builder over a sheet index file: one frame
// per selected sheet, the corners read from the sheet polygon, the names of
// the neighbouring sheets looked up in the same index.
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>

#include "common/error.h"
#include "frame/index_sheet_names.h"
#include "frame/input_checks.h"
#include "frame/utstandardMap.h"
#include "gdb/class_queries.h"
#include "gdb/envelope_grid.h"
#include "sheets/sheet_index.h"

namespace tarvik {

namespace {

// Every sheet of an index in another system, in the run's system, with the
// name the adjacent-sheet table gives it.
struct ReprojectedSheets {
  std::vector<Geometry> shapes;
  std::vector<std::string> names;
  EnvelopeGrid grid;

  std::string nameAt(double x, double y) const {
    const Geometry point = MakePoint(x, y);
    for (const std::size_t i : grid.candidates(Envelope{x, y, x, y}))
      if (shapes[i].intersects(point)) return names[i];
    return {};
  }
};

std::shared_ptr<ReprojectedSheets> ReadReprojectedSheets(const FeatureClass& index,
                                                         InputReprojection& reprojection,
                                                         const std::string& nameField) {
  auto sheets = std::make_shared<ReprojectedSheets>();
  std::vector<Envelope> envelopes;
  ReadSelectedFeatures(index, "", [&](const Feature& feature) {
    auto shape = reprojection.shapeOf(feature);
    const Geometry* g = std::get_if<Geometry>(&shape);
    if (!g || g->isEmpty() || !g->isFinite()) return;
    envelopes.push_back(g->envelope());
    sheets->shapes.push_back(*g);
    sheets->names.push_back(FieldValueText(feature, nameField));
  });
  sheets->grid = EnvelopeGrid(envelopes);
  return sheets;
}

FrameInput OpenIndex(const std::string& inputPath) {
  FrameInput in;
  if (inputPath.empty()) return in;
  std::error_code ec;
  if (!std::filesystem::exists(inputPath, ec)) throw RunError("文件" + inputPath + "不存在");
  in.path = inputPath;
  in.cls = OpenShapefileClass(inputPath);
  // A file that exists but does not open is told as such, not as a missing
  // coordinate system.
  if (!in.cls) throw RunError("不能打开" + inputPath + "，它不是可以读取的shapefile");
  if (DatasetSpatialReference(in.cls).empty()) throw RunError(inputPath + "必须设置坐标系统");
  return in;
}

}  // namespace

TstandardMap::TstandardMap(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
                           UserFeedback& feedback, const std::string& inputPath)
    : TstandardMap(settings, std::move(run), std::move(store), feedback, OpenIndex(inputPath)) {}

TstandardMap::TstandardMap(const TFrameSettings& settings, RunValues run, std::unique_ptr<FrameStore> store,
                           UserFeedback& feedback, FrameInput input)
    : TtkBaseClass(settings, std::move(run), std::move(store), feedback) {
  S.CreateMode = CreationMode::SheetIndex;
  if (!input.cls) return;
  FInputPath = input.path;
  FInputClass = input.cls;
  FInput = std::move(input);
  // Neighbour names of the adjacent-sheet table: the sheet of the index that
  // holds the sample point. The first lookup reads the index into memory
  // with a grid of envelopes, so every later one costs the same however
  // large the index is.
  // A standard sheet's neighbours are named by their numbers: the index is
  // read once into a table of its sheets by cell (the run's scale is known
  // by the first frame); the query above serves only where numbers do not
  // decode.
  FNeighbourNameOfCell = [this, names = std::shared_ptr<IndexSheetNames>()](
                             const std::optional<SheetCell>& cell) mutable {
    if (!names) {
      const int scaleIndex = ScaleIndexOfDenominator(std::lround(static_cast<double>(S.ScaleFactor * 10000)));
      names = std::make_shared<IndexSheetNames>(FInputClass, FInput.reprojection.get(), S.edtField, FCoords,
                                                S.GeodeticOutput, scaleIndex);
    }
    return names->nameOf(cell);
  };
  if (FInput.reprojection) {
    // An index in another system: its sheets as the run sees them, read
    // into memory at the first lookup.
    FNeighbourName = [this, sheets = std::shared_ptr<ReprojectedSheets>()](double x, double y) mutable {
      if (!sheets) sheets = ReadReprojectedSheets(FInputClass, *FInput.reprojection, S.edtField);
      return sheets->nameAt(x, y);
    };
    return;
  }
  FNeighbourName = [this](double x, double y) -> std::string {
    const QueryResult found = QueryFeatures(FInputClass, MakePoint(x, y), "", QueryLimit::First);
    if (found.count <= 0 || found.features.empty()) return {};
    return FieldValueText(found.features.front(), S.edtField);
  };
}

void TstandardMap::Run() {
  CheckPolygonInput(FInputClass, FInputPath);
  // A reprojected index reaches the builder in the run's system.
  if (!FInput.reprojection && !FInput.systemSettled)
    CheckIndexCoordinates(DatasetSpatialReference(FInputClass), FInputPath, S.GeodeticOutput);
  RunFeatures(FInput, [this](const Feature& feature) {
    FSheetShape = feature.geometry();
    FrameSheet();
  });
}

void TstandardMap::FrameSheet() {
  if (ReadSheetCorners()) DrawFrame();
}

int TstandardMap::NearestVertex(long double E, long double N, const std::array<Point2, 4>& vertices) {
  // Any finite sum beats the start, however far the vertices lie.
  long double best = std::numeric_limits<long double>::infinity();
  int result = 0;
  for (int i = 0; i < 4; ++i) {
    const long double d = std::fabs(E - vertices[static_cast<std::size_t>(i)].x) +
                          std::fabs(N - vertices[static_cast<std::size_t>(i)].y);
    if (d < best) {
      best = d;
      result = i;
    }
  }
  return result;
}

std::array<Point2, 4> TstandardMap::ShapeCorners(const Geometry& shape) {
  std::array<Point2, 4> v;
  for (std::size_t i = 0; i < 4; ++i) v[i] = shape.point(i);
  const Envelope env = shape.envelope();
  // Lower-left, upper-left, upper-right, lower-right.
  const double cornerE[4] = {env.xMin, env.xMin, env.xMax, env.xMax};
  const double cornerN[4] = {env.yMin, env.yMax, env.yMax, env.yMin};
  std::array<Point2, 4> corners;
  for (int i = 0; i < 4; ++i)
    corners[static_cast<std::size_t>(i)] =
        v[static_cast<std::size_t>(NearestVertex(cornerE[i], cornerN[i], v))];
  return corners;
}

bool TstandardMap::ReadSheetCorners() {
  if (PartCount(FSheetShape) != 1) {
    FFeedback.message("图形对象个数错误");
    return false;
  }
  const std::size_t n = FSheetShape.pointCount();
  if (n != 4 && n != 5) {
    FFeedback.message("对象节点个数错误,可能不是结合图表,因为接幅表只有4，或5个节点");
    return false;
  }
  const std::array<Point2, 4> corners = ShapeCorners(FSheetShape);
  for (std::size_t i = 0; i < 4; ++i) {
    const Point2& p = corners[i];
    // The index holds degrees in geographic mode, metres otherwise.
    if (S.GeodeticOutput)
      FInnerGeo[i] = {p.y, p.x};
    else
      FInner[i] = {p.y, p.x};
  }
  ComputeOuterCorners();
  IdentifySheet();
  return true;
}

}  // namespace tarvik
