#include "gdb/spatial_index_transforms.h"

#include <ogr_spatialref.h>

#include "gdb/gdal_handles.h"

namespace tarvik::detail {

void SpatialIndexTransforms::Deleter::operator()(OGRCoordinateTransformation* ct) const { delete ct; }

SpatialIndexTransforms::SpatialIndexTransforms() = default;
SpatialIndexTransforms::~SpatialIndexTransforms() = default;

namespace {

std::string WktOf(const OGRSpatialReference& srs, const char* format) {
  char* text = nullptr;
  const char* options[] = {format, nullptr};
  const OGRErr err = srs.exportToWkt(&text, format ? options : nullptr);
  std::string wkt = err == OGRERR_NONE && text ? text : "";
  CPLFree(text);
  return wkt;
}

}  // namespace

void SpatialIndexTransforms::stock(const OGRSpatialReference* srs) {
  if (!srs || !srs->IsProjected()) return;
  gdal::Quietly([&] {
    // The plain WKT export is cheap (GDAL keeps it); the Esri one below is
    // not, so it is made once per system.
    const std::string key = WktOf(*srs, nullptr);
    if (key.empty()) return 0;
    auto found = made_.find(key);
    if (found == made_.end()) {
      // Exactly the writer's steps: the class's system as it stores it (Esri
      // WKT), read back, and its geographic system as the source.
      Transform made;
      OGRSpatialReference stored;
      const std::string esri = WktOf(*srs, "FORMAT=WKT1_ESRI");
      if (!esri.empty() && stored.importFromWkt(esri.c_str()) == OGRERR_NONE) {
        std::unique_ptr<OGRSpatialReference> geographic(stored.CloneGeogCS());
        if (geographic) made.reset(OGRCreateCoordinateTransformation(geographic.get(), &stored));
      }
      found = made_.emplace(key, std::move(made)).first;
    }
    if (found->second) {
      // Handed to GDAL's cache (a copy is cheap: no database search). When
      // one with this key is still waiting there, GDAL drops the new one.
      if (OGRCoordinateTransformation* copy = found->second->Clone())
        OGRCoordinateTransformation::DestroyCT(copy);
    }
    return 0;
  });
}

}  // namespace tarvik::detail
