#include "gdb/shared_store.h"

#include <ogr_spatialref.h>

#include <algorithm>
#include <optional>

#include "common/delphi.h"
#include "common/error.h"
#include "common/text_util.h"
#include "gdb/annotation.h"
#include "gdb/class_state.h"
#include "gdb/fdb_index_list.h"
#include "gdb/frame_catalog.h"
#include "gdb/gdb_checkpoint.h"
#include "gdb/geopackage_sql.h"
#include "gdb/output_layout.h"

namespace tarvik {

namespace {

using Clock = std::chrono::steady_clock;

// A batch gathers frames for at least this long, and on a File GDB for
// kWriteShare times as long as writing the last batch took (a share of
// 1 / kWriteShare of the run at most), but never more frames or longer
// than the limits the writer was made with (SharedBatchLimits): what a
// kill can lose stays bounded however long the run.
constexpr double kMinBatchSeconds = 0.25;
constexpr double kWriteShare = 16;

// SQLite's page cache of a GeoPackage in the shared layout, in KiB.
constexpr int kCacheKiB = 4096;

double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// The XY domain of the shared classes: the whole zone of a Gauss-Krueger
// system (1000 km either side of its false easting, from 1000 km south of
// the equator to the pole), the globe for a geographic one.
SpatialReference WithZoneDomain(SpatialReference ref) {
  if (ref.empty()) return ref;
  if (ref.isGeographic()) {
    ref.setDomain(-180, 180, -90, 90);
  } else {
    const double falseEasting = ref.ogr()->GetNormProjParm(SRS_PP_FALSE_EASTING, 0);
    ref.setDomain(falseEasting - 1e6, falseEasting + 1e6, -1e6, 1e7);
  }
  return ref;
}

std::string Quoted(const std::string& s, char quote) {
  std::string out(1, quote);
  for (char c : s) {
    out.push_back(c);
    if (c == quote) out.push_back(quote);
  }
  out.push_back(quote);
  return out;
}

void Execute(GDALDataset* ds, const std::string& sql) {
  gdal::Quietly([&] {
    if (OGRLayer* result = ds->ExecuteSQL(sql.c_str(), nullptr, nullptr)) ds->ReleaseResultSet(result);
    return 0;
  });
}

// The store's record of the features the current batch added to a class.
detail::Store::Touched* TouchedOf(detail::Store& store, const std::string& cls) {
  for (auto& t : store.touched)
    if (t.name == cls) return &t;
  return nullptr;
}

const char* const kClassNames[] = {kSharedLineClass, kSharedPolygonClass, kSharedTextClass};

}  // namespace

SharedFrameWriter::SharedFrameWriter(OutputWorkspace workspace, SharedBatchLimits limits)
    : workspace_(std::move(workspace)), limits_(limits) {
  if (!workspace_.isOpen()) return;
  // The page cache the store sets for thousands of frame classes would
  // here fill with the pages of the growing shared classes, which are
  // written once at their end and not read again: the memory of a run
  // grew with its output (10 000 sheets: 100 MB more than 1000). SQLite's
  // sort that builds the FrameName index at the close is held to the same.
  if (workspace_.kind() == OutputKind::GeoPackage)
    detail::gpkg::Execute(workspace_.store()->ds.get(), "PRAGMA cache_size = -" + std::to_string(kCacheKiB));
  openClasses();
  for (const std::string& taken : workspace_.store()->names)
    if (!taken.empty() && taken[0] == 'Y') admitted_.insert(taken);
  if (!classes_.empty()) {
    systemSet_ = true;
    systemRef_ = ref_;
    systemScale_ = referenceScale_;
  }
  // A File GDB is saved as it is before anything is written: a run killed
  // before its first batch is on disk leaves it so (new: empty).
  if (workspace_.kind() == OutputKind::FileGdb) {
    detail::SaveCheckpoint(workspace_.path());
    workspace_.store()->checkpointed = true;
  }
}

SharedFrameWriter::~SharedFrameWriter() {
  try {
    close();
  } catch (...) {}
}

void SharedFrameWriter::openClasses() {
  detail::Store& store = *workspace_.store();
  std::optional<detail::CatalogRow> rows[3];
  detail::ForEachCatalogRow(store.catalog, [&](const detail::CatalogRow& row) {
    if (row.frameField.empty()) return;
    if (row.kind == "frame") admitted_.insert(ToUpperAscii("y" + row.frame));
    if (row.kind == "line") rows[0] = row;
    if (row.kind == "polygon") rows[1] = row;
    if (row.kind == "annotation") rows[2] = row;
  });
  if (!rows[0] && !rows[1] && !rows[2]) return;
  for (int i = 0; i < 3; ++i) {
    OGRLayer* layer = rows[i] ? store.ds->GetLayerByName(rows[i]->item.c_str()) : nullptr;
    if (!layer) throw RunError("输出" + store.path + "中的共用图层" + kClassNames[i] + "缺失，不能加入图廓");
    auto state = std::make_shared<detail::ClassState>();
    state->store = workspace_.store();
    state->layer = layer;
    state->generation = store.generation;
    state->name = layer->GetName();
    state->kind = i == 0   ? FrameClassKind::Line
                  : i == 1 ? FrameClassKind::Polygon
                           : FrameClassKind::Annotation;
    state->annotation = i == 2;
    state->referenceScale = rows[i]->referenceScale;
    state->ref = SpatialReference::FromWkt(rows[i]->srsWkt);
    if (rows[i]->hasDomain && !state->ref.empty())
      state->ref.setDomain(rows[i]->domainXMin, rows[i]->domainXMax, rows[i]->domainYMin,
                           rows[i]->domainYMax);
    state->domain = state->ref.domain();
    state->idField = layer->GetLayerDefn()->GetFieldIndex("ID");
    classes_.emplace_back(state);
  }
  ref_ = classes_[0].spatialReference();
  referenceScale_ = classes_[2].referenceScale();
  epsg_ = ref_.epsgCode();
}

void SharedFrameWriter::makeClasses(const SpatialReference& frameRef, double referenceScale) {
  const auto& store = workspace_.store();
  OGRLayer* catalog = detail::EnsureCatalog(*store);
  if (!catalog || !detail::AddSharedLayoutColumns(catalog)) store->fail(detail::kCatalogTable);
  const SpatialReference ref = WithZoneDomain(frameRef);
  detail::CatalogRow row = detail::RowFor(kSharedDataset, kSharedDataset, "dataset", ref);
  row.frame.clear();
  row.frameField = kFrameNameField;
  store->addCatalogRow(row);
  store->addName(kSharedDataset);
  const FrameDataset dataset{kSharedDataset, ref, store, std::make_shared<const detail::CatalogRow>(row)};
  std::vector<FeatureClass> made;
  made.push_back(CreateFrameClass(dataset, kSharedLineClass, FrameClassKind::Line));
  made.push_back(CreateFrameClass(dataset, kSharedPolygonClass, FrameClassKind::Polygon));
  made.push_back(CreateFrameAnnotationClass(workspace_, kSharedTextClass, dataset, referenceScale));
  for (FeatureClass& cls : made) {
    OGRFieldDefn field(kFrameNameField, OFTString);
    if (!detail::AddField(*cls.state(), field)) throw RunError("不能创立表" + cls.name());
    // A frame that fails is undone by removing its features from the
    // classes, which the store then needs to record, also in the batch
    // that made the classes.
    if (detail::Store::Touched* t = TouchedOf(*store, cls.name())) t->created = false;
  }
  classes_ = std::move(made);
  ref_ = ref;
  referenceScale_ = referenceScale;
  epsg_ = ref_.epsgCode();
  madeClasses_ = true;
}

void SharedFrameWriter::checkSystem(const SpatialReference& ref, double referenceScale,
                                    const std::string& name) {
  const std::string& path = workspace_.path();
  if (referenceScale != systemScale_)
    throw RunError("共用图层的输出" + path + "中的图廓是1:" + FloatToStr(systemScale_) + "，图廓" + name +
                   "是1:" + FloatToStr(referenceScale) + "；不同比例尺的图廓请输出到不同的文件");
  // The frames of a run share one reference object: it is compared once.
  if (ref.ogr() == checkedRef_ && ref.epsgCode() == checkedEpsg_) return;
  const bool same = ref.empty() == systemRef_.empty() && (ref.empty() || ref.ogr()->IsSame(systemRef_.ogr()));
  if (!same)
    throw RunError("共用图层的输出只能有一个坐标系统：" + path + "中的图廓是" + systemRef_.name() + "，图廓" +
                   name + "是" + (ref.empty() ? std::string("没有坐标系统") : ref.name()) +
                   "。请按坐标系统（分带）分别输出到不同的文件，或每幅一组图层输出（--layout per-frame）");
  checkedRef_ = ref.ogr();
  checkedEpsg_ = ref.epsgCode();
}

bool SharedFrameWriter::admit(const std::string& name, const SpatialReference& ref, double referenceScale) {
  if (name.empty()) return false;
  const std::string key = ToUpperAscii("y" + name);
  if (admitted_.count(key)) return false;
  if (systemSet_) {
    checkSystem(ref, referenceScale, name);
  } else {
    // The first frame's system becomes the classes': their dataset's name
    // is taken from now on.
    systemSet_ = true;
    systemRef_ = ref;
    systemScale_ = referenceScale;
    admitted_.insert(ToUpperAscii(kSharedDataset));
  }
  admitted_.insert(key);
  return true;
}

void SharedFrameWriter::release(const std::string& name) { admitted_.erase(ToUpperAscii("y" + name)); }

SharedFrameClasses SharedFrameWriter::beginFrame(const std::string& name, const SpatialReference& ref,
                                                 double referenceScale) {
  madeClasses_ = false;
  const auto& store = workspace_.store();
  if (!store || !store->open()) throw RunError("输出已关闭，不能写入图廓" + name);
  if (store->broken()) throw RunError(store->failure);
  if (frameOpen_) abandonFrame();
  // A File GDB batch that runs out of space cannot be undone whole (its
  // features are removed one by one, which a full disk refuses): the batch
  // is written while there is room, and the next one refused.
  if (batchOpen_ && store->kind == OutputKind::FileGdb && store->lowOnSpace()) writeBatch();
  if (!batchOpen_) {
    store->beginFrame();
    batchOpen_ = true;
    batchStart_ = Clock::now();
  }
  if (classes_.empty()) makeClasses(ref, referenceScale);
  frame_ = name;
  frameOpen_ = true;
  marks_.clear();
  for (FeatureClass& cls : classes_) {
    const detail::Store::Touched* t = TouchedOf(*store, cls.name());
    marks_.push_back(t ? t->fids.size() : 0);
    // Every feature written through the class's scratch feature carries
    // the frame's name: set once here, kept by the feature afterwards.
    detail::ClassState& state = *cls.state();
    if (!state.live()) throw RunError("不能写入" + cls.name());
    OGRFeature* f = state.scratchFeature();
    f->SetField(f->GetFieldIndex(kFrameNameField), name.c_str());
  }
  return SharedFrameClasses{classes_[0], classes_[1], classes_[2]};
}

void SharedFrameWriter::finishFrame(const std::optional<Envelope>& extent, const std::string& northDiagram) {
  if (!frameOpen_) return;
  frameOpen_ = false;
  detail::CatalogRow row;
  row.frame = frame_;
  row.dataset = kSharedDataset;
  row.item = frame_;
  row.kind = "frame";
  row.referenceScale = referenceScale_;
  row.referenceUnits = "meters";
  row.annotationClasses = "Default";
  row.epsg = epsg_;
  row.frameField = kFrameNameField;
  row.northDiagram = northDiagram;
  const auto& store = workspace_.store();
  for (std::size_t i = 0; i < classes_.size() && i < marks_.size(); ++i) {
    const detail::Store::Touched* t = TouchedOf(*store, classes_[i].name());
    if (!t || t->fids.size() <= marks_[i]) continue;
    const auto [first, last] =
        std::minmax_element(t->fids.begin() + static_cast<std::ptrdiff_t>(marks_[i]), t->fids.end());
    row.idFirst[i] = *first;
    row.idLast[i] = *last;
  }
  if (extent) {
    row.hasExtent = true;
    row.extentXMin = extent->xMin;
    row.extentYMin = extent->yMin;
    row.extentXMax = extent->xMax;
    row.extentYMax = extent->yMax;
  }
  store->addCatalogRow(row);
  ++held_;
  if (held_ >= limits_.frames || SecondsSince(batchStart_) >= std::min(batchSeconds_, limits_.seconds))
    writeBatch();
}

void SharedFrameWriter::writeBatch() {
  const auto start = Clock::now();
  try {
    workspace_.commit();
  } catch (...) {
    // The store undid the batch: its frames are lost, never reported.
    held_ = 0;
    batchOpen_ = false;
    throw;
  }
  batchOpen_ = false;
  // The batch is on disk, and counts once a kill could not lose it: on a
  // File GDB once its checkpoint is saved. A run that cannot save it (a full
  // disk) stops here, and its store is put back to the checkpoint before
  // (close()), which holds the frames told so far.
  if (workspace_.kind() == OutputKind::FileGdb) {
    try {
      if (!deferTried_) deferSpatialIndexes();
      detail::SaveCheckpoint(workspace_.path());
    } catch (const RunError& e) {
      held_ = 0;
      workspace_.store()->failure = e.what();
      throw;
    }
  }
  kept_ += held_;
  largestBatch_ = std::max(largestBatch_, held_);
  held_ = 0;
  batchSeconds_ = workspace_.kind() == OutputKind::FileGdb
                      ? std::max(kMinBatchSeconds, kWriteShare * SecondsSince(start))
                      : kMinBatchSeconds;
}

// Once the classes are on disk (their first batch), their spatial indexes
// are taken out of their lists: each flush of the run then writes rows
// without rebuilding an index over all of them. All three or none.
void SharedFrameWriter::deferSpatialIndexes() {
  deferTried_ = true;
  const auto& store = workspace_.store();
  std::vector<Deferred> deferred;
  for (const FeatureClass& cls : classes_) {
    OGRLayer* layer = cls.state() ? cls.state()->live() : nullptr;
    if (!layer || !*layer->GetGeometryColumn()) return;
    deferred.push_back({"", layer->GetGeometryColumn()});
  }
  store->reopen([&] {
    const auto stems = detail::FdbTableStems(store->path);
    for (std::size_t i = 0; i < classes_.size(); ++i) {
      const auto it = stems.find(ToUpperAscii(classes_[i].name()));
      if (it == stems.end()) return deferred.clear();
      deferred[i].stem = it->second;
    }
    for (std::size_t i = 0; i < deferred.size(); ++i) {
      if (detail::UnlistSpatialIndex(store->path, deferred[i].stem, deferred[i].field)) continue;
      // Listed again, the indexes taken out are rebuilt at the next flush.
      for (std::size_t k = 0; k <= i; ++k)
        detail::ListSpatialIndex(store->path, deferred[k].stem, deferred[k].field);
      return deferred.clear();
    }
  });
  deferred_ = std::move(deferred);
}

// Lists the deferred spatial indexes again and has GDAL build them, each
// from all of its class's rows; what came of each, for SettleSpatialIndex
// once the store is closed.
std::vector<detail::IndexBuild> SharedFrameWriter::buildSpatialIndexes() {
  std::vector<detail::IndexBuild> builds(deferred_.size());
  if (deferred_.empty()) return builds;
  const auto& store = workspace_.store();
  store->reopen([&] {
    for (const Deferred& d : deferred_) detail::ListSpatialIndex(store->path, d.stem, d.field);
  });
  for (std::size_t i = 0; i < deferred_.size(); ++i) {
    OGRLayer* layer = classes_[i].state()->live();
    if (!layer) continue;
    store->indexTransforms.stock(layer->GetSpatialRef());
    builds[i] = detail::RebuildListedIndexes(layer, store->path);
  }
  return builds;
}

void SharedFrameWriter::abandonFrame() {
  if (!frameOpen_) return;
  frameOpen_ = false;
  const auto& store = workspace_.store();
  if (!store || !store->open() || store->broken()) return;
  // As far as the store allows: a feature that cannot be removed (on a
  // failing disk) stays behind, unlisted.
  gdal::Quietly([&] {
    bool undone = true;
    for (std::size_t i = 0; i < classes_.size() && i < marks_.size(); ++i) {
      detail::Store::Touched* t = TouchedOf(*store, classes_[i].name());
      OGRLayer* layer = classes_[i].state()->live();
      if (!t || !layer) continue;
      for (std::size_t k = marks_[i]; k < t->fids.size(); ++k)
        undone = layer->DeleteFeature(t->fids[k]) == OGRERR_NONE && undone;
      t->fids.resize(std::min(t->fids.size(), marks_[i]));
    }
    return undone;
  });
}

// FrameName is indexed once the frames are written, for readers that pick
// a frame by its name (QGIS's filters): kept up to date during the run, the
// index would cost a third of a GeoPackage run, and the File GDB writer
// rebuilds every index of a class at every flush. Our own readers find a
// frame's features by their OBJECTIDs, indexed or not (a killed run leaves
// no index). An index that cannot be made costs readers time, not frames.
//
// GDAL's File GDB writer sorts the whole index in memory, some 30 bytes a
// feature (200 MB for the 6.7 million features of 60 000 sheets at 1:5000,
// 1 GB for 300 000): a class of more than kMaxIndexedFdbFeatures features
// stays without one, which costs attribute queries time, not the run its
// memory.
constexpr std::int64_t kMaxIndexedFdbFeatures = 2'000'000;

void SharedFrameWriter::indexFrameNames() {
  const auto& store = workspace_.store();
  for (const FeatureClass& cls : classes_) {
    if (store->kind == OutputKind::FileGdb) {
      // GDAL 3.6 writes the new index as the only one of a class it has
      // not yet read the indexes of (one it has not changed since it was
      // opened): an empty class, which needs none, gets none.
      OGRLayer* layer = cls.state() ? cls.state()->live() : nullptr;
      const auto count = layer ? layer->GetFeatureCount(FALSE) : 0;
      if (count == 0 || count > kMaxIndexedFdbFeatures) continue;
    }
    if (store->kind == OutputKind::GeoPackage)
      Execute(store->ds.get(), "CREATE INDEX IF NOT EXISTS " +
                                   Quoted(cls.name() + "_" + kFrameNameField, '"') + " ON " +
                                   Quoted(cls.name(), '"') + "(" + Quoted(kFrameNameField, '"') + ")");
    else
      Execute(store->ds.get(), "CREATE INDEX " + cls.name().substr(0, 1) + "_FrameName ON " + cls.name() +
                                   "(" + kFrameNameField + ")");
  }
}

void SharedFrameWriter::close() {
  if (frameOpen_) abandonFrame();
  const auto& store = workspace_.store();
  if (!store || !store->open()) return;
  if (store->broken()) {
    held_ = 0;
    const std::string path = workspace_.path();
    const bool checkpointed = store->checkpointed;
    workspace_.close();
    // What a failed batch left half written goes at once: the store is put
    // back to its last checkpoint, the frames told so far (should that fail,
    // the next open of the store does it).
    if (checkpointed) {
      try {
        detail::RecoverCheckpoint(path);
      } catch (const RunError&) {}
    }
    return;
  }
  try {
    if (batchOpen_ || held_ > 0) writeBatch();
    const std::vector<detail::IndexBuild> builds = buildSpatialIndexes();
    // Only a store this writer wrote frames to: on a File GDB whose classes
    // were only opened (a refused frame), GDAL 3.6 writes the new index as
    // the class's only one and drops the others (OBJECTID, Shape).
    if (!classes_.empty() && kept_ > 0) indexFrameNames();
    classes_.clear();
    const std::string path = workspace_.path();
    // Closing a File GDB whole drops its checkpoint (Store::close).
    workspace_.close();
    // An index GDAL did not build whole (a failing disk) is left unlisted.
    for (std::size_t i = 0; i < deferred_.size(); ++i)
      detail::SettleSpatialIndex(path, deferred_[i].stem, deferred_[i].field, builds[i]);
  } catch (...) {
    held_ = 0;
    classes_.clear();
    throw;
  }
}

}  // namespace tarvik
