#include "gdb/class_queries.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <system_error>

#include <ogr_spatialref.h>

#include "common/error.h"
#include "common/gbk.h"
#include "common/text_util.h"
#include "gdb/class_state.h"
#include "gdb/query_index.h"

namespace tarvik {

namespace detail {

// The next feature of an input, GDAL's complaints about damaged shapes kept
// off stderr: the runs check the input first and say what is wrong in
// their own words (ReadSelectedFeatures).
static OGRFeature* NextFeature(OGRLayer* layer) {
  return gdal::Quietly([&] { return layer->GetNextFeature(); });
}

std::shared_ptr<const std::vector<std::string>> FieldNamesOf(OGRLayer* layer) {
  auto names = std::make_shared<std::vector<std::string>>();
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i) names->push_back(defn->GetFieldDefn(i)->GetNameRef());
  return names;
}

Feature CopyFeature(OGRFeature* f, const std::shared_ptr<const std::vector<std::string>>& names) {
  std::vector<FieldValue> values(static_cast<std::size_t>(f->GetFieldCount()));
  for (int i = 0; i < f->GetFieldCount(); ++i) {
    if (!f->IsFieldSetAndNotNull(i)) continue;
    switch (f->GetFieldDefnRef(i)->GetType()) {
      case OFTInteger:
      case OFTInteger64:
        values[static_cast<std::size_t>(i)] = static_cast<std::int64_t>(f->GetFieldAsInteger64(i));
        break;
      case OFTReal:
        values[static_cast<std::size_t>(i)] = f->GetFieldAsDouble(i);
        break;
      default:
        values[static_cast<std::size_t>(i)] = std::string(f->GetFieldAsString(i));
        break;
    }
  }
  OGRGeometry* g = f->StealGeometry();
  return Feature(f->GetFID(), Geometry::Adopt(g), names, std::move(values));
}

QueryIndex::QueryIndex(OGRLayer* layer) {
  auto names = FieldNamesOf(layer);
  layer->SetSpatialFilter(nullptr);
  layer->SetAttributeFilter(nullptr);
  layer->ResetReading();
  std::vector<Envelope> envelopes;
  while (gdal::FeaturePtr f{detail::NextFeature(layer)}) {
    features_.push_back(CopyFeature(f.get(), names));
    const Geometry& g = features_.back().geometry();
    envelopes.push_back(g.isEmpty() || !g.isFinite() ? Envelope{1, 1, 0, 0}  // meets nothing
                                                     : features_.back().geometry().envelope());
  }
  layer->ResetReading();
  grid_ = EnvelopeGrid(envelopes);
}

}  // namespace detail

namespace {

bool IsShapefilePath(const std::string& path) { return EndsWithNoCase(path, ".shp"); }

bool HasCodePageFile(const std::filesystem::path& shp) {
  std::error_code ec;
  for (const char* ext : {".cpg", ".CPG", ".Cpg"}) {
    auto p = shp;
    p.replace_extension(ext);
    if (std::filesystem::is_regular_file(p, ec)) return true;
  }
  return false;
}

GDALDataset* OpenShapefile(const std::string& path, const char* encoding) {
  const char* drivers[] = {"ESRI Shapefile", nullptr};
  gdal::Options open;
  if (encoding) open.set("ENCODING", encoding);
  return gdal::Quietly([&] {
    return GDALDataset::FromHandle(GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers,
                                              encoding ? open.get() : nullptr, nullptr));
  });
}

// Whether every field name and text value of the layer is valid UTF-8.
bool AllTextIsUtf8(OGRLayer* layer) {
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  std::vector<int> textFields;
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    if (!IsValidUtf8(defn->GetFieldDefn(i)->GetNameRef())) return false;
    if (defn->GetFieldDefn(i)->GetType() == OFTString) textFields.push_back(i);
  }
  if (textFields.empty()) return true;
  layer->ResetReading();
  bool valid = true;
  while (valid) {
    gdal::FeaturePtr f{detail::NextFeature(layer)};
    if (!f) break;
    for (int i : textFields)
      if (f->IsFieldSetAndNotNull(i) && !IsValidUtf8(f->GetFieldAsString(i))) valid = false;
  }
  layer->ResetReading();
  return valid;
}

OGRLayer* Live(const FeatureClass& cls) { return cls.state() ? cls.state()->live() : nullptr; }

// Applies the where clause; RunError with the store's complaint when it is
// not valid.
void ApplyWhere(OGRLayer* layer, const std::string& where, const std::string& className) {
  const std::string w = Trim(where);
  const OGRErr err =
      gdal::Quietly([&] { return layer->SetAttributeFilter(w.empty() ? nullptr : w.c_str()); });
  if (err != OGRERR_NONE) {
    const std::string why = gdal::LastError("无法解析");
    layer->SetAttributeFilter(nullptr);
    throw RunError("查询条件错误(" + className + ")：" + where + "：" + why);
  }
}

std::vector<std::int64_t> SelectedFids(OGRLayer* layer, const std::string& where,
                                       const std::string& className) {
  ApplyWhere(layer, where, className);
  std::vector<std::int64_t> fids;
  layer->ResetReading();
  while (gdal::FeaturePtr f{detail::NextFeature(layer)}) fids.push_back(f->GetFID());
  layer->SetAttributeFilter(nullptr);
  layer->ResetReading();
  return fids;
}

bool IsSystemField(const std::string& name, bool annotation) {
  static const char* const kSystem[] = {"SHAPE_LENGTH", "SHAPE_LENG", "SHAPE_AREA", "SHAPE"};
  static const char* const kAnnotation[] = {"FEATUREID", "ELEMENT", "ANNOTATIONCLASSID", "ZORDER"};
  for (const char* s : kSystem)
    if (EqualsNoCase(name, s)) return true;
  if (annotation)
    for (const char* s : kAnnotation)
      if (EqualsNoCase(name, s)) return true;
  return false;
}

}  // namespace

FeatureClass OpenShapefileClass(const std::string& path) {
  std::error_code ec;
  if (!IsShapefilePath(path) || !std::filesystem::is_regular_file(path, ec)) return {};
  gdal::EnsureRegistered();
  const bool cpg = HasCodePageFile(path);
  gdal::DatasetPtr ds(OpenShapefile(path, cpg ? nullptr : ""));
  if (!ds || ds->GetLayerCount() < 1 || !ds->GetLayer(0)) return {};
  if (!cpg && !AllTextIsUtf8(ds->GetLayer(0))) {
    ds.reset(OpenShapefile(path, "CP936"));
    if (!ds || ds->GetLayerCount() < 1 || !ds->GetLayer(0)) return {};
  }
  auto store = std::make_shared<detail::Store>();
  store->path = path;
  store->output = false;
  store->ds = std::move(ds);
  auto state = std::make_shared<detail::ClassState>();
  state->store = store;
  state->layer = store->ds->GetLayer(0);
  state->name = state->layer->GetName();
  state->ref = SpatialReference::FromOgr(state->layer->GetSpatialRef());
  const OGRFeatureDefn* defn = state->layer->GetLayerDefn();
  state->annotation = defn->GetFieldIndex("TextString") >= 0 && defn->GetFieldIndex("AnnotationClassID") >= 0;
  state->kind = state->annotation ? FrameClassKind::Annotation : FrameClassKind::Other;
  return FeatureClass(state);
}

int ListAttributeFields(const FeatureClass& cls, std::vector<std::string>& list) {
  OGRLayer* layer = Live(cls);
  if (!layer) return static_cast<int>(list.size());
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  std::string fidName = layer->GetFIDColumn();
  if (fidName.empty() && !cls.state()->store->output) fidName = "FID";
  if (!fidName.empty() && defn->GetFieldIndex(fidName.c_str()) < 0) list.push_back(ToUpperAscii(fidName));
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    const std::string name = defn->GetFieldDefn(i)->GetNameRef();
    if (!IsSystemField(name, cls.isAnnotation())) list.push_back(ToUpperAscii(name));
  }
  return static_cast<int>(list.size());
}

bool ListIdentifyingFields(const std::string& shapefilePath, std::vector<std::string>& list,
                           UserFeedback& feedback) {
  FeatureClass cls = OpenShapefileClass(shapefilePath);
  if (!cls) {
    feedback.message("不能打开" + shapefilePath);
    return false;
  }
  const std::vector<std::string> fields = IdentifyingFields(cls);
  list.insert(list.end(), fields.begin(), fields.end());
  return true;
}

std::vector<std::string> IdentifyingFields(const FeatureClass& cls) {
  std::vector<std::string> fields;
  ListAttributeFields(cls, fields);
  OGRLayer* layer = Live(cls);
  if (!layer || fields.empty()) return fields;
  // One pass over the attributes (the shapes are not read) for every field
  // at once. Output names are compared without regard to letter case by
  // both stores: values that differ only in case cannot name different
  // frames; a feature without a value (null) names none.
  std::vector<std::set<std::string>> seen(fields.size());
  std::vector<bool> identifying(fields.size(), true);
  const auto names = detail::FieldNamesOf(layer);
  layer->SetAttributeFilter(nullptr);
  layer->SetSpatialFilter(nullptr);
  const char* ignoreShapes[] = {"OGR_GEOMETRY", nullptr};
  layer->SetIgnoredFields(ignoreShapes);
  layer->ResetReading();
  while (gdal::FeaturePtr f{detail::NextFeature(layer)}) {
    const Feature copy = detail::CopyFeature(f.get(), names);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (!identifying[i]) continue;
      const int index = copy.fieldIndex(fields[i]);
      const bool identifier = EqualsNoCase(fields[i], "FID") || EqualsNoCase(fields[i], "OBJECTID");
      if ((index < 0 && !identifier) ||
          (index >= 0 && std::holds_alternative<std::monostate>(copy.value(index))) ||
          !seen[i].insert(ToUpperAscii(FieldValueText(copy, fields[i]))).second)
        identifying[i] = false;
    }
  }
  layer->SetIgnoredFields(nullptr);
  layer->ResetReading();
  std::vector<std::string> out;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (identifying[i]) out.push_back(fields[i]);
  return out;
}

void UniqueValues(const FeatureClass& cls, const std::string& fieldName, std::vector<std::string>& list) {
  OGRLayer* layer = Live(cls);
  if (!layer) return;
  auto names = detail::FieldNamesOf(layer);
  layer->SetAttributeFilter(nullptr);
  layer->SetSpatialFilter(nullptr);
  layer->ResetReading();
  std::int64_t count = 0;
  std::set<std::string> seen;
  std::vector<std::string> values;
  while (gdal::FeaturePtr f{detail::NextFeature(layer)}) {
    ++count;
    const Feature copy = detail::CopyFeature(f.get(), names);
    const bool present = copy.fieldIndex(fieldName) >= 0 || EqualsNoCase(fieldName, "FID") ||
                         EqualsNoCase(fieldName, "OBJECTID");
    if (!present) continue;
    const int index = copy.fieldIndex(fieldName);
    if (index >= 0 && std::holds_alternative<std::monostate>(copy.value(index)))
      continue;  // nulls are no value
    std::string text = FieldValueText(copy, fieldName);
    if (seen.insert(text).second) values.push_back(std::move(text));
  }
  layer->ResetReading();
  if (count == 0) return;
  std::stable_sort(values.begin(), values.end(), [](const std::string& a, const std::string& b) {
    return ToUpperAscii(a) < ToUpperAscii(b);
  });
  if (values.empty()) values.emplace_back();
  list.insert(list.end(), values.begin(), values.end());
}

QueryResult QueryFeatures(const FeatureClass& cls, const Geometry& geometry, const std::string& where,
                          QueryLimit limit) {
  QueryResult result;
  OGRLayer* layer = Live(cls);
  if (!layer) return result;
  auto& state = *cls.state();
  const bool indexed = !state.store->output;
  if (indexed) {
    if (!state.index) state.index = std::make_shared<detail::QueryIndex>(layer);
    static const std::vector<bool> kAll;
    const std::vector<bool>* selectedPtr = &kAll;
    if (!Trim(where).empty()) {
      auto found = state.index->selections.find(where);
      if (found == state.index->selections.end()) {
        const auto fids = SelectedFids(layer, where, state.name);
        const std::set<std::int64_t> wanted(fids.begin(), fids.end());
        std::vector<bool> selection(state.index->features().size());
        for (std::size_t i = 0; i < selection.size(); ++i)
          selection[i] = wanted.count(state.index->features()[i].fid()) > 0;
        found = state.index->selections.emplace(where, std::move(selection)).first;
      }
      selectedPtr = &found->second;
    }
    const std::vector<bool>& selected = *selectedPtr;
    const auto& features = state.index->features();
    const std::vector<std::size_t> candidates =
        geometry.isEmpty() ? std::vector<std::size_t>{} : state.index->grid().candidates(geometry.envelope());
    for (std::size_t i : candidates) {
      if (!selected.empty() && !selected[i]) continue;
      if (!features[i].geometry().intersects(geometry)) continue;
      ++result.count;
      if (limit == QueryLimit::All || result.features.empty()) result.features.push_back(features[i]);
    }
    return result;
  }
  // Output classes change while a run writes them: ask the store itself.
  ApplyWhere(layer, where, state.name);
  layer->SetSpatialFilter(geometry.isEmpty() ? nullptr : const_cast<OGRGeometry*>(geometry.ogr()));
  auto names = detail::FieldNamesOf(layer);
  layer->ResetReading();
  while (gdal::FeaturePtr f{detail::NextFeature(layer)}) {
    if (f->GetGeometryRef() && !geometry.isEmpty() && !f->GetGeometryRef()->Intersects(geometry.ogr()))
      continue;
    ++result.count;
    if (limit == QueryLimit::All || result.features.empty())
      result.features.push_back(detail::CopyFeature(f.get(), names));
  }
  layer->SetSpatialFilter(nullptr);
  layer->SetAttributeFilter(nullptr);
  layer->ResetReading();
  return result;
}

std::int64_t FeatureCount(const FeatureClass& cls, const std::string& where) {
  OGRLayer* layer = Live(cls);
  if (!layer) return 0;
  ApplyWhere(layer, where, cls.name());
  const std::int64_t n = layer->GetFeatureCount(TRUE);
  layer->SetAttributeFilter(nullptr);
  return n;
}

FeatureCursor SearchFeatures(const FeatureClass& cls, const std::string& where) {
  FeatureCursor cursor;
  OGRLayer* layer = Live(cls);
  if (!layer) return cursor;
  cursor.cls_ = cls;
  cursor.fids_ = SelectedFids(layer, where, cls.name());
  cursor.names_ = detail::FieldNamesOf(layer);
  return cursor;
}

FeatureCursor CursorOfFeatures(const FeatureClass& cls, std::vector<std::int64_t> fids) {
  FeatureCursor cursor;
  OGRLayer* layer = Live(cls);
  if (!layer) return cursor;
  cursor.cls_ = cls;
  cursor.fids_ = std::move(fids);
  cursor.names_ = detail::FieldNamesOf(layer);
  return cursor;
}

void ReadSelectedFeatures(const FeatureClass& cls, const std::string& where,
                          const std::function<void(const Feature&)>& visit) {
  OGRLayer* layer = Live(cls);
  if (!layer) return;
  const std::string path = cls.state()->store->path;
  ApplyWhere(layer, where, cls.name());
  layer->SetSpatialFilter(nullptr);
  const auto names = detail::FieldNamesOf(layer);
  const auto restore = [&] {
    layer->SetAttributeFilter(nullptr);
    layer->ResetReading();
  };
  layer->ResetReading();
  while (true) {
    std::string failure;
    gdal::FeaturePtr f{gdal::Quietly([&] {
      OGRFeature* next = layer->GetNextFeature();
      if (CPLGetLastErrorType() >= CE_Failure) failure = gdal::LastError("读取失败");
      return next;
    })};
    if (!failure.empty()) {
      restore();
      throw RunError("文件" + path + "已损坏或不完整，不能读取" +
                     (f ? "第" + std::to_string(f->GetFID()) + "号要素" : std::string("其中的要素")) + "：" +
                     failure);
    }
    if (!f) break;
    try {
      visit(detail::CopyFeature(f.get(), names));
    } catch (...) {
      restore();
      throw;
    }
  }
  restore();
}

bool FeatureCursor::next(Feature& feature) {
  OGRLayer* layer = Live(cls_);
  while (layer && position_ < fids_.size()) {
    gdal::FeaturePtr f{gdal::Quietly([&] { return layer->GetFeature(fids_[position_++]); })};
    if (!f) continue;
    feature = detail::CopyFeature(f.get(), names_);
    return true;
  }
  return false;
}

SpatialReference DatasetSpatialReference(const FeatureClass& cls) {
  OGRLayer* layer = Live(cls);
  if (!layer) return {};
  return SpatialReference::FromOgr(layer->GetSpatialRef());
}

bool IsPolygonClass(const FeatureClass& cls) {
  OGRLayer* layer = Live(cls);
  if (!layer) return false;
  const OGRwkbGeometryType type = wkbFlatten(layer->GetGeomType());
  return type == wkbPolygon || type == wkbMultiPolygon;
}

std::optional<Envelope> ClassExtent(const FeatureClass& cls) {
  OGRLayer* layer = Live(cls);
  if (!layer) return std::nullopt;
  OGREnvelope e;
  if (gdal::Quietly([&] { return layer->GetExtent(&e, TRUE); }) != OGRERR_NONE) return std::nullopt;
  const Envelope extent{e.MinX, e.MinY, e.MaxX, e.MaxY};
  if (extent.isFinite()) return extent;
  // A shape with NaN or infinite coordinates spoils the stored extent: the
  // extent of the other shapes instead.
  std::optional<Envelope> found;
  layer->SetSpatialFilter(nullptr);
  layer->SetAttributeFilter(nullptr);
  layer->ResetReading();
  while (gdal::FeaturePtr f{detail::NextFeature(layer)}) {
    const OGRGeometry* g = f->GetGeometryRef();
    if (!g || g->IsEmpty()) continue;
    OGREnvelope one;
    g->getEnvelope(&one);
    const Envelope part{one.MinX, one.MinY, one.MaxX, one.MaxY};
    if (!part.isFinite() || !Geometry::Adopt(g->clone()).isFinite()) continue;
    if (!found) {
      found = part;
    } else {
      found->xMin = std::min(found->xMin, part.xMin);
      found->yMin = std::min(found->yMin, part.yMin);
      found->xMax = std::max(found->xMax, part.xMax);
      found->yMax = std::max(found->yMax, part.yMax);
    }
  }
  layer->ResetReading();
  return found;
}

std::optional<Envelope> SelectionExtent(const FeatureClass& cls, const std::string& where) {
  std::optional<Envelope> out;
  FeatureCursor cursor = SearchFeatures(cls, where);
  Feature feature;
  while (cursor.next(feature)) {
    const Geometry& g = feature.geometry();
    if (g.isEmpty() || !g.isFinite()) continue;
    const Envelope e = g.envelope();
    if (!out) {
      out = e;
      continue;
    }
    out->xMin = std::min(out->xMin, e.xMin);
    out->yMin = std::min(out->yMin, e.yMin);
    out->xMax = std::max(out->xMax, e.xMax);
    out->yMax = std::max(out->yMax, e.yMax);
  }
  return out;
}

}  // namespace tarvik
