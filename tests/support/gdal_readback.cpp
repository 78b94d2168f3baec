#include "support/gdal_readback.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <memory>

namespace tarvik::test {
namespace {

std::vector<XY> Points(const OGRSimpleCurve* curve) {
  std::vector<XY> out;
  for (int i = 0; i < curve->getNumPoints(); ++i) out.push_back({curve->getX(i), curve->getY(i)});
  return out;
}

void CollectParts(const OGRGeometry* g, ReadFeature& f) {
  if (!g) return;
  switch (wkbFlatten(g->getGeometryType())) {
    case wkbPoint:
      f.point = {g->toPoint()->getX(), g->toPoint()->getY()};
      break;
    case wkbLineString:
      f.parts.push_back(Points(g->toLineString()));
      break;
    case wkbPolygon:
      for (const auto* ring : *g->toPolygon()) f.parts.push_back(Points(ring));
      break;
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
      for (const auto* part : *g->toGeometryCollection()) CollectParts(part, f);
      break;
    default:
      break;
  }
}

}  // namespace

ReadStore ReadWithGdal(const std::string& path) {
  GDALAllRegister();
  ReadStore store;
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!ds) {
    ADD_FAILURE() << "GDAL cannot open " << path;
    return store;
  }
  if (auto root = ds->GetRootGroup()) {
    for (const auto& name : root->GetGroupNames()) {
      if (auto group = root->OpenGroup(name)) store.groups[name] = group->GetVectorLayerNames();
    }
  }
  for (auto* layer : ds->GetLayers()) {
    ReadLayer l;
    l.name = layer->GetName();
    l.geometryType = OGRGeometryTypeToName(layer->GetGeomType());
    if (const auto* srs = layer->GetSpatialRef()) {
      const char* code = srs->GetAuthorityCode(nullptr);
      l.epsg = code ? std::atoi(code) : 0;
      char* wkt = nullptr;
      if (srs->exportToWkt(&wkt) == OGRERR_NONE && wkt) l.wkt = wkt;
      CPLFree(wkt);
    }
    l.fidColumn = layer->GetFIDColumn();
    l.geometryColumn = layer->GetGeometryColumn();
    auto* defn = layer->GetLayerDefn();
    for (int i = 0; i < defn->GetFieldCount(); ++i)
      l.fieldNames.push_back(defn->GetFieldDefn(i)->GetNameRef());
    layer->ResetReading();
    while (auto* feature = layer->GetNextFeature()) {
      ReadFeature f;
      f.fid = feature->GetFID();
      for (int i = 0; i < defn->GetFieldCount(); ++i)
        if (feature->IsFieldSetAndNotNull(i))
          f.fields[defn->GetFieldDefn(i)->GetNameRef()] = feature->GetFieldAsString(i);
      CollectParts(feature->GetGeometryRef(), f);
      l.features.push_back(std::move(f));
      OGRFeature::DestroyFeature(feature);
    }
    store.layers[l.name] = std::move(l);
  }
  return store;
}

}  // namespace tarvik::test
