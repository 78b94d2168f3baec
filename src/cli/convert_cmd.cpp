// tarvik-cli convert: latitude/longitude <-> Gauss-Krueger plane coordinates
// with the series the frames are drawn with, one pair from the arguments or
// one pair per line from standard input.
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/command.h"
#include "common/delphi.h"
#include "common/error.h"
#include "common/recording_feedback.h"
#include "common/text_util.h"
#include "coords/utBJ54Xian80.h"
#include "coords/utlbxy.h"

namespace tarvik::cli {
namespace {

const char* kUsage =
    "Usage: tarvik-cli convert (--to-xy LAT LON | --to-lb X Y) [OPTIONS]\n"
    "       tarvik-cli convert (--to-xy - | --to-lb -) [OPTIONS] < pairs\n\n"
    "Converts between geodetic coordinates and Gauss-Krueger plane coordinates of\n"
    "the CGCS2000, Xi'an 1980, Beijing 1954 or WGS84 datum, with the same series the\n"
    "frames are drawn with. x is the northing, y the easting, both in metres.\n\n"
    "Options:\n"
    "  --to-xy LAT LON           latitude and longitude in decimal degrees (south and\n"
    "                            west negative) to \"x y\"; at most 6 degrees from\n"
    "                            the central meridian\n"
    "  --to-lb X Y               x (northing) and y (easting) in metres to \"lon lat\"\n"
    "                            in decimal degrees\n"
    "  -                         instead of a pair: read one pair per line from\n"
    "                            standard input (same order, separated by blanks or a\n"
    "                            comma) and write one result per line; blank lines and\n"
    "                            lines starting with # are copied; a line that cannot\n"
    "                            be converted gives \"* *\" (null with --json) and a\n"
    "                            message with its line number on stderr\n"
    "  --datum NAME              cgcs2000, xian80 (default), beijing54 or wgs84\n"
    "  --zone-width 3|6          3-degree or 6-degree zones (default 3)\n"
    "  --central-meridian N      central meridian in degrees east (default 87); any\n"
    "                            meridian, not only a zone's (without --zone-prefix)\n"
    "  --zone-prefix             eastings carry the zone number in front (zone of the\n"
    "                            central meridian: 114 in 3-degree zones is zone 38,\n"
    "                            easting 38500000 on the meridian)\n"
    "  --dms                     with --to-xy: LAT and LON are written D.MMSS\n"
    "                            (30.3015 is 30 deg 30' 15\")\n"
    "  --json                    print {\"x\": .., \"y\": ..} or {\"lon\": .., \"lat\": ..}\n"
    "                            (one object per line when reading standard input)\n\n"
    "Output: metres with 4 decimals, degrees with 10 decimals.\n"
    "Exit status: 0 converted, 1 input refused (reason on stderr; when reading\n"
    "standard input: some line refused, the others still converted), 2 wrong usage.\n\n"
    "Examples:\n"
    "  tarvik-cli convert --to-xy 40 88 --zone-width 6 --zone-prefix\n"
    "  tarvik-cli convert --to-lb 3375569.881 38523999.780 --central-meridian 114 --zone-prefix\n";

constexpr long double kMaxFromMeridian = 6;  // degrees

struct Settings {
  CoordParams params;
  bool toXY = true;
  bool dms = false;
  bool json = false;
};

long double ReadNumber(const std::string& text) {
  const auto v = StrToFloat(text);
  if (!v) throw RunError("\"" + text + "\" 不是有效的数");
  return *v;
}

// One conversion; throws RunError with the reason when the pair is refused.
std::string Convert(const Settings& s, const std::string& first, const std::string& second) {
  const CoordParams& p = s.params;
  if (s.toXY) {
    const PlanarXY xy = GaussForward(p.datum, first, second, s.dms, p.is3DegreeZone,
                                     p.addZoneNumber, p.centralMeridian);
    const long double lat = s.dms ? DmsTextToDegrees(first) : ReadNumber(first);
    const long double lon = s.dms ? DmsTextToDegrees(second) : ReadNumber(second);
    if (lat < -90 || lat > 90) throw RunError("纬度超出范围 (-90..90): " + first);
    if (lon < -180 || lon > 360) throw RunError("经度超出范围 (-180..360): " + second);
    // The series hold within a zone and its overlap; far beyond they give
    // numbers that belong to no point.
    if (std::fabs(lon - p.centralMeridian) > kMaxFromMeridian)
      throw RunError("经度 " + second + " 离中央经线 " + FloatToStr(p.centralMeridian) +
                     " 超过 6 度");
    const std::string x = FormatFixed(xy.x, 4), y = FormatFixed(xy.y, 4);
    return s.json ? "{\"x\": " + x + ", \"y\": " + y + "}" : x + " " + y;
  }

  const long double x = ReadNumber(first), y = ReadNumber(second);
  // The series take the zone from the central meridian; an easting written
  // for another zone, or with a prefix that was not declared, would silently
  // land hundreds of kilometres away.
  const int zone = ZoneNumberOf(p.is3DegreeZone, p.centralMeridian);
  const long double eastingZone = Int(y / 1000000);
  if (p.addZoneNumber && eastingZone != zone)
    throw RunError("东坐标 " + second + " 的带号不是中央经线 " + FloatToStr(p.centralMeridian) +
                   " 的带号 " + std::to_string(zone));
  if (!p.addZoneNumber && (y >= 1000000 || y <= -1000000))
    throw RunError("东坐标 " + second + " 含带号，需要 --zone-prefix");

  RecordingFeedback feedback;
  long double lon = 0, lat = 0;
  if (!XYToLB(p, x, y, lon, lat, feedback) || lat < -90 || lat > 90)
    throw RunError(feedback.messages.empty() ? "输入的数据,错误" : feedback.messages.front());
  const std::string l = FormatFixed(lon, 10), b = FormatFixed(lat, 10);
  return s.json ? "{\"lon\": " + l + ", \"lat\": " + b + "}" : l + " " + b;
}

std::vector<std::string> SplitPair(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : line) {
    if (c == ' ' || c == '\t' || c == ',' || c == ';') {
      if (!field.empty()) fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) fields.push_back(field);
  return fields;
}

int ConvertStream(const Settings& s) {
  bool refused = false;
  std::string line;
  for (long number = 1; std::getline(std::cin, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') {
      std::cout << line << "\n";
      continue;
    }
    try {
      const auto fields = SplitPair(trimmed);
      if (fields.size() != 2) throw RunError("需要两个数，得到 " + std::to_string(fields.size()) + " 个");
      std::cout << Convert(s, fields[0], fields[1]) << "\n";
    } catch (const RunError& e) {
      refused = true;
      std::cout << (s.json ? "null" : "* *") << "\n";
      std::cerr << "tarvik-cli convert: 第 " << number << " 行: " << e.what() << "\n";
    }
  }
  return refused ? kExitRefused : kExitOk;
}

Settings ReadSettings(const Args& args) {
  Settings s;
  const bool toXY = args.flag("--to-xy"), toLB = args.flag("--to-lb");
  if (toXY == toLB) throw UsageError("需要 --to-xy 或 --to-lb 之一");
  s.toXY = toXY;
  s.dms = args.flag("--dms");
  if (s.dms && !toXY) throw UsageError("--dms 只用于 --to-xy");
  s.json = args.flag("--json");

  const std::string datum = args.value("--datum").value_or("xian80");
  const auto d = DatumOfKey(datum);
  if (!d) throw UsageError("--datum 只能是 " + DatumKeyList() + ": " + datum);
  s.params.datum = *d;
  const std::string width = args.value("--zone-width").value_or("3");
  if (width != "3" && width != "6") throw UsageError("--zone-width 只能是 3 或 6: " + width);
  s.params.is3DegreeZone = width == "3";
  s.params.centralMeridian = args.number("--central-meridian").value_or(87);
  if (s.params.centralMeridian < -180 || s.params.centralMeridian > 360)
    throw UsageError("--central-meridian 超出范围 (-180..360)");
  s.params.addZoneNumber = args.flag("--zone-prefix");
  if (s.params.addZoneNumber && ZoneNumberOf(s.params.is3DegreeZone, s.params.centralMeridian) < 1)
    throw UsageError("--zone-prefix 需要正的带号 (中央经线在东经)");
  if (s.params.addZoneNumber && !IsZoneMeridian(s.params.is3DegreeZone, s.params.centralMeridian))
    throw UsageError("--zone-prefix 需要带的中央经线: " + FloatToStr(s.params.centralMeridian) +
                     " 不是" + (s.params.is3DegreeZone ? "3度带" : "6度带") + "的中央经线");
  return s;
}

int Run(const std::vector<std::string>& argv) {
  Settings s;
  std::vector<std::string> pair;
  try {
    const Args args(argv, {"--datum", "--zone-width", "--central-meridian"},
                    {"--to-xy", "--to-lb", "--zone-prefix", "--dms", "--json"});
    s = ReadSettings(args);
    pair = args.positional();
    if (!(pair.size() == 2 || (pair.size() == 1 && pair[0] == "-")))
      throw UsageError(s.toXY ? "--to-xy 需要 LAT LON 或 -" : "--to-lb 需要 X Y 或 -");
  } catch (const UsageError& e) {
    std::cerr << "tarvik-cli convert: " << e.what() << "\n" << kUsage;
    return kExitUsage;
  }
  if (pair.size() == 1) return ConvertStream(s);
  try {
    std::cout << Convert(s, pair[0], pair[1]) << "\n";
    return kExitOk;
  } catch (const RunError& e) {
    std::cerr << "tarvik-cli convert: " << e.what() << "\n";
    return kExitRefused;
  }
}

const CommandRegistration kRegistration(
    {"convert", "latitude/longitude <-> Gauss-Krueger x/y (CGCS2000, Xi'an 1980, Beijing 1954, WGS84)", kUsage,
     &Run});

}  // namespace
}  // namespace tarvik::cli
