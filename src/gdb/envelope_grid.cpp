#include "gdb/envelope_grid.h"

#include <algorithm>
#include <cmath>

namespace tarvik {

EnvelopeGrid::EnvelopeGrid(const std::vector<Envelope>& items, int maxCellsPerSide) : items_(items) {
  // An envelope with NaN or infinite values (a damaged shape) has no place
  // in the grid and meets nothing.
  const auto placed = [](const Envelope& e) { return e.isFinite() && e.xMin <= e.xMax && e.yMin <= e.yMax; };
  const auto first = std::find_if(items_.begin(), items_.end(), placed);
  if (first == items_.end()) return;
  extent_ = *first;
  for (const auto& e : items_) {
    if (!placed(e)) continue;
    extent_.xMin = std::min(extent_.xMin, e.xMin);
    extent_.yMin = std::min(extent_.yMin, e.yMin);
    extent_.xMax = std::max(extent_.xMax, e.xMax);
    extent_.yMax = std::max(extent_.yMax, e.yMax);
  }
  const int side = std::clamp(static_cast<int>(std::ceil(std::sqrt(static_cast<double>(items_.size())))), 1,
                              std::max(1, maxCellsPerSide));
  const double width = extent_.xMax - extent_.xMin, height = extent_.yMax - extent_.yMin;
  columns_ = width > 0 ? side : 1;
  rows_ = height > 0 ? side : 1;
  cellWidth_ = width > 0 ? width / columns_ : 1;
  cellHeight_ = height > 0 ? height / rows_ : 1;

  const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
  std::vector<std::uint32_t> counts(cells + 1, 0);
  auto forEachCell = [&](const Envelope& e, auto&& fn) {
    const int c0 = column(e.xMin), c1 = column(e.xMax), r0 = row(e.yMin), r1 = row(e.yMax);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) fn(static_cast<std::size_t>(r) * columns_ + c);
  };
  for (const auto& e : items_)
    if (placed(e)) forEachCell(e, [&](std::size_t cell) { ++counts[cell + 1]; });
  for (std::size_t c = 0; c < cells; ++c) counts[c + 1] += counts[c];
  cellStart_ = counts;
  ids_.resize(cellStart_.back());
  std::vector<std::uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (placed(items_[i]))
      forEachCell(items_[i], [&](std::size_t cell) { ids_[fill[cell]++] = static_cast<std::uint32_t>(i); });
}

// Cell indexes are clamped; a quotient that is no number (coordinates so
// large that their differences overflow) counts as the first cell.
int EnvelopeGrid::column(double x) const {
  const double c = std::floor((x - extent_.xMin) / cellWidth_);
  return std::isnan(c) ? 0 : static_cast<int>(std::clamp(c, 0.0, static_cast<double>(columns_ - 1)));
}

int EnvelopeGrid::row(double y) const {
  const double r = std::floor((y - extent_.yMin) / cellHeight_);
  return std::isnan(r) ? 0 : static_cast<int>(std::clamp(r, 0.0, static_cast<double>(rows_ - 1)));
}

std::vector<std::size_t> EnvelopeGrid::candidates(const Envelope& q) const {
  std::vector<std::size_t> out;
  if (cellStart_.empty() || !q.isFinite() || !q.intersects(extent_)) return out;
  const int c0 = column(q.xMin), c1 = column(q.xMax), r0 = row(q.yMin), r1 = row(q.yMax);
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) {
      const std::size_t cell = static_cast<std::size_t>(r) * columns_ + c;
      for (std::uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k)
        if (items_[ids_[k]].intersects(q)) out.push_back(ids_[k]);
    }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

}  // namespace tarvik
