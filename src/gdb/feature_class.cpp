#include "gdb/feature_class.h"

#include <ogr_spatialref.h>

#include <cmath>

#include "common/error.h"
#include "common/text_util.h"
#include "gdb/class_state.h"
#include "gdb/frame_catalog.h"
#include "gdb/frame_marker.h"
#include "gdb/query_index.h"

namespace tarvik {

namespace detail {

ClassState::~ClassState() = default;

OGRLayer* ClassState::live() const {
  if (!store || !store->open()) return nullptr;
  if (generation != store->generation) {
    scratch.reset();
    layer = store->ds->GetLayerByName(name.c_str());
    generation = store->generation;
  }
  return layer;
}

OGRFeature* ClassState::scratchFeature() {
  if (!scratch) scratch.reset(OGRFeature::CreateFeature(live()->GetLayerDefn()));
  scratch->SetFID(OGRNullFID);
  return scratch.get();
}

bool AddField(ClassState& cls, OGRFieldDefn& field) {
  if (Succeeds([&] { return cls.layer->CreateField(&field); })) return true;
  if (DiskFull(cls.store->path)) cls.store->fail(cls.name);
  return false;
}

bool InsideDomain(const ClassState& cls, const OGREnvelope& e) {
  if (!cls.domain.set) return true;
  return e.MinX >= cls.domain.xMin && e.MaxX <= cls.domain.xMax && e.MinY >= cls.domain.yMin &&
         e.MaxY <= cls.domain.yMax;
}

bool InsertScratch(ClassState& cls) {
  OGRLayer* layer = cls.live();
  if (!layer) return false;
  Store& store = *cls.store;
  if (store.broken()) return false;
  if (Succeeds([&] { return layer->CreateFeature(cls.scratch.get()); })) {
    store.addFeature(layer, cls.name, cls.scratch->GetFID());
    return true;
  }
  // A feature the store refuses is told and skipped; a full disk ends the run.
  if (DiskFull(store.path)) store.fail(cls.name);
  return false;
}

}  // namespace detail

namespace {

const char* KindName(FrameClassKind kind) {
  switch (kind) {
    case FrameClassKind::Line:
      return "line";
    case FrameClassKind::Polygon:
      return "polygon";
    case FrameClassKind::Annotation:
      return "annotation";
    default:
      return "other";
  }
}

// A multi-part geometry of one part becomes that part, so that GeoPackage
// line and polygon columns receive the type they declare.
const OGRGeometry* SinglePart(const OGRGeometry* g) {
  if (!g) return g;
  const auto t = wkbFlatten(g->getGeometryType());
  if ((t == wkbMultiLineString || t == wkbMultiPolygon) && g->toGeometryCollection()->getNumGeometries() == 1)
    return g->toGeometryCollection()->getGeometryRef(0);
  return g;
}

// Writes one geometry with its ID through the class's scratch feature.
bool WriteOne(detail::ClassState& cls, const OGRGeometry* geometry, std::int32_t id) {
  if (!cls.live()) return false;
  if (geometry && !geometry->IsEmpty()) {
    OGREnvelope e;
    geometry->getEnvelope(&e);
    if (!detail::InsideDomain(cls, e)) return false;
  }
  OGRFeature* f = cls.scratchFeature();
  f->SetGeometry(SinglePart(geometry));
  if (cls.idField >= 0) f->SetField(cls.idField, id);
  return detail::InsertScratch(cls);
}

std::string CleanClassName(const std::string& name) {
  std::string out = name;
  for (char& c : out)
    if (c == '.' || c == '-') c = '_';
  return out;
}

}  // namespace

std::string FeatureClass::name() const { return state_ ? state_->name : std::string(); }
FrameClassKind FeatureClass::kind() const { return state_ ? state_->kind : FrameClassKind::Other; }
bool FeatureClass::isAnnotation() const { return state_ && state_->annotation; }
double FeatureClass::referenceScale() const { return state_ ? state_->referenceScale : 0; }
SpatialReference FeatureClass::spatialReference() const { return state_ ? state_->ref : SpatialReference(); }
SpatialReference::Domain FeatureClass::domain() const {
  return state_ ? state_->domain : SpatialReference::Domain{};
}

std::optional<FrameDataset> CreateFrameDataset(OutputWorkspace& workspace, const std::string& rawName,
                                               const SpatialReference& ref) {
  const std::string name = CleanClassName(rawName);  // the same rule as the classes it holds
  const auto& store = workspace.store();
  if (!store || !store->open() || name.empty() || store->nameTaken(name)) return std::nullopt;
  store->beginFrame();
  // Noted before its classes are made: a kill leaves them half written.
  if (store->kind == OutputKind::FileGdb && store->output) detail::NoteFrameInProgress(store->path, name);
  auto row = std::make_shared<const detail::CatalogRow>(detail::RowFor(name, name, "dataset", ref));
  store->addCatalogRow(*row);
  store->addName(name);
  return FrameDataset{name, ref, store, std::move(row)};
}

namespace detail {

std::shared_ptr<ClassState> CreateClassIn(const FrameDataset& dataset, const std::string& name,
                                          FrameClassKind kind, const std::string& documentation) {
  const auto& store = dataset.store;
  if (!store || !store->open() || name.empty() || store->nameTaken(name)) return nullptr;
  const SpatialReference& ref = dataset.ref;
  gdal::Options options;
  options.set("GEOMETRY_NAME", "Shape");
  options.set("FID", "OBJECTID");
  options.set("GEOMETRY_NULLABLE", "YES");
  if (store->kind == OutputKind::FileGdb) {
    options.set("FEATURE_DATASET", dataset.name);
    if (!ref.empty()) {
      const double resolution = ref.xyResolution();
      options.set("XYSCALE", gdal::NumberText(std::round(1.0 / resolution)));
      // Ten times the resolution: the tolerance ArcGIS gives high-precision
      // references (0.001 m, about 1e-8 degree).
      options.set("XYTOLERANCE", gdal::NumberText(resolution * 10));
      if (ref.domain().set) {
        options.set("XORIGIN", gdal::NumberText(ref.domain().xMin));
        options.set("YORIGIN", gdal::NumberText(ref.domain().yMin));
      }
    }
    if (!documentation.empty()) options.set("DOCUMENTATION", documentation);
  } else {
    // Frame classes hold a few hundred features each: an R-tree would not
    // speed up anything and adds five tables and seven triggers per class
    // to the file's schema, which slows every later class down.
    options.set("SPATIAL_INDEX", "NO");
    if (!documentation.empty()) options.set("DESCRIPTION", documentation);
  }
  const OGRwkbGeometryType type = kind == FrameClassKind::Line      ? wkbLineString
                                  : kind == FrameClassKind::Polygon ? wkbPolygon
                                                                    : wkbPoint;
  OGRSpatialReference* srs = ref.empty() ? nullptr : const_cast<OGRSpatialReference*>(ref.ogr());
  OGRLayer* layer = gdal::Quietly([&] {
    gdal::QuickIdentification quick;
    return store->ds->CreateLayer(name.c_str(), srs, type, options.get());
  });
  if (!layer || CPLGetLastErrorType() >= CE_Failure) {
    if (DiskFull(store->path)) store->fail(name);
    return nullptr;
  }
  auto state = std::make_shared<ClassState>();
  state->store = store;
  state->layer = layer;
  state->generation = store->generation;
  state->name = layer->GetName();
  state->kind = kind;
  state->annotation = kind == FrameClassKind::Annotation;
  state->ref = ref;
  state->domain = ref.domain();
  store->addName(name);
  store->addName(state->name);
  store->addFrameTable(layer, state->name);
  return state;
}

}  // namespace detail

FeatureClass CreateFrameClass(const FrameDataset& dataset, const std::string& rawName, FrameClassKind kind) {
  const std::string name = CleanClassName(rawName);
  const auto fail = [&]() -> FeatureClass { throw RunError("不能创立表" + name); };
  if (kind != FrameClassKind::Line && kind != FrameClassKind::Polygon) return fail();
  auto state = detail::CreateClassIn(dataset, name, kind, "");
  if (!state) return fail();
  OGRFieldDefn id("ID", OFTInteger);
  if (!detail::AddField(*state, id)) return fail();
  state->idField = state->layer->GetLayerDefn()->GetFieldIndex("ID");
  auto row = dataset.row ? detail::ClassRow(*dataset.row, state->name, KindName(kind))
                         : detail::RowFor(dataset.name, state->name, KindName(kind), dataset.ref);
  state->store->addCatalogRow(row);
  return FeatureClass(state);
}

bool StoreFrameFeature(FeatureClass& cls, const Geometry& geometry, std::int32_t id, UserFeedback& feedback) {
  const bool ok = cls.state() && WriteOne(*cls.state(), geometry.ogr(), id);
  if (!ok) feedback.message("保存失败");
  return ok;
}

LineBuffer::LineBuffer(FeatureClass cls, UserFeedback& feedback) : cls_(std::move(cls)), feedback_(feedback) {
  pending_.reserve(1024);
}

LineBuffer::~LineBuffer() {
  try {
    flush();
  } catch (...) {}
}

namespace {
constexpr std::size_t kLineBufferLimit = 4096;
}

bool LineBuffer::add(double x1, double y1, double x2, double y2, std::int32_t id) {
  const auto* state = cls_.state().get();
  OGREnvelope e;
  e.MinX = std::min(x1, x2);
  e.MaxX = std::max(x1, x2);
  e.MinY = std::min(y1, y2);
  e.MaxY = std::max(y1, y2);
  if (!state || !detail::InsideDomain(*state, e) || x1 != x1 || x2 != x2 || y1 != y1 || y2 != y2) {
    feedback_.message("保存失败");
    return false;
  }
  pending_.push_back({x1, y1, x2, y2, id, std::nullopt});
  if (pending_.size() >= kLineBufferLimit) flush();
  return true;
}

bool LineBuffer::add(const Geometry& line, std::int32_t id) {
  const auto* state = cls_.state().get();
  bool ok = state != nullptr;
  if (ok && !line.isEmpty()) {
    OGREnvelope e;
    line.ogr()->getEnvelope(&e);
    ok = detail::InsideDomain(*state, e);
  }
  if (!ok) {
    feedback_.message("保存失败");
    return false;
  }
  pending_.push_back({0, 0, 0, 0, id, line});
  if (pending_.size() >= kLineBufferLimit) flush();
  return true;
}

int LineBuffer::flush() {
  if (pending_.empty()) return 0;
  std::vector<Entry> entries;
  entries.swap(pending_);
  pending_.reserve(1024);
  int refused = 0;
  auto& state = *cls_.state();
  // After a failure of the whole store the frame is undone anyway.
  if (state.store->broken()) return 0;
  for (const auto& entry : entries) {
    bool ok = false;
    if (state.live()) {
      if (entry.geometry) {
        ok = WriteOne(state, entry.geometry->ogr(), entry.id);
      } else {
        OGRFeature* f = state.scratchFeature();
        OGRGeometry* g = f->GetGeometryRef();
        if (!g || wkbFlatten(g->getGeometryType()) != wkbLineString) {
          f->SetGeometryDirectly(new OGRLineString());
          g = f->GetGeometryRef();
        }
        OGRLineString* line = g->toLineString();
        line->setNumPoints(2, FALSE);
        line->setPoint(0, entry.x1, entry.y1);
        line->setPoint(1, entry.x2, entry.y2);
        if (state.idField >= 0) f->SetField(state.idField, entry.id);
        ok = detail::InsertScratch(state);
      }
    }
    if (!ok) {
      ++refused;
      feedback_.message("保存失败");
    }
  }
  return refused;
}

}  // namespace tarvik
