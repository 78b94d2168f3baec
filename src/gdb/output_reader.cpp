#include "gdb/output_reader.h"

#include <map>

#include "common/error.h"
#include "gdb/frame_catalog.h"
#include "gdb/gdal_handles.h"
#include "gdb/store.h"

namespace tarvik {

struct OutputReader::Impl {
  gdal::DatasetPtr ds;
  OutputKind kind = OutputKind::GeoPackage;
  std::vector<FrameInfo> frames;

  OGRLayer* layer(const std::string& name) const {
    return name.empty() ? nullptr : ds->GetLayerByName(name.c_str());
  }
};

OutputReader::OutputReader(const std::string& path) : impl_(std::make_unique<Impl>()) {
  impl_->kind = OutputKindOf(path);
  impl_->ds = gdal::OpenStoreForReading(path, impl_->kind == OutputKind::GeoPackage);
  if (!impl_->ds) throw RunError("不能打开输出" + path + "：" + gdal::LastError("文件不存在或不是可读的数据库"));
  const auto rows = detail::ReadCatalog(impl_->ds->GetLayerByName(detail::kCatalogTable));
  std::map<std::string, std::size_t> byDataset;
  for (const auto& row : rows) {
    auto it = byDataset.find(row.dataset);
    if (it == byDataset.end()) {
      FrameInfo info;
      info.frame = row.frame;
      info.dataset = row.dataset;
      info.ref = SpatialReference::FromWkt(row.srsWkt);
      if (row.hasDomain && !info.ref.empty())
        info.ref.setDomain(row.domainXMin, row.domainXMax, row.domainYMin, row.domainYMax);
      impl_->frames.push_back(std::move(info));
      it = byDataset.emplace(row.dataset, impl_->frames.size() - 1).first;
    }
    FrameInfo& info = impl_->frames[it->second];
    if (row.kind == "line") info.lineClass = row.item;
    if (row.kind == "polygon") info.polygonClass = row.item;
    if (row.kind == "annotation") {
      info.annotationClass = row.item;
      info.referenceScale = row.referenceScale;
      info.referenceUnits = row.referenceUnits;
      info.annotationClasses = row.annotationClasses;
    }
  }
}

OutputReader::~OutputReader() = default;
OutputReader::OutputReader(OutputReader&&) noexcept = default;
OutputReader& OutputReader::operator=(OutputReader&&) noexcept = default;

OutputKind OutputReader::kind() const { return impl_->kind; }
const std::vector<FrameInfo>& OutputReader::frames() const { return impl_->frames; }

namespace {

template <typename Fn>
void ForEach(OGRLayer* layer, Fn&& fn) {
  if (!layer) return;
  layer->ResetReading();
  while (gdal::FeaturePtr f{layer->GetNextFeature()}) fn(f.get());
}

std::vector<std::vector<Point2>> Parts(OGRFeature* f) {
  OGRGeometry* g = f->StealGeometry();
  return Geometry::Adopt(g).parts();
}

}  // namespace

std::vector<StoredLine> OutputReader::lines(const FrameInfo& frame) const {
  std::vector<StoredLine> out;
  ForEach(impl_->layer(frame.lineClass), [&](OGRFeature* f) {
    out.push_back({f->GetFID(), f->GetFieldAsInteger("ID"), Parts(f)});
  });
  return out;
}

std::vector<StoredPolygon> OutputReader::polygons(const FrameInfo& frame) const {
  std::vector<StoredPolygon> out;
  ForEach(impl_->layer(frame.polygonClass), [&](OGRFeature* f) {
    out.push_back({f->GetFID(), f->GetFieldAsInteger("ID"), Parts(f)});
  });
  return out;
}

std::vector<StoredText> OutputReader::texts(const FrameInfo& frame) const {
  std::vector<StoredText> out;
  ForEach(impl_->layer(frame.annotationClass), [&](OGRFeature* f) {
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
