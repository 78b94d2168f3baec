#include "coords/decimal15.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "common/delphi.h"

namespace tarvik {
namespace {

using U128 = unsigned __int128;

constexpr std::uint64_t kPow10[19] = {
    1ULL,
    10ULL,
    100ULL,
    1000ULL,
    10000ULL,
    100000ULL,
    1000000ULL,
    10000000ULL,
    100000000ULL,
    1000000000ULL,
    10000000000ULL,
    100000000000ULL,
    1000000000000ULL,
    10000000000000ULL,
    100000000000000ULL,
    1000000000000000ULL,
    10000000000000000ULL,
    100000000000000000ULL,
    1000000000000000000ULL,
};

using decimal15_detail::kPow10L;

}  // namespace

long double Decimal15ViaText(long double v) {
  if (v == 0 || v != v || v - v != 0) return v;  // zero, NaN, infinities
  return *StrToFloat(FloatToStr(v));
}

// Exact integer arithmetic on the significand, for every case the
// floating-point path in the header cannot settle.
long double Decimal15Exact(long double v) {
  // The x87 80-bit format: a 64-bit significand m with explicit integer bit
  // and a 15-bit biased exponent: |v| = m x 2^(biased - 16383 - 63).
  static_assert(std::numeric_limits<long double>::digits == 64, "x87 extended format expected");
  struct Bits {
    std::uint64_t significand;
    std::uint16_t signAndExponent;
  } bits{};
  std::memcpy(&bits, &v, 10);
  const std::uint64_t m = bits.significand;
  const int e2 = (bits.signAndExponent & 0x7FFF) - 16383 + 1;  // |v| = (m / 2^64) x 2^e2
  // The integer path covers 2^-10 <= |v| < 2^40, every angle in degrees that
  // matters (the checks also turn away zero, NaN, infinities and denormals).
  if (e2 < -9 || e2 > 40 || !(m >> 63)) return Decimal15ViaText(v);
  const int s = 64 - e2;  // |v| = m x 2^-s, s in 24..73

  // Scale to 15 integer digits. The decimal exponent E (10^E <= |v| <
  // 10^(E+1)) is estimated as floor((e2 - 1) log10 2), which is E or E - 1
  // since 2^(e2-1) <= |v| < 2^e2; in the second case the scaled value has a
  // 16th digit, which joins the part rounded off.
  int k = 14 - (((e2 - 1) * 78913) >> 18);  // 2 <= k <= 18 over this range
  const U128 scaled = static_cast<U128>(m) * kPow10[k];
  std::uint64_t q = static_cast<std::uint64_t>(scaled >> s);  // < 10^16
  U128 rest = scaled & ((static_cast<U128>(1) << s) - 1);
  U128 half = static_cast<U128>(1) << (s - 1);
  if (q >= kPow10[15]) {
    const std::uint64_t tenth = q / 10;
    rest |= static_cast<U128>(q - tenth * 10) << s;
    half *= 10;
    q = tenth;
    --k;
  }
  if (rest == 0) return v;  // at most 15 significant digits already
  const std::uint64_t digits = q + ((rest > half || (rest == half && (q & 1))) ? 1 : 0);
  // digits < 2^50 and 10^k < 2^64 are exact long doubles, so one division
  // gives the long double nearest to digits x 10^-k, as parsing the text does.
  const long double r = static_cast<long double>(static_cast<std::int64_t>(digits)) / kPow10L[k];
  return (bits.signAndExponent & 0x8000) ? -r : r;
}

}  // namespace tarvik
