#include "frame/index_sheet_names.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "common/error.h"
#include "frame/utstandardMap.h"
#include "gdb/class_queries.h"
#include "gdb/feature.h"

namespace tarvik {
namespace {

constexpr std::uint32_t kOwnNumber = std::numeric_limits<std::uint32_t>::max();

}  // namespace

IndexSheetNames::IndexSheetNames(const FeatureClass& index, InputReprojection* reprojection,
                                 const std::string& nameField, const CoordParams& coords, bool geographic,
                                 int scaleIndex)
    : scaleIndex_(scaleIndex), rows_(SheetRowsOf(scaleIndex)) {
  std::vector<std::pair<std::uint64_t, std::uint32_t>> found;  // key, name, in feature order
  ReadSelectedFeatures(index, "", [&](const Feature& feature) {
    Geometry shape;
    if (reprojection) {
      auto moved = reprojection->shapeOf(feature);
      if (auto* g = std::get_if<Geometry>(&moved)) shape = std::move(*g);
    } else {
      shape = feature.geometry();
    }
    const std::size_t n = shape.isEmpty() ? 0 : shape.pointCount();
    const auto cell =
        PartCount(shape) == 1 && (n == 4 || n == 5)
            ? SheetCellOfCorners(scaleIndex, TstandardMap::ShapeCorners(shape), coords, geographic)
            : std::nullopt;
    if (!cell) {
      ++others_;
      return;
    }
    const std::string name = FieldValueText(feature, nameField);
    std::uint32_t ref = kOwnNumber;
    if (name != SheetNumberOfCell(*cell)) {
      if (pool_.size() + name.size() >= kOwnNumber || starts_.size() >= kOwnNumber - 1)
        throw RunError("图幅索引的图名太多，无法读入内存");
      ref = static_cast<std::uint32_t>(starts_.size());
      starts_.push_back(static_cast<std::uint32_t>(pool_.size()));
      pool_ += name;
    }
    found.emplace_back(keyOf(*cell), ref);
  });
  // The first feature of a cell names it, as the first the query finds.
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  found.erase(std::unique(found.begin(), found.end(),
                          [](const auto& a, const auto& b) { return a.first == b.first; }),
              found.end());
  keys_.reserve(found.size());
  names_.reserve(found.size());
  for (const auto& [key, ref] : found) {
    keys_.push_back(key);
    names_.push_back(ref);
  }
  pool_.shrink_to_fit();
  starts_.shrink_to_fit();
}

std::uint64_t IndexSheetNames::keyOf(const SheetCell& cell) const {
  return static_cast<std::uint64_t>(cell.gx) * static_cast<std::uint64_t>(rows_) +
         static_cast<std::uint64_t>(cell.gy);
}

std::optional<std::string> IndexSheetNames::nameOf(const std::optional<SheetCell>& cell) const {
  if (cell && cell->scaleIndex == scaleIndex_) {
    const std::uint64_t key = keyOf(*cell);
    const auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
    if (at != keys_.end() && *at == key) {
      const std::uint32_t ref = names_[static_cast<std::size_t>(at - keys_.begin())];
      if (ref == kOwnNumber) return SheetNumberOfCell(*cell);
      const std::size_t start = starts_[ref];
      const std::size_t end = ref + 1 < starts_.size() ? starts_[ref + 1] : pool_.size();
      return pool_.substr(start, end - start);
    }
  }
  if (others_ > 0) return std::nullopt;
  return std::string();
}

}  // namespace tarvik
