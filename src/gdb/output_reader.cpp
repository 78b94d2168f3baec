#include "gdb/output_reader.h"

#include <algorithm>
#include <map>

#include "common/error.h"
#include "gdb/frame_catalog.h"
#include "gdb/gdal_handles.h"
#include "gdb/output_recovery.h"
#include "gdb/store.h"

namespace tarvik {

struct OutputReader::Impl {
  gdal::DatasetPtr ds;
  OutputKind kind = OutputKind::GeoPackage;
  std::vector<FrameInfo> frames;
  std::vector<SharedFramesSummary> summaries;
  std::string recovered;

  OGRLayer* layer(const std::string& name) const {
    return name.empty() ? nullptr : ds->GetLayerByName(name.c_str());
  }
};

namespace {

// What a catalog row tells of a frame's (or the shared) dataset and classes.
void AddRow(FrameInfo& info, const detail::CatalogRow& row) {
  if (info.dataset.empty()) {
    info.dataset = row.dataset;
    info.ref = SpatialReference::FromWkt(row.srsWkt);
    if (row.hasDomain && !info.ref.empty())
      info.ref.setDomain(row.domainXMin, row.domainXMax, row.domainYMin, row.domainYMax);
  }
  if (row.kind == "dataset") info.northDiagram = row.northDiagram;
  if (row.kind == "line") info.lineClass = row.item;
  if (row.kind == "polygon") info.polygonClass = row.item;
  if (row.kind == "annotation") {
    info.annotationClass = row.item;
    info.referenceScale = row.referenceScale;
    info.referenceUnits = row.referenceUnits;
    info.annotationClasses = row.annotationClasses;
  }
}

}  // namespace

OutputReader::OutputReader(const std::string& path, bool callerHoldsLock, Listing listing)
    : impl_(std::make_unique<Impl>()) {
  impl_->kind = OutputKindOf(path);
  impl_->recovered = RecoverOutput(path, callerHoldsLock);
  impl_->ds = gdal::OpenStoreForReading(path, impl_->kind == OutputKind::GeoPackage);
  if (!impl_->ds)
    throw RunError("不能打开输出" + path + "：" + gdal::LastError("文件不存在或不是可读的数据库"));
  OGRLayer* catalog = impl_->ds->GetLayerByName(detail::kCatalogTable);
  // The classes of the shared layout, by dataset: recorded once, before the
  // rows of their frames. The rows are read twice rather than held: a
  // catalog of 300 000 frames held whole took more than the frames.
  std::map<std::string, FrameInfo> shared;
  detail::ForEachCatalogRow(
      catalog,
      [&](const detail::CatalogRow& row) {
        if (row.frameField.empty() || row.kind == "frame") return;
        FrameInfo& info = shared[row.dataset];
        AddRow(info, row);
        info.frameField = row.frameField;
        // Every frame of the classes lists their system: one GDAL object
        // for all, not one each (a run of 100 000 frames read back took
        // 235 MB).
        info.ref.shareWithCopies();
      },
      "kind <> 'frame'");
  std::map<std::string, std::size_t> byDataset, summaryOf;
  detail::ForEachCatalogRow(catalog, [&](const detail::CatalogRow& row) {
    if (!row.frameField.empty()) {
      if (row.kind != "frame") return;
      if (listing == Listing::FirstSharedFrame) {
        auto at = summaryOf.find(row.dataset);
        if (at == summaryOf.end()) {
          at = summaryOf.emplace(row.dataset, impl_->summaries.size()).first;
          impl_->summaries.push_back(SharedFramesSummary{row.dataset, 0, 0, {}});
        }
        SharedFramesSummary& summary = impl_->summaries[at->second];
        if (row.hasExtent) {
          ++summary.withExtent;
          auto& [wide, tall] = summary.largest[row.referenceScale];
          wide = std::max(wide, row.extentXMax - row.extentXMin);
          tall = std::max(tall, row.extentYMax - row.extentYMin);
        }
        if (summary.frames++ > 0) return;
      }
      FrameInfo info = shared[row.dataset];
      info.frame = row.frame;
      info.referenceScale = row.referenceScale;
      info.northDiagram = row.northDiagram;
      if (row.hasExtent)
        info.extent = Envelope{row.extentXMin, row.extentYMin, row.extentXMax, row.extentYMax};
      FrameInfo::IdRange* ranges[3] = {&info.lineIds, &info.polygonIds, &info.textIds};
      for (int i = 0; i < 3; ++i) *ranges[i] = {row.idFirst[i], row.idLast[i]};
      impl_->frames.push_back(std::move(info));
      return;
    }
    auto it = byDataset.find(row.dataset);
    if (it == byDataset.end()) {
      FrameInfo info;
      info.frame = row.frame;
      impl_->frames.push_back(std::move(info));
      it = byDataset.emplace(row.dataset, impl_->frames.size() - 1).first;
    }
    AddRow(impl_->frames[it->second], row);
  });
}

OutputReader::~OutputReader() = default;
OutputReader::OutputReader(OutputReader&&) noexcept = default;
OutputReader& OutputReader::operator=(OutputReader&&) noexcept = default;

OutputKind OutputReader::kind() const { return impl_->kind; }
const std::string& OutputReader::recovered() const { return impl_->recovered; }
const std::vector<FrameInfo>& OutputReader::frames() const { return impl_->frames; }
const std::vector<SharedFramesSummary>& OutputReader::sharedSummaries() const { return impl_->summaries; }

namespace {

// The features of the frame in the class: all of them, or in a shared class
// those whose frame field names the frame. A frame's features lie between
// the OBJECTIDs its catalog row records, which finds them at once whether
// the class has an index on its frame field or not (a killed run leaves
// none): a GeoPackage through its row ids, a File GDB by reading each.
template <typename Fn>
void ForEach(OGRLayer* layer, OutputKind kind, const FrameInfo& frame, const FrameInfo::IdRange& ids,
             Fn&& fn) {
  if (!layer) return;
  if (frame.frameField.empty()) {
    layer->ResetReading();
    while (gdal::FeaturePtr f{layer->GetNextFeature()}) fn(f.get());
    return;
  }
  const int field = layer->GetLayerDefn()->GetFieldIndex(frame.frameField.c_str());
  if (field < 0) return;
  const auto mine = [&](OGRFeature* f) { return frame.frame == f->GetFieldAsString(field); };
  if (ids.first > 0 && ids.last >= ids.first && kind == OutputKind::FileGdb) {
    for (std::int64_t fid = ids.first; fid <= ids.last; ++fid) {
      gdal::FeaturePtr f{gdal::Quietly([&] { return layer->GetFeature(fid); })};
      if (f && mine(f.get())) fn(f.get());
    }
    return;
  }
  std::string filter;
  if (ids.first > 0 && ids.last >= ids.first) {
    const char* fidColumn = layer->GetFIDColumn();
    filter.append("\"").append(*fidColumn ? fidColumn : "fid").append("\" BETWEEN ");
    filter.append(std::to_string(ids.first)).append(" AND ").append(std::to_string(ids.last)).append(" AND ");
  }
  filter.append("\"").append(frame.frameField).append("\" = '");
  for (char c : frame.frame) filter.append(c == '\'' ? 2 : 1, c);
  filter.append("'");
  if (layer->SetAttributeFilter(filter.c_str()) != OGRERR_NONE) return;
  layer->ResetReading();
  while (gdal::FeaturePtr f{layer->GetNextFeature()})
    if (mine(f.get())) fn(f.get());
  layer->SetAttributeFilter(nullptr);
}

std::vector<std::vector<Point2>> Parts(OGRFeature* f) {
  OGRGeometry* g = f->StealGeometry();
  return Geometry::Adopt(g).parts();
}

}  // namespace

std::vector<StoredLine> OutputReader::lines(const FrameInfo& frame) const {
  std::vector<StoredLine> out;
  ForEach(impl_->layer(frame.lineClass), impl_->kind, frame, frame.lineIds, [&](OGRFeature* f) {
    out.push_back({f->GetFID(), f->GetFieldAsInteger("ID"), Parts(f)});
  });
  return out;
}

std::vector<StoredPolygon> OutputReader::polygons(const FrameInfo& frame) const {
  std::vector<StoredPolygon> out;
  ForEach(impl_->layer(frame.polygonClass), impl_->kind, frame, frame.polygonIds, [&](OGRFeature* f) {
    out.push_back({f->GetFID(), f->GetFieldAsInteger("ID"), Parts(f)});
  });
  return out;
}

std::vector<StoredText> OutputReader::texts(const FrameInfo& frame) const {
  std::vector<StoredText> out;
  ForEach(impl_->layer(frame.annotationClass), impl_->kind, frame, frame.textIds, [&](OGRFeature* f) {
    StoredText t;
    t.objectId = f->GetFID();
    t.text = f->GetFieldAsString("TextString");
    if (const OGRGeometry* g = f->GetGeometryRef(); g && wkbFlatten(g->getGeometryType()) == wkbPoint)
      t.anchor = {g->toPoint()->getX(), g->toPoint()->getY()};
    t.symbol.fontName = f->GetFieldAsString("FontName");
    t.symbol.fontSize = f->GetFieldAsDouble("FontSize");
    t.symbol.color = f->GetFieldAsInteger("Color");
    t.symbol.bold = f->GetFieldAsInteger("Bold") != 0;
    t.symbol.italic = f->GetFieldAsInteger("Italic") != 0;
    t.symbol.underline = f->GetFieldAsInteger("Underline") != 0;
    t.symbol.angle = f->GetFieldAsDouble("Angle");
    t.symbol.horizontal = static_cast<HorizontalAlignment>(f->GetFieldAsInteger("HorizontalAlignment"));
    t.symbol.vertical = static_cast<VerticalAlignment>(f->GetFieldAsInteger("VerticalAlignment"));
    t.symbol.characterSpacing = f->GetFieldAsDouble("CharacterSpacing");
    t.annotationClassId = f->GetFieldAsInteger("AnnotationClassID");
    out.push_back(std::move(t));
  });
  return out;
}

}  // namespace tarvik
