// Makes the spatial index of a projected File GDB class cheap to build.
// Internal to src/gdb.
//
// GDAL's File GDB writer builds a class's spatial index (.spx) when the
// class is flushed. For a class in a projected coordinate system it first
// works out how far north the projection reaches, through a coordinate
// transformation from the class's geographic system to its projected one.
// It makes that transformation anew for every class and frees it at once:
// PROJ's search of its database for the operation costs 5-10 ms, most of
// what a frame of a few hundred features costs. Before it makes one,
// though, GDAL looks in its process-wide cache of transformations, keyed by
// the two systems, and takes what it finds there (removing it).
//
// So before a class is flushed, stock() puts into that cache a copy of the
// transformation made once per coordinate system of the run: the writer
// finds it and skips PROJ's search, and builds the same index byte for byte
// (it is the transformation it would have made). Were GDAL's cache not
// consulted, the copy would only wait in it unused.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

class OGRCoordinateTransformation;
class OGRSpatialReference;

namespace tarvik::detail {

class SpatialIndexTransforms {
 public:
  SpatialIndexTransforms();
  ~SpatialIndexTransforms();
  SpatialIndexTransforms(const SpatialIndexTransforms&) = delete;
  SpatialIndexTransforms& operator=(const SpatialIndexTransforms&) = delete;

  // Called just before a class with the coordinate system `srs` (as its
  // layer reports it) is flushed. Does nothing for a geographic or missing
  // system, for which the writer needs no transformation.
  void stock(const OGRSpatialReference* srs);

 private:
  struct Deleter {
    void operator()(OGRCoordinateTransformation* ct) const;
  };
  using Transform = std::unique_ptr<OGRCoordinateTransformation, Deleter>;
  // Per coordinate system (its WKT), the transformation the writer asks
  // for; null when none could be made (nothing is stocked then).
  std::unordered_map<std::string, Transform> made_;
};

}  // namespace tarvik::detail
