// A geometry value the frame engine can hold and pass around without GDAL
// headers, and the small geometry operations the frame builders share.
//
// Coordinates are those of the geometry store: x = easting (or longitude),
// y = northing (or latitude) — the reverse of the surveying (X northing,
// Y easting) naming the frame engine uses for planar positions.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class OGRGeometry;

namespace tarvik {

struct Point2 {
  double x = 0;  // easting or longitude
  double y = 0;  // northing or latitude
  bool operator==(const Point2&) const = default;
};

struct Envelope {
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  bool contains(double x, double y) const { return x >= xMin && x <= xMax && y >= yMin && y <= yMax; }
  // All four values are numbers (no NaN, no infinity).
  bool isFinite() const;
  bool intersects(const Envelope& o) const {
    return xMin <= o.xMax && o.xMin <= xMax && yMin <= o.yMax && o.yMin <= yMax;
  }
  bool operator==(const Envelope&) const = default;
};

enum class GeometryType {
  None,
  Point,
  Line,
  Ring,
  Polygon,
  MultiPoint,
  MultiLine,
  MultiPolygon,
  Collection,
  Other
};

// Copyable value; an empty Geometry holds nothing ("none").
class Geometry {
 public:
  Geometry();
  ~Geometry();
  Geometry(const Geometry& other);
  Geometry& operator=(const Geometry& other);
  Geometry(Geometry&&) noexcept;
  Geometry& operator=(Geometry&&) noexcept;

  // A polyline through the points (two or more); none for fewer.
  static Geometry Line(const std::vector<Point2>& points);
  // A closed ring (the first point is repeated at the end when needed).
  static Geometry Ring(const std::vector<Point2>& points);
  // A polygon from an outer ring and optional holes (each closed as above).
  static Geometry Polygon(const std::vector<std::vector<Point2>>& rings);

  bool isNull() const { return !geom_; }
  explicit operator bool() const { return !isNull(); }
  // True for none and for a geometry without coordinates.
  bool isEmpty() const;
  GeometryType type() const;
  Envelope envelope() const;

  // Vertices of a point, a line or a ring; of a polygon the vertices of its
  // outer ring (a closed ring repeats its first vertex at the end).
  std::size_t pointCount() const;
  Point2 point(std::size_t index) const;  // index < pointCount()
  // Every part as a list of vertices: the paths of a (multi)line, the rings
  // of a (multi)polygon (outer ring first for each polygon), or the single
  // vertex list of a point or ring.
  std::vector<std::vector<Point2>> parts() const;

  // Every coordinate is a number: no NaN and no infinity, which a damaged
  // or hand-made file can hold and no computation can use. True for none.
  bool isFinite() const;

  bool equals(const Geometry& other) const;  // same type and coordinates
  bool intersects(const Geometry& other) const;
  double area() const;  // 0 for points and lines

  // For src/gdb only: the GDAL object (null for none), and taking ownership
  // of one.
  const OGRGeometry* ogr() const { return geom_.get(); }
  OGRGeometry* ogr() { return geom_.get(); }
  static Geometry Adopt(OGRGeometry* owned);
  OGRGeometry* release() { return geom_.release(); }

 private:
  struct Deleter {
    void operator()(OGRGeometry* g) const;
  };
  std::unique_ptr<OGRGeometry, Deleter> geom_;
};

// A point at (x, y).
Geometry MakePoint(double x, double y);
// A two-point polyline from (x1, y1) to (x2, y2), simplified.
Geometry MakeLine(double x1, double y1, double x2, double y2);
// The polygon through the four corners of the envelope, simplified.
Geometry EnvelopePolygon(const Envelope& envelope);
// The envelope enlarged by d on each of its four sides, as a polygon.
Geometry ExpandedEnvelopePolygon(const Envelope& envelope, double d);
// The geometry made ready for an overlay: none and empty geometries and
// points come back unchanged; a ring becomes a polygon; anything else is
// simplified (made valid), and when that leaves nothing, or fails, the
// original comes back.
Geometry PrepareGeometry(const Geometry& geometry);
// The part of a outside b, both prepared first. None when the overlay fails.
Geometry GeometryDifference(const Geometry& a, const Geometry& b);
// Parts as the geodatabase counts them: every ring of a polygon is a part
// (a polygon with a hole has two), every path of a polyline, every point of
// a multipoint; 1 for a point, 0 for none or empty.
int PartCount(const Geometry& geometry);

}  // namespace tarvik
