#include "gdb/geometry.h"

#include <cmath>

#include <cpl_error.h>
#include <ogr_api.h>
#include <ogr_geometry.h>

namespace tarvik {

namespace {

OGRLinearRing* MakeRing(const std::vector<Point2>& points) {
  auto* ring = new OGRLinearRing();
  ring->setNumPoints(static_cast<int>(points.size()), FALSE);
  for (std::size_t i = 0; i < points.size(); ++i)
    ring->setPoint(static_cast<int>(i), points[i].x, points[i].y);
  if (!points.empty() && !(points.front() == points.back()))
    ring->addPoint(points.front().x, points.front().y);
  return ring;
}

std::vector<Point2> CurvePoints(const OGRSimpleCurve* curve) {
  std::vector<Point2> out(static_cast<std::size_t>(curve->getNumPoints()));
  for (int i = 0; i < curve->getNumPoints(); ++i)
    out[static_cast<std::size_t>(i)] = {curve->getX(i), curve->getY(i)};
  return out;
}

void AppendParts(const OGRGeometry* g, std::vector<std::vector<Point2>>& out) {
  if (!g || g->IsEmpty()) return;
  switch (wkbFlatten(g->getGeometryType())) {
    case wkbPoint: {
      auto* p = g->toPoint();
      out.push_back({{p->getX(), p->getY()}});
      break;
    }
    case wkbLineString:
    case wkbLinearRing:
      out.push_back(CurvePoints(g->toSimpleCurve()));
      break;
    case wkbPolygon:
      for (const auto* ring : *g->toPolygon()) out.push_back(CurvePoints(ring));
      break;
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
      for (const auto* part : *g->toGeometryCollection()) AppendParts(part, out);
      break;
    default: {
      std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
      if (linear && wkbFlatten(linear->getGeometryType()) != wkbFlatten(g->getGeometryType()))
        AppendParts(linear.get(), out);
      break;
    }
  }
}

}  // namespace

void Geometry::Deleter::operator()(OGRGeometry* g) const { delete g; }

Geometry::Geometry() = default;
Geometry::~Geometry() = default;
Geometry::Geometry(Geometry&&) noexcept = default;
Geometry& Geometry::operator=(Geometry&&) noexcept = default;
Geometry::Geometry(const Geometry& other) : geom_(other.geom_ ? other.geom_->clone() : nullptr) {}
Geometry& Geometry::operator=(const Geometry& other) {
  if (this != &other) geom_.reset(other.geom_ ? other.geom_->clone() : nullptr);
  return *this;
}

Geometry Geometry::Adopt(OGRGeometry* owned) {
  Geometry g;
  g.geom_.reset(owned);
  return g;
}

Geometry Geometry::Line(const std::vector<Point2>& points) {
  if (points.size() < 2) return {};
  auto* line = new OGRLineString();
  line->setNumPoints(static_cast<int>(points.size()), FALSE);
  for (std::size_t i = 0; i < points.size(); ++i)
    line->setPoint(static_cast<int>(i), points[i].x, points[i].y);
  return Adopt(line);
}

Geometry Geometry::Ring(const std::vector<Point2>& points) {
  if (points.size() < 3) return {};
  return Adopt(MakeRing(points));
}

Geometry Geometry::Polygon(const std::vector<std::vector<Point2>>& rings) {
  auto* polygon = new OGRPolygon();
  for (const auto& r : rings)
    if (r.size() >= 3) polygon->addRingDirectly(MakeRing(r));
  return Adopt(polygon);
}

bool Geometry::isEmpty() const { return !geom_ || geom_->IsEmpty(); }

GeometryType Geometry::type() const {
  if (!geom_) return GeometryType::None;
  switch (wkbFlatten(geom_->getGeometryType())) {
    case wkbPoint:
      return GeometryType::Point;
    case wkbLineString:
    case wkbLinearRing:
      // GDAL reports a standalone ring as a line string; its name tells.
      return EQUAL(geom_->getGeometryName(), "LINEARRING") ? GeometryType::Ring : GeometryType::Line;
    case wkbPolygon:
      return GeometryType::Polygon;
    case wkbMultiPoint:
      return GeometryType::MultiPoint;
    case wkbMultiLineString:
      return GeometryType::MultiLine;
    case wkbMultiPolygon:
      return GeometryType::MultiPolygon;
    case wkbGeometryCollection:
      return GeometryType::Collection;
    default:
      return GeometryType::Other;
  }
}

Envelope Geometry::envelope() const {
  if (isEmpty()) return {};
  OGREnvelope e;
  geom_->getEnvelope(&e);
  return {e.MinX, e.MinY, e.MaxX, e.MaxY};
}

std::size_t Geometry::pointCount() const {
  if (isEmpty()) return 0;
  switch (wkbFlatten(geom_->getGeometryType())) {
    case wkbPoint:
      return 1;
    case wkbLineString:
    case wkbLinearRing:
      return static_cast<std::size_t>(geom_->toSimpleCurve()->getNumPoints());
    case wkbPolygon: {
      const auto* ring = geom_->toPolygon()->getExteriorRing();
      return ring ? static_cast<std::size_t>(ring->getNumPoints()) : 0;
    }
    default: {
      std::size_t n = 0;
      for (const auto& part : parts()) n += part.size();
      return n;
    }
  }
}

Point2 Geometry::point(std::size_t index) const {
  switch (wkbFlatten(geom_->getGeometryType())) {
    case wkbPoint:
      return {geom_->toPoint()->getX(), geom_->toPoint()->getY()};
    case wkbLineString:
    case wkbLinearRing: {
      const auto* c = geom_->toSimpleCurve();
      return {c->getX(static_cast<int>(index)), c->getY(static_cast<int>(index))};
    }
    case wkbPolygon: {
      const auto* c = geom_->toPolygon()->getExteriorRing();
      return {c->getX(static_cast<int>(index)), c->getY(static_cast<int>(index))};
    }
    default: {
      for (const auto& part : parts()) {
        if (index < part.size()) return part[index];
        index -= part.size();
      }
      return {};
    }
  }
}

std::vector<std::vector<Point2>> Geometry::parts() const {
  std::vector<std::vector<Point2>> out;
  AppendParts(geom_.get(), out);
  return out;
}

bool Envelope::isFinite() const {
  return std::isfinite(xMin) && std::isfinite(yMin) && std::isfinite(xMax) && std::isfinite(yMax);
}

bool Geometry::isFinite() const {
  for (const auto& part : parts())
    for (const Point2& p : part)
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  return true;
}

bool Geometry::equals(const Geometry& other) const {
  if (isNull() || other.isNull()) return isNull() == other.isNull();
  return geom_->Equals(other.geom_.get());
}

bool Geometry::intersects(const Geometry& other) const {
  if (isEmpty() || other.isEmpty()) return false;
  return geom_->Intersects(other.geom_.get());
}

double Geometry::area() const {
  if (isEmpty()) return 0;
  return OGR_G_Area(OGRGeometry::ToHandle(const_cast<OGRGeometry*>(geom_.get())));
}

Geometry MakePoint(double x, double y) { return Geometry::Adopt(new OGRPoint(x, y)); }

Geometry MakeLine(double x1, double y1, double x2, double y2) { return Geometry::Line({{x1, y1}, {x2, y2}}); }

Geometry EnvelopePolygon(const Envelope& e) {
  // Clockwise from the lower-left corner: the orientation of an outer ring
  // in the geodatabase.
  return Geometry::Polygon({{{e.xMin, e.yMin}, {e.xMin, e.yMax}, {e.xMax, e.yMax}, {e.xMax, e.yMin}}});
}

Geometry ExpandedEnvelopePolygon(const Envelope& e, double d) {
  return EnvelopePolygon({e.xMin - d, e.yMin - d, e.xMax + d, e.yMax + d});
}

Geometry PrepareGeometry(const Geometry& geometry) {
  if (geometry.isEmpty()) return geometry;
  const GeometryType type = geometry.type();
  if (type == GeometryType::Point || type == GeometryType::MultiPoint) return geometry;
  Geometry work = geometry;
  if (type == GeometryType::Ring) {
    auto* polygon = new OGRPolygon();
    polygon->addRingDirectly(geometry.ogr()->toLinearRing()->clone());
    work = Geometry::Adopt(polygon);
  }
  const GeometryType workType = work.type();
  if (workType != GeometryType::Polygon && workType != GeometryType::MultiPolygon) return work;
  CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);  // GEOS explains invalidity as warnings
  if (work.ogr()->IsValid()) return work;
  std::unique_ptr<OGRGeometry> valid(work.ogr()->MakeValid());
  if (!valid || valid->IsEmpty()) return work;
  // Keep only the areal parts: a bow-tie becomes two triangles, not
  // triangles plus the crossing point.
  if (wkbFlatten(valid->getGeometryType()) == wkbGeometryCollection) {
    auto* areas = new OGRMultiPolygon();
    for (const auto* part : *valid->toGeometryCollection()) {
      const auto t = wkbFlatten(part->getGeometryType());
      if (t == wkbPolygon) areas->addGeometry(part);
      if (t == wkbMultiPolygon)
        for (const auto* p : *part->toMultiPolygon()) areas->addGeometry(p);
    }
    if (areas->IsEmpty()) {
      delete areas;
      return work;
    }
    valid.reset(areas);
  }
  return Geometry::Adopt(valid.release());
}

Geometry GeometryDifference(const Geometry& a, const Geometry& b) {
  const Geometry pa = PrepareGeometry(a);
  const Geometry pb = PrepareGeometry(b);
  if (pa.isNull()) return {};
  if (pb.isEmpty()) return pa;
  if (pa.isEmpty()) return pa;
  return Geometry::Adopt(pa.ogr()->Difference(pb.ogr()));
}

int PartCount(const Geometry& geometry) {
  if (geometry.isEmpty()) return 0;
  return static_cast<int>(geometry.parts().size());
}

}  // namespace tarvik
