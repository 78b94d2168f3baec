#include "coords/decimal15.h"

#include <cmath>
#include <cstdint>

#include "common/delphi.h"

namespace tarvik {
namespace {

using U128 = unsigned __int128;

constexpr std::uint64_t kPow10[20] = {1ULL,
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
                                      10000000000000000000ULL};

long double ViaText(long double v) { return *StrToFloat(FloatToStr(v)); }

}  // namespace

long double Decimal15(long double v) {
  if (!std::isfinite(v) || v == 0) return v;
  const long double a = std::fabs(v);
  int e2 = 0;
  const long double fraction = std::frexp(a, &e2);  // a = fraction x 2^e2, fraction in [0.5, 1)
  // The integer path below covers 2^-10 <= a < 2^40, which holds every angle
  // in degrees that matters; anything else goes through the text.
  if (e2 < -9 || e2 > 40) return ViaText(v);

  // a = m x 2^-s exactly, m the 64-bit significand.
  const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
  const int s = 64 - e2;  // 24..73

  // Decimal exponent E with 10^E <= a < 10^(E+1). Since 2^(e2-1) <= a < 2^e2
  // the estimate is E or E - 1; the digit count of the scaled value settles it.
  int e10 = static_cast<int>(std::floor((e2 - 1) * 0.30102999566398120));
  for (;;) {
    const int k = 14 - e10;  // scale to 15 integer digits; 1 <= k <= 19 here
    const U128 scaled = static_cast<U128>(m) * kPow10[k];
    const U128 q = scaled >> s;
    if (q >= kPow10[15]) {
      ++e10;
      continue;
    }
    const U128 rest = scaled - (q << s);
    const U128 half = static_cast<U128>(1) << (s - 1);
    const std::uint64_t digits =
        static_cast<std::uint64_t>(q) + ((rest > half || (rest == half && (q & 1))) ? 1 : 0);
    // digits < 2^50 and 10^k < 2^64 are exact long doubles, so one division
    // gives the long double nearest to digits x 10^-k, as parsing the text does.
    const long double r = static_cast<long double>(digits) / static_cast<long double>(kPow10[k]);
    return v < 0 ? -r : r;
  }
}

}  // namespace tarvik
