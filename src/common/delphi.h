// Number rules the frame arithmetic depends on, fixed once here: rounding
// ties to even, truncation toward zero, the shortest 15-digit decimal text
// with "." whatever the locale, and number parsing that fails cleanly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

// Nearest integer, ties to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
std::int64_t Round(long double value);
// Integer part toward zero (-2.7 -> -2), as an integer.
std::int64_t Trunc(long double value);
// Integer part toward zero, kept as a real number (for values beyond int64).
long double Int(long double value);
// value - Int(value).
long double Frac(long double value);

// Shortest decimal text with at most 15 significant digits; "." always;
// exponent form ("1E20", "1.5E-7") only below 1e-5 or from 1e15 on.
std::string FloatToStr(long double value);
// Fixed decimals, "." always: FormatFixed(87.3, 4) == "87.3000".
std::string FormatFixed(long double value, int decimals);
// An integer right-aligned in `width` columns with spaces, like "%2d".
std::string FormatWidth(std::int64_t value, int width);

// A decimal number with optional surrounding blanks, optional sign, "."
// decimals and an optional exponent. No value for anything else (including
// "", "1,5", "inf", "nan").
std::optional<long double> StrToFloat(std::string_view text);
// A decimal integer with optional leading blanks and sign, or a hexadecimal
// one written "$1F" or "0x1F". No value for anything else or on overflow.
std::optional<std::int64_t> StrToInt(std::string_view text);

}  // namespace tarvik
