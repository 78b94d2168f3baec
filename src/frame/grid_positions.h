// Positions and label digits of grid lines, shared by the crosshair grid and
// the kilometre grids of both builders. Values in metres.
#pragma once

#include <cstdint>
#include <string>

namespace tarvik {

// The first grid value past `innerMin`: the next multiple of the interval I
// (innerMin itself is skipped), or with the half-interval positions
// (halfMode 1) the first odd multiple of I / 2 at or past it.
long double FirstGridValue(long double innerMin, long double I, int halfMode);

// How many intervals after `first` still lie at or before `innerMax`; -1 when
// even the first lies past it. Rounded down, not toward zero: a first value
// just past the maximum must give no line rather than one outside the frame.
std::int64_t LastGridIndex(long double first, long double innerMax, long double I);

// The last two characters of a number's decimal text (the whole text when
// shorter): the kilometre digits printed beside each grid line.
std::string LastTwo(long double value);

}  // namespace tarvik
