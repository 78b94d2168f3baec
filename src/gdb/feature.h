// One feature read from a class: its identifier, its geometry and its
// attribute values, detached from the store (it stays valid after the class
// is closed).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "gdb/geometry.h"

namespace tarvik {

// Null, integer, real or text (UTF-8; dates as GDAL writes them).
using FieldValue = std::variant<std::monostate, std::int64_t, double, std::string>;

class Feature {
 public:
  Feature() = default;
  Feature(std::int64_t fid, Geometry geometry, std::shared_ptr<const std::vector<std::string>> names,
          std::vector<FieldValue> values)
      : fid_(fid), geometry_(std::move(geometry)), names_(std::move(names)), values_(std::move(values)) {}

  std::int64_t fid() const { return fid_; }
  const Geometry& geometry() const { return geometry_; }
  // The shape replaced (an input's shape put into the run's system).
  void setGeometry(Geometry geometry) { geometry_ = std::move(geometry); }
  // Attribute field names in class order (the FID and the geometry excluded).
  const std::vector<std::string>& fieldNames() const;
  // Index of the field, letter case ignored; -1 when there is none.
  int fieldIndex(const std::string& name) const;
  const FieldValue& value(int index) const { return values_.at(static_cast<std::size_t>(index)); }

 private:
  std::int64_t fid_ = -1;
  Geometry geometry_;
  std::shared_ptr<const std::vector<std::string>> names_;
  std::vector<FieldValue> values_;
};

// The value of the named field as text: empty for a field the feature does
// not have and for a null value; integers in decimal, reals in their
// shortest form (at most 15 significant digits, "." as separator). The
// feature's identifier is also readable as "FID" or "OBJECTID" when no
// attribute field has that name.
std::string FieldValueText(const Feature& feature, const std::string& fieldName);

}  // namespace tarvik
