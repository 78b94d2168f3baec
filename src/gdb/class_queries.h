// Reading input data and querying classes: opening shapefiles, listing
// fields, distinct values, attribute and spatial selections.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/user_feedback.h"
#include "coords/spatial_reference.h"
#include "gdb/feature.h"
#include "gdb/feature_class.h"
#include "gdb/geometry.h"

namespace tarvik {

// The class of a shapefile (read only); none on any failure (missing file,
// not a shapefile, no layer), silently. Attribute text comes out as UTF-8:
// decoded as its .cpg says when there is one; otherwise read as UTF-8 when
// every text of the file is valid UTF-8, and as GBK (code page 936, what
// Chinese shapefiles without a .cpg hold) when not.
FeatureClass OpenShapefileClass(const std::string& path);

// Appends, in field order and in upper case, the names of the class's
// attribute fields, leaving out SHAPE_LENGTH, SHAPE_LENG, SHAPE_AREA and
// SHAPE, and for annotation classes also FEATUREID, ELEMENT,
// ANNOTATIONCLASSID and ZORDER (letter case ignored). The object identifier
// is not a system field and comes first: "FID" for a shapefile (its record
// number), the FID column ("OBJECTID") for a geodatabase class. Returns the size of the list afterwards
// (the list is not cleared).
int ListAttributeFields(const FeatureClass& cls, std::vector<std::string>& list);

// Fills `list` with the attribute fields of the shapefile whose values
// differ on every feature, letter case ignored (the stores compare the
// names made from them so). A path that does not open as a shapefile shows
// "不能打开" + path through `feedback`, leaves the list unchanged and
// returns false.
bool ListIdentifyingFields(const std::string& shapefilePath, std::vector<std::string>& list,
                           UserFeedback& feedback);
// The same fields of an open class.
std::vector<std::string> IdentifyingFields(const FeatureClass& cls);

// Appends the distinct values of the field as text, sorted ascending with
// letter case ignored; when the class has features but the field gave no
// value, one empty entry. Nothing for a class without features.
void UniqueValues(const FeatureClass& cls, const std::string& fieldName, std::vector<std::string>& list);

enum class QueryLimit { First, All };

struct QueryResult {
  std::int64_t count = 0;         // all features that meet the conditions
  std::vector<Feature> features;  // the first one, or all of them
};

// The features that intersect `geometry` and meet the where clause (none
// when empty). On an input class the first query reads the class once into
// memory with a grid of envelopes, so later lookups cost the same whatever
// the size of the class. An invalid where clause ends the run with a
// RunError carrying the data source's own complaint.
QueryResult QueryFeatures(const FeatureClass& cls, const Geometry& geometry, const std::string& where,
                          QueryLimit limit = QueryLimit::All);

// The number of features the where clause selects (all for an empty one).
// RunError for an invalid where clause, as above.
std::int64_t FeatureCount(const FeatureClass& cls, const std::string& where);

// The features the where clause selects, in store order. The selection is
// made when the cursor is created; later queries on the class do not
// disturb it.
class FeatureCursor {
 public:
  FeatureCursor() = default;
  bool next(Feature& feature);
  std::size_t size() const { return fids_.size(); }

 private:
  friend FeatureCursor SearchFeatures(const FeatureClass& cls, const std::string& where);
  friend FeatureCursor CursorOfFeatures(const FeatureClass& cls, std::vector<std::int64_t> fids);
  FeatureClass cls_;
  std::vector<std::int64_t> fids_;
  std::shared_ptr<const std::vector<std::string>> names_;
  std::size_t position_ = 0;
};
FeatureCursor SearchFeatures(const FeatureClass& cls, const std::string& where);
// The features with these FIDs, in this order (FIDs that are gone are passed
// over).
FeatureCursor CursorOfFeatures(const FeatureClass& cls, std::vector<std::int64_t> fids);

// Reads every feature the where clause selects, in store order, handing each
// to `visit`. RunError when the store fails to read one (a truncated or
// damaged file), naming the file and the store's complaint, and for an
// invalid where clause.
void ReadSelectedFeatures(const FeatureClass& cls, const std::string& where,
                          const std::function<void(const Feature&)>& visit);

// The spatial reference of the class; none for a null class or a class
// without one.
SpatialReference DatasetSpatialReference(const FeatureClass& cls);

// Whether the class holds polygons (a polygon shapefile); false for a null
// class and for points, lines and classes of no declared type.
bool IsPolygonClass(const FeatureClass& cls);

// The extent of the class's features; none when it has none.
std::optional<Envelope> ClassExtent(const FeatureClass& cls);
// The extent of the features the where clause selects (all for an empty
// one), leaving out empty geometries and non-finite coordinates; none when
// no feature has a usable geometry. RunError for an invalid where clause.
std::optional<Envelope> SelectionExtent(const FeatureClass& cls, const std::string& where);

}  // namespace tarvik
