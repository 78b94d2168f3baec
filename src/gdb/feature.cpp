#include "gdb/feature.h"

#include "common/delphi.h"
#include "common/text_util.h"

namespace tarvik {

const std::vector<std::string>& Feature::fieldNames() const {
  static const std::vector<std::string> none;
  return names_ ? *names_ : none;
}

int Feature::fieldIndex(const std::string& name) const {
  const auto& names = fieldNames();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return static_cast<int>(i);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (EqualsNoCase(names[i], name)) return static_cast<int>(i);
  return -1;
}

std::string FieldValueText(const Feature& feature, const std::string& fieldName) {
  const int index = feature.fieldIndex(fieldName);
  if (index < 0) {
    if (EqualsNoCase(fieldName, "FID") || EqualsNoCase(fieldName, "OBJECTID"))
      return feature.fid() >= 0 ? std::to_string(feature.fid()) : std::string();
    return {};
  }
  const FieldValue& v = feature.value(index);
  if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) return FloatToStr(*d);
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return {};
}

}  // namespace tarvik
