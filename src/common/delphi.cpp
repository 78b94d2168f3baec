#include "common/delphi.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tarvik {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::int64_t Round(long double value) {
  return static_cast<std::int64_t>(std::nearbyintl(value));  // default mode: ties to even
}

std::int64_t Trunc(long double value) { return static_cast<std::int64_t>(std::truncl(value)); }

long double Int(long double value) { return std::truncl(value); }

long double Frac(long double value) { return value - std::truncl(value); }

std::string FloatToStr(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  // to_chars writes "1e+20" and "1e-05"; the wanted form is "1E20", "1E-5".
  const auto e = text.find('e');
  if (e != std::string::npos) {
    std::string mantissa = text.substr(0, e);
    std::string exponent = text.substr(e + 1);
    std::string sign;
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
      if (exponent[0] == '-') sign = "-";
      exponent.erase(0, 1);
    }
    while (exponent.size() > 1 && exponent[0] == '0') exponent.erase(0, 1);
    text = mantissa + "E" + sign + exponent;
  }
  return text;
}

std::string FormatFixed(long double value, int decimals) {
  char buffer[128];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return FloatToStr(value);
  std::string text(buffer, result.ptr);
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

std::string FormatWidth(std::int64_t value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
  return text;
}

std::optional<long double> StrToFloat(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (s.empty()) return std::nullopt;
  bool negative = false;
  if (s.front() == '+' || s.front() == '-') {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  // Only digits, one ".", and an exponent: no "inf", "nan" or hex floats.
  if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '.'))
    return std::nullopt;
  for (char c : s) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == 'e' || c == 'E' || c == '+' ||
          c == '-'))
      return std::nullopt;
  }
  // Plain decimals of up to 19 digits with at most 27 decimals: the digits
  // and the power of ten are both exact in a long double, so one division
  // rounds exactly as a full decimal conversion would (Clinger's fast
  // path), at a fraction of its cost. Everything else takes the full one.
  {
    static constexpr long double kPow10[28] = {
        1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
        1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
    std::uint64_t digits = 0;
    int decimals = 0, count = 0;
    bool point = false, plain = true;
    for (char c : s) {
      if (c == '.' && !point) {
        point = true;
      } else if (c >= '0' && c <= '9' && digits <= (UINT64_MAX - 9) / 10) {
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        decimals += point;
        ++count;
      } else {
        plain = false;
        break;
      }
    }
    if (plain && count > 0 && decimals < 28) {
      const long double value = static_cast<long double>(digits) / kPow10[decimals];
      return negative ? -value : value;
    }
  }
  long double value = 0;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != s.data() + s.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<std::int64_t> StrToInt(std::string_view text) {
  std::string_view s = text;
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  std::uint64_t magnitude = 0;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
  if (result.ec != std::errc() || result.ptr != s.data() + s.size()) return std::nullopt;
  const std::uint64_t limit = negative ? std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1
                                       : std::uint64_t(std::numeric_limits<std::int64_t>::max());
  if (magnitude > limit) return std::nullopt;
  if (negative)
    return magnitude == limit ? std::numeric_limits<std::int64_t>::min()
                              : -static_cast<std::int64_t>(magnitude);
  return static_cast<std::int64_t>(magnitude);
}

}  // namespace tarvik
