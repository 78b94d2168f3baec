// The names the adjacent-sheet table of an index run gives the neighbours
// of a standard sheet, by the neighbours' numbers rather than by a spatial
// query of the index per cell.
//
// Read once from the whole index (every feature, whatever the run's
// condition, as the query sees them): each feature whose corners are a
// sheet of the run's scale (SheetCellOfCorners) goes into a table sorted by
// its cell, with its name; a name that is the sheet's own number (the usual
// naming field) is not stored at all. A neighbour's name is then a binary
// search. The features that are no such sheet (odd polygons, sheets read
// by corners that do not agree) are only counted: where the table holds no
// sheet for a neighbour and such features exist, one of them may lie there,
// and the caller asks the index as before.
//
// Memory: 12 bytes per sheet, and the names that are not the sheets'
// numbers (300 000 sheets named by number: about 3.6 MB).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "coords/utlbxy.h"
#include "frame/input_reprojection.h"
#include "gdb/feature_class.h"
#include "sheets/sheet_neighbours.h"

namespace tarvik {

class IndexSheetNames {
 public:
  // The sheets of `index` at the scale (its shapes put into the run's
  // system by `reprojection` when given; degrees when `geographic`, else
  // planar metres of `coords`), named by the field `nameField`.
  IndexSheetNames(const FeatureClass& index, InputReprojection* reprojection, const std::string& nameField,
                  const CoordParams& coords, bool geographic, int scaleIndex);

  // The name of the index's sheet in the cell (none: a neighbour outside
  // the series, past the equator or 88 degrees north). None when the index
  // holds no sheet there but holds features that are no sheet (ask the
  // index at the point); empty when it holds nothing there.
  std::optional<std::string> nameOf(const std::optional<SheetCell>& cell) const;

  // Sheets in the table, and features that are none.
  std::size_t sheets() const { return keys_.size(); }
  std::int64_t others() const { return others_; }

 private:
  std::uint64_t keyOf(const SheetCell& cell) const;

  int scaleIndex_;
  std::int64_t rows_;
  std::vector<std::uint64_t> keys_;  // sorted, each once (the first feature of a cell)
  // Per key: kOwnNumber, or the index of its name in starts_: name t is
  // pool_[starts_[t], starts_[t + 1]) (the last one to the pool's end).
  std::vector<std::uint32_t> names_;
  std::vector<std::uint32_t> starts_;
  std::string pool_;
  std::int64_t others_ = 0;
};

}  // namespace tarvik
