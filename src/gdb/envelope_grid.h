// A uniform grid over the envelopes of a set of features, answering "which
// features may meet this rectangle" without looking at every feature. Built
// once for an input class; a lookup costs what the cells it touches hold,
// not the size of the set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gdb/geometry.h"

namespace tarvik {

class EnvelopeGrid {
 public:
  EnvelopeGrid() = default;
  // About one cell per item, at most `maxCellsPerSide` cells along a side.
  explicit EnvelopeGrid(const std::vector<Envelope>& items, int maxCellsPerSide = 1024);

  // Indexes of the items whose envelope meets `query`, ascending, each once.
  std::vector<std::size_t> candidates(const Envelope& query) const;
  std::size_t size() const { return items_.size(); }
  int columns() const { return columns_; }
  int rows() const { return rows_; }

 private:
  int column(double x) const;
  int row(double y) const;

  std::vector<Envelope> items_;
  Envelope extent_;
  int columns_ = 0, rows_ = 0;
  double cellWidth_ = 1, cellHeight_ = 1;
  std::vector<std::uint32_t> cellStart_;  // CSR layout: cell c holds ids_[cellStart_[c] .. cellStart_[c+1])
  std::vector<std::uint32_t> ids_;
};

}  // namespace tarvik
