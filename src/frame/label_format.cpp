#include "frame/label_format.h"

#include "common/delphi.h"
#include "common/error.h"
#include "common/text_util.h"

namespace tarvik {
namespace {

struct Dms {
  std::int64_t d, m, s;
};

// Degrees, whole minutes toward zero, and seconds rounded ties-to-even
// (not yet carried).
Dms SplitDms(long double angle) {
  Dms v;
  v.d = Trunc(angle);
  const long double f = angle - v.d;
  v.m = Trunc(f * 60);
  v.s = Round((f * 60 - v.m) * 60);
  return v;
}

std::string ZeroPadded2(std::int64_t value) { return ReplaceAll(FormatWidth(value, 2), " ", "0"); }

}  // namespace

std::string FormatDotDMS(long double angle) {
  Dms v = SplitDms(angle);
  if (v.s == 60) {
    ++v.m;
    v.s = 0;
  }
  if (v.m == 60) {
    ++v.d;
    v.m = 0;
  }
  return ReplaceAll(std::to_string(v.d) + "." + FormatWidth(v.m, 2) + FormatWidth(v.s, 2), " ",
                    "0");
}

std::string DotDMSToText(const std::string& dotDms) {
  std::string t = dotDms;
  if (const auto dot = t.find('.'); dot != std::string::npos) t = t.substr(0, dot + 5);
  if (t.size() < 5) return t;
  const std::string mmss = t.substr(t.size() - 4);
  const std::string degrees = t.substr(0, t.size() - 5);
  return degrees + "°" + mmss.substr(0, 2) + "′" + mmss.substr(2, 2) + "″";
}

std::string FormatDMS(long double angle) { return DotDMSToText(FormatDotDMS(angle)); }

std::string FormatDM(long double angle) {
  Dms v = SplitDms(angle);
  if (v.s >= 30) ++v.m;
  if (v.m == 60) {
    ++v.d;
    v.m = 0;
  }
  return std::to_string(v.d) + "°" + ZeroPadded2(v.m) + "′";
}

std::string FormatKm(long double metres, int before, int after) {
  const std::int64_t km = Trunc(metres / 1000);
  const long double rest = metres - static_cast<long double>(km) * 1000;
  std::string k = std::to_string(km);
  if (before >= 0 && static_cast<int>(k.size()) > before) k = k.substr(k.size() - before);

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
