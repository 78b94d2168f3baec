// Feature datasets and feature classes of the output store, and storing
// features in them.
//
// Every class has the fields "OBJECTID" (the FID), "Shape" (the geometry)
// and, for frame line and polygon classes, "ID" (32-bit integer). Its XY
// domain is the domain of the spatial reference it was created with
// (frame_domain.h), at a resolution of 0.0001 m (projected) or 1e-9 degree
// (geographic). A feature with a coordinate outside that domain is refused
// (the same in both store kinds): the store shows "保存失败" and goes on.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/user_feedback.h"
#include "coords/spatial_reference.h"
#include "gdb/geometry.h"
#include "gdb/workspace.h"

namespace tarvik {

namespace detail {
struct CatalogRow;
struct ClassState;
struct Store;
}  // namespace detail

// A feature dataset: File GDB: a real feature dataset, which appears when its
// first class is created; GeoPackage (no such level): the name recorded in
// the store's frame catalog with every class created in it.
struct FrameDataset {
  std::string name;      // "y" + frame name
  SpatialReference ref;  // with the XY domain of the frame
  // For src/gdb: the store, and the dataset's catalog entry that its
  // classes' entries start from.
  std::shared_ptr<detail::Store> store;
  std::shared_ptr<const detail::CatalogRow> row;
};

enum class FrameClassKind { Line, Polygon, Annotation, Other };

// A class of an output store or an input file. Copies share the same class.
// Valid while its store is open.
class FeatureClass {
 public:
  FeatureClass() = default;
  explicit FeatureClass(std::shared_ptr<detail::ClassState> state) : state_(std::move(state)) {}

  bool isNull() const { return !state_; }
  explicit operator bool() const { return !isNull(); }
  std::string name() const;
  FrameClassKind kind() const;
  // An annotation class (as written by CreateFrameAnnotationClass, or any
  // class with the Esri annotation fields TextString and AnnotationClassID).
  bool isAnnotation() const;
  // Annotation classes: the reference scale (scale denominator); else 0.
  double referenceScale() const;
  SpatialReference spatialReference() const;
  // The XY domain that stores check; unset for input classes.
  SpatialReference::Domain domain() const;

  // For src/gdb.
  const std::shared_ptr<detail::ClassState>& state() const { return state_; }

 private:
  std::shared_ptr<detail::ClassState> state_;
};

// The feature dataset `name` with the spatial reference (and its domain);
// every "." and "-" of the name becomes "_", as for the classes. None when
// it cannot be made: the name is taken by a dataset, class or
// table of the store (letter case ignored), or the store is closed. The
// caller reports its own error. On a GeoPackage this starts the frame's
// transaction (committing the previous frame).
std::optional<FrameDataset> CreateFrameDataset(OutputWorkspace& workspace, const std::string& name,
                                               const SpatialReference& ref);

// A simple feature class in the dataset: every "." and "-" of the name
// becomes "_"; fields OBJECTID, Shape (polyline or polygon) and ID. RunError
// "不能创立表" + name when it cannot be created (name taken, store refused).
FeatureClass CreateFrameClass(const FrameDataset& dataset, const std::string& name, FrameClassKind kind);

// Stores one feature with "ID" = id. On failure (a coordinate outside the
// domain, the store refusing it) shows "保存失败" and returns false.
bool StoreFrameFeature(FeatureClass& cls, const Geometry& geometry, std::int32_t id, UserFeedback& feedback);

// The buffered insert path for the lines of a frame: add() keeps the line,
// flush() writes what is kept (also done when the buffer is large and by the
// destructor, so lines drawn before an error are not lost). A line outside
// the domain is refused at add(); one the store refuses, at flush(); each
// shows "保存失败" once.
class LineBuffer {
 public:
  LineBuffer(FeatureClass cls, UserFeedback& feedback);
  ~LineBuffer();
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  // A two-point line from (x1, y1) to (x2, y2), store coordinates.
  bool add(double x1, double y1, double x2, double y2, std::int32_t id);
  // Any line geometry.
  bool add(const Geometry& line, std::int32_t id);
  // Writes the kept lines; returns how many the store refused. A full disk
  // ends the run (RunError).
  int flush();
  // Forgets the kept lines (their frame is being undone).
  void discard() { pending_.clear(); }
  std::size_t pending() const { return pending_.size(); }

 private:
  struct Entry {
    double x1, y1, x2, y2;
    std::int32_t id;
    std::optional<Geometry> geometry;
  };
  FeatureClass cls_;
  UserFeedback& feedback_;
  std::vector<Entry> pending_;
};

}  // namespace tarvik
