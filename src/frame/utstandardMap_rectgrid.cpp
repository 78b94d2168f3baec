// The grid of a large-scale rectangular sheet. Its sheets lie on whole
// multiples of 10 cm on paper, so the grid lines run at fixed steps from the
// inner frame and none falls on the frame itself.
#include <cmath>

#include "frame/utstandardMap.h"

namespace tarvik {

void TstandardMap::DrawRectSheetGrid() {
  if (!FRectSheet) return;
  long double eMin, nMin, eMax, nMax;
  InnerEnvelope(eMin, nMin, eMax, nMax);
  const long double step = FRectSheet->denominator / 10.0L;   // 10 cm on paper
  const long double half = FRectSheet->denominator / 200.0L;  // 5 mm: half a cross, one tick
  const std::int64_t columns = std::llround(static_cast<double>((eMax - eMin) / step));
  const std::int64_t rows = std::llround(static_cast<double>((nMax - nMin) / step));
  if (S.rgGrid == GridType::Kilometre) {
    for (std::int64_t k = 1; k < columns; ++k)
      AddLine(kInnerLine, {nMax, eMin + k * step}, {nMin, eMin + k * step});
    for (std::int64_t k = 1; k < rows; ++k)
      AddLine(kInnerLine, {nMin + k * step, eMax}, {nMin + k * step, eMin});
    return;
  }
  // Ticks inside the frame where each grid line meets it, then the crosses.
  for (std::int64_t k = 1; k < columns; ++k) {
    const long double E = eMin + k * step;
    AddLine(kInnerLine, {nMin + half, E}, {nMin, E});
    AddLine(kInnerLine, {nMax - half, E}, {nMax, E});
  }
  for (std::int64_t k = 1; k < rows; ++k) {
    const long double N = nMin + k * step;
    AddLine(kInnerLine, {N, eMin + half}, {N, eMin});
    AddLine(kInnerLine, {N, eMax - half}, {N, eMax});
  }
  for (std::int64_t a = 1; a < columns; ++a) {
    const long double E = eMin + a * step;
    for (std::int64_t b = 1; b < rows; ++b) {
      const long double N = nMin + b * step;
      AddLine(kInnerLine, {N + half, E}, {N - half, E});
      AddLine(kInnerLine, {N, E + half}, {N, E - half});
    }
  }
}

}  // namespace tarvik
