#include "frame/label_format.h"

#include <cmath>

#include "common/delphi.h"
#include "common/error.h"
#include "common/text_util.h"

namespace tarvik {
namespace {

// A value within this many seconds of a tenth of a second is that tenth:
// corners and grid lines of the series lie on whole or half seconds, and
// the planar round trip of a corner (the classical forward series beside
// the exact inverse, 1.2 mm in China) moves them by less than 1e-4 second,
// at 88N by 2e-3 second of longitude; 2e-3 second is 6 cm of latitude.
constexpr long double kSecondTolerance = 2e-3L;

// An angle in degrees, minutes and seconds, carried: the seconds in units
// of 10^-decimals second.
struct Dms {
  bool negative = false;
  std::int64_t d = 0, m = 0, s = 0;
  int decimals = 0;  // 0 whole seconds, 1 tenths
};

// The seconds are those of the value: whole when it lies within the
// tolerance of a whole second, tenths when it lies that near a tenth (a
// 1:5000 sheet's half seconds), otherwise whole seconds rounded, ties to
// even. A negative angle is the negative of its magnitude's text.
Dms SplitDms(long double angle) {
  Dms v;
  v.negative = angle < 0;
  const long double seconds = std::fabs(angle) * 3600;
  std::int64_t units = Round(seconds);
  if (std::fabs(seconds - static_cast<long double>(units)) > kSecondTolerance) {
    const std::int64_t tenths = Round(seconds * 10);
    if (std::fabs(seconds * 10 - static_cast<long double>(tenths)) <= kSecondTolerance * 10) {
      units = tenths;
      v.decimals = 1;
    }
  }
  const std::int64_t perSecond = v.decimals ? 10 : 1;
  v.s = units % (60 * perSecond);
  v.m = units / (60 * perSecond) % 60;
  v.d = units / (3600 * perSecond);
  return v;
}

std::string ZeroPadded2(std::int64_t value) { return ReplaceAll(FormatWidth(value, 2), " ", "0"); }

// The seconds of `v` as two digits and, for tenths, the tenth: "07", "07.5".
std::string SecondsText(const Dms& v) {
  if (!v.decimals) return ZeroPadded2(v.s);
  return ZeroPadded2(v.s / 10) + "." + std::to_string(v.s % 10);
}

}  // namespace

std::string FormatDotDMS(long double angle) {
  const Dms v = SplitDms(angle);
  std::string text = std::string(v.negative && (v.d || v.m || v.s) ? "-" : "") + std::to_string(v.d) + "." +
                     ZeroPadded2(v.m) + ZeroPadded2(v.decimals ? v.s / 10 : v.s);
  if (v.decimals) text += std::to_string(v.s % 10);
  return text;
}

std::string DotDMSToText(const std::string& dotDms) {
  // D.MMSS, digits after the second seconds digit being its decimals.
  const auto dot = dotDms.find('.');
  if (dot == std::string::npos || dotDms.size() < dot + 5) {
    // Too short for D.MMSS: the old reading, the last four characters as MMSS.
    if (dotDms.size() < 5) return dotDms;
    const std::string mmss = dotDms.substr(dotDms.size() - 4);
    return dotDms.substr(0, dotDms.size() - 5) + "°" + mmss.substr(0, 2) + "′" + mmss.substr(2, 2) + "″";
  }
  std::string fraction = dotDms.substr(dot + 5);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return dotDms.substr(0, dot) + "°" + dotDms.substr(dot + 1, 2) + "′" + dotDms.substr(dot + 3, 2) +
         (fraction.empty() ? "" : "." + fraction) + "″";
}

std::string FormatDMS(long double angle) {
  const Dms v = SplitDms(angle);
  return std::string(v.negative && (v.d || v.m || v.s) ? "-" : "") + std::to_string(v.d) + "°" +
         ZeroPadded2(v.m) + "′" + SecondsText(v) + "″";
}

std::string FormatDM(long double angle) {
  Dms v = SplitDms(angle);
  const std::int64_t half = v.decimals ? 300 : 30;  // 30 seconds
  const bool negative = v.negative;
  if (v.s >= half) ++v.m;
  if (v.m == 60) {
    ++v.d;
    v.m = 0;
  }
  return std::string(negative && (v.d || v.m) ? "-" : "") + std::to_string(v.d) + "°" + ZeroPadded2(v.m) +
         "′";
}

std::string FormatKm(long double metres, int before, int after, bool zonePrefixed) {
  const std::int64_t km = Trunc(metres / 1000);
  const long double rest = metres - static_cast<long double>(km) * 1000;
  std::string k = std::to_string(km);
  // The last three kilometre digits lie within the zone; more would split
  // the zone number of a prefixed easting.
  const bool splitsZone = zonePrefixed && before > 3;
  if (before >= 0 && static_cast<int>(k.size()) > before && !splitsZone) k = k.substr(k.size() - before);

  // The metres within the kilometre, with three integer digits so that 56.3 m
  // reads 056.3 and gives the digits 05, not 56.
  std::string r = FloatToStr(rest);
  if (r.find('E') != std::string::npos) r = "0";  // only rounding noise is this small
  const auto dot = r.find('.');
  std::string whole = dot == std::string::npos ? r : r.substr(0, dot);
  const std::string fraction = dot == std::string::npos ? "" : r.substr(dot + 1);
  if (whole.size() < 3) whole.insert(0, 3 - whole.size(), '0');
  std::string digits = whole + fraction + "0000000000";
  if (after >= 0 && static_cast<int>(digits.size()) > after) digits = digits.substr(0, after);
  return k + "." + digits;
}

std::string DMSAfterDegree(long double angle) {
  const std::string text = FormatDMS(angle);
  const auto pos = text.find("°");
  return pos == std::string::npos ? std::string() : text.substr(pos + std::string("°").size());
}

void CheckLatLon(long double lat, long double lon) {
  if (!(lat >= 1 && lat <= 90 && lon >= 20 && lon <= 180)) throw RunError("参数设置错误");
}

}  // namespace tarvik
