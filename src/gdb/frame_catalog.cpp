#include "gdb/frame_catalog.h"

#include <ogr_spatialref.h>

namespace tarvik::detail {

CatalogRow RowFor(const std::string& dataset, const std::string& item, const std::string& kind,
                  const SpatialReference& ref) {
  CatalogRow row;
  row.dataset = dataset;
  row.frame = (!dataset.empty() && dataset[0] == 'y') ? dataset.substr(1) : dataset;
  row.item = item;
  row.kind = kind;
  row.srsWkt = ref.wkt();
  row.epsg = ref.epsgCode();
  const auto& d = ref.domain();
  row.hasDomain = d.set;
  if (d.set) {
    row.domainXMin = d.xMin;
    row.domainYMin = d.yMin;
    row.domainXMax = d.xMax;
    row.domainYMax = d.yMax;
  }
  row.xyResolution = ref.empty() ? 0 : ref.xyResolution();
  return row;
}

CatalogRow ClassRow(const CatalogRow& datasetRow, const std::string& item, const std::string& kind) {
  CatalogRow row = datasetRow;
  row.item = item;
  row.kind = kind;
  return row;
}

bool AppendCatalogRow(OGRLayer* catalog, const CatalogRow& row) {
  gdal::FeaturePtr f(OGRFeature::CreateFeature(catalog->GetLayerDefn()));
  f->SetField("frame", row.frame.c_str());
  f->SetField("dataset", row.dataset.c_str());
  f->SetField("item", row.item.c_str());
  f->SetField("kind", row.kind.c_str());
  if (row.kind == "annotation" || row.kind == "frame") {
    f->SetField("reference_scale", row.referenceScale);
    f->SetField("reference_units", row.referenceUnits.c_str());
    f->SetField("annotation_classes", row.annotationClasses.c_str());
  }
  f->SetField("srs_wkt", row.srsWkt.c_str());
  f->SetField("epsg", row.epsg);
  if (row.hasDomain) {
    f->SetField("domain_xmin", row.domainXMin);
    f->SetField("domain_ymin", row.domainYMin);
    f->SetField("domain_xmax", row.domainXMax);
    f->SetField("domain_ymax", row.domainYMax);
  }
  f->SetField("xy_resolution", row.xyResolution);
  // Catalogs written before the shared layout lack these columns, and
  // per-frame rows leave them empty.
  const auto set = [&](const char* name, auto value) {
    if (const int i = f->GetFieldIndex(name); i >= 0) f->SetField(i, value);
  };
  if (!row.frameField.empty()) set("frame_field", row.frameField.c_str());
  for (int i = 0; i < 3; ++i) {
    if (row.idFirst[i] <= 0) continue;
    set(kIdFirstColumns[i], static_cast<GIntBig>(row.idFirst[i]));
    set(kIdLastColumns[i], static_cast<GIntBig>(row.idLast[i]));
  }
  if (!row.inputTransform.empty()) set("input_transform", row.inputTransform.c_str());
  if (!row.northDiagram.empty()) set("north_diagram", row.northDiagram.c_str());
  if (row.hasExtent) {
    set("extent_xmin", row.extentXMin);
    set("extent_ymin", row.extentYMin);
    set("extent_xmax", row.extentXMax);
    set("extent_ymax", row.extentYMax);
  }
  return Succeeds([&] { return catalog->CreateFeature(f.get()); });
}

void ForEachCatalogRow(OGRLayer* catalog, const std::function<void(const CatalogRow&)>& fn,
                       const char* filter) {
  if (!catalog) return;
  catalog->SetAttributeFilter(filter);
  catalog->ResetReading();
  auto text = [](OGRFeature* f, const char* name) {
    const int i = f->GetFieldIndex(name);
    return (i >= 0 && f->IsFieldSetAndNotNull(i)) ? std::string(f->GetFieldAsString(i)) : std::string();
  };
  auto number = [](OGRFeature* f, const char* name) {
    const int i = f->GetFieldIndex(name);
    return (i >= 0 && f->IsFieldSetAndNotNull(i)) ? f->GetFieldAsDouble(i) : 0.0;
  };
  while (gdal::FeaturePtr f{catalog->GetNextFeature()}) {
    CatalogRow row;
    row.frame = text(f.get(), "frame");
    row.dataset = text(f.get(), "dataset");
    row.item = text(f.get(), "item");
    row.kind = text(f.get(), "kind");
    row.referenceScale = number(f.get(), "reference_scale");
    row.referenceUnits = text(f.get(), "reference_units");
    row.annotationClasses = text(f.get(), "annotation_classes");
    row.srsWkt = text(f.get(), "srs_wkt");
    row.epsg = static_cast<int>(number(f.get(), "epsg"));
    const int ix = f->GetFieldIndex("domain_xmin");
    row.hasDomain = ix >= 0 && f->IsFieldSetAndNotNull(ix);
    row.domainXMin = number(f.get(), "domain_xmin");
    row.domainYMin = number(f.get(), "domain_ymin");
    row.domainXMax = number(f.get(), "domain_xmax");
    row.domainYMax = number(f.get(), "domain_ymax");
    row.xyResolution = number(f.get(), "xy_resolution");
    row.frameField = text(f.get(), "frame_field");
    row.northDiagram = text(f.get(), "north_diagram");
    const int ex = f->GetFieldIndex("extent_xmin");
    row.hasExtent = ex >= 0 && f->IsFieldSetAndNotNull(ex);
    row.extentXMin = number(f.get(), "extent_xmin");
    row.extentYMin = number(f.get(), "extent_ymin");
    row.extentXMax = number(f.get(), "extent_xmax");
    row.extentYMax = number(f.get(), "extent_ymax");
    for (int i = 0; i < 3; ++i) {
      const int a = f->GetFieldIndex(kIdFirstColumns[i]), b = f->GetFieldIndex(kIdLastColumns[i]);
      if (a < 0 || b < 0 || !f->IsFieldSetAndNotNull(a) || !f->IsFieldSetAndNotNull(b)) continue;
      row.idFirst[i] = f->GetFieldAsInteger64(a);
      row.idLast[i] = f->GetFieldAsInteger64(b);
    }
    fn(row);
  }
  if (filter) catalog->SetAttributeFilter(nullptr);
}

bool AddInputTransformColumn(OGRLayer* catalog) {
  if (catalog->GetLayerDefn()->GetFieldIndex("input_transform") >= 0) return true;
  OGRFieldDefn field("input_transform", OFTString);
  return Succeeds([&] { return catalog->CreateField(&field); });
}

bool AddNorthDiagramColumn(OGRLayer* catalog) {
  if (catalog->GetLayerDefn()->GetFieldIndex("north_diagram") >= 0) return true;
  OGRFieldDefn field("north_diagram", OFTString);
  return Succeeds([&] { return catalog->CreateField(&field); });
}

bool AddSharedLayoutColumns(OGRLayer* catalog) {
  const struct {
    const char* name;
    OGRFieldType type;
  } columns[] = {{"frame_field", OFTString},        {"extent_xmin", OFTReal},
                 {"extent_ymin", OFTReal},          {"extent_xmax", OFTReal},
                 {"extent_ymax", OFTReal},          {kIdFirstColumns[0], OFTInteger64},
                 {kIdLastColumns[0], OFTInteger64}, {kIdFirstColumns[1], OFTInteger64},
                 {kIdLastColumns[1], OFTInteger64}, {kIdFirstColumns[2], OFTInteger64},
                 {kIdLastColumns[2], OFTInteger64}};
  for (const auto& c : columns) {
    if (catalog->GetLayerDefn()->GetFieldIndex(c.name) >= 0) continue;
    OGRFieldDefn defn(c.name, c.type);
    if (!Succeeds([&] { return catalog->CreateField(&defn); })) return false;
  }
  return true;
}

}  // namespace tarvik::detail
