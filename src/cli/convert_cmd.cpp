// tarvik-cli convert: latitude/longitude <-> Gauss-Krueger plane coordinates
// with the series the frames are drawn with, one pair from the arguments or
// one pair per line from standard input.
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
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
    "                            in decimal degrees; refused beyond 6 degrees\n"
    "                            from the central meridian\n"
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
    "                            (30.3015 is 30 deg 30' 15\"; minutes and seconds\n"
    "                            of 60 or more are refused)\n"
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

long double ReadNumber(std::string_view text) {
  const auto v = StrToFloat(text);
  if (!v) throw RunError("\"" + std::string(text) + "\" 不是有效的数");
  return *v;
}

// Appends v with `decimals` decimals, the same text FormatFixed gives. The
// exact decimal expansion of a long double is slow to produce; v x 10^d
// rounded to a whole number gives the same digits unless the product lies
// within a hair of a half (its own rounding error is below 1e-7 of a unit for
// the values a conversion prints), and only then does the exact path run.
void AppendFixed(std::string& out, long double v, int decimals) {
  static constexpr long double kScale[] = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L, 1e8L, 1e9L, 1e10L};
  const long double q = v * kScale[decimals];
  if (std::fabs(q) < 1e15L) {
    const long double r = std::nearbyint(q);
    if (std::fabs(std::fabs(q - r) - 0.5L) > 1e-5L) {
      const long long n = static_cast<long long>(r);
      const unsigned long long a = n < 0 ? 0ULL - static_cast<unsigned long long>(n) : n;
      const unsigned long long scale = static_cast<unsigned long long>(kScale[decimals]);
      if (n < 0) out.push_back('-');  // never "-0.0000": n is 0 then
      char digits[24];
      auto end = std::to_chars(digits, digits + sizeof digits, a / scale).ptr;
      out.append(digits, end);
      out.push_back('.');
      end = std::to_chars(digits, digits + sizeof digits, a % scale).ptr;
      out.append(static_cast<std::size_t>(decimals) - static_cast<std::size_t>(end - digits), '0');
      out.append(digits, end);
      return;
    }
  }
  out += FormatFixed(v, decimals);
}

// One conversion appended to `out`; throws RunError with the reason when the
// pair is refused (nothing is appended then).
void Convert(const Settings& s, std::string_view first, std::string_view second, std::string& out) {
  const CoordParams& p = s.params;
  if (s.toXY) {
    const long double lat = s.dms ? DmsTextToDegrees(std::string(first)) : ReadNumber(first);
    const long double lon = s.dms ? DmsTextToDegrees(std::string(second)) : ReadNumber(second);
    const PlanarXY xy =
        GaussForwardDegrees(p.datum, lat, lon, p.is3DegreeZone, p.addZoneNumber, p.centralMeridian);
    if (lat < -90 || lat > 90) throw RunError("纬度超出范围 (-90..90): " + std::string(first));
    if (lon < -180 || lon > 360) throw RunError("经度超出范围 (-180..360): " + std::string(second));
    // The series hold within a zone and its overlap; far beyond they give
    // numbers that belong to no point.
    if (std::fabs(lon - p.centralMeridian) > kMaxFromMeridian)
      throw RunError("经度 " + std::string(second) + " 离中央经线 " + FloatToStr(p.centralMeridian) +
                     " 超过 6 度");
    out += s.json ? "{\"x\": " : "";
    AppendFixed(out, xy.northing, 4);
    out += s.json ? ", \"y\": " : " ";
    AppendFixed(out, xy.easting, 4);
    if (s.json) out += "}";
    return;
  }

  const long double x = ReadNumber(first), y = ReadNumber(second);
  // The series take the zone from the central meridian; an easting written
  // for another zone, or with a prefix that was not declared, would silently
  // land hundreds of kilometres away.
  const int zone = ZoneNumberOf(p.is3DegreeZone, p.centralMeridian);
  const long double eastingZone = Int(y / 1000000);
  if (p.addZoneNumber && eastingZone != zone)
    throw RunError("东坐标 " + std::string(second) + " 的带号不是中央经线 " + FloatToStr(p.centralMeridian) +
                   " 的带号 " + std::to_string(zone));
  if (!p.addZoneNumber && (y >= 1000000 || y <= -1000000))
    throw RunError("东坐标 " + std::string(second) + " 含带号，需要 --zone-prefix");

  RecordingFeedback feedback;
  long double lon = 0, lat = 0;
  if (!XYToLB(p, x, y, lon, lat, feedback) || lat < -90 || lat > 90)
    throw RunError(feedback.messages.empty() ? "输入的数据,错误" : feedback.messages.front());
  // The same reach as --to-xy, so that what one direction refuses the other
  // does not answer.
  if (std::fabs(lon - p.centralMeridian) > kMaxFromMeridian)
    throw RunError("东坐标 " + std::string(second) + " 换算的经度 " + FloatToStr(lon) + " 离中央经线 " +
                   FloatToStr(p.centralMeridian) + " 超过 6 度");
  out += s.json ? "{\"lon\": " : "";
  AppendFixed(out, lon, 10);
  out += s.json ? ", \"lat\": " : " ";
  AppendFixed(out, lat, 10);
  if (s.json) out += "}";
}

// The text without the blanks and control characters around it.
std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// The fields of a line: separated by blanks, tabs, commas or semicolons.
std::vector<std::string_view> SplitPair(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = std::string_view::npos;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    const bool separator =
        i == line.size() || line[i] == ' ' || line[i] == '\t' || line[i] == ',' || line[i] == ';';
    if (!separator) {
      if (start == std::string_view::npos) start = i;
    } else if (start != std::string_view::npos) {
      fields.push_back(line.substr(start, i - start));
      start = std::string_view::npos;
    }
  }
  return fields;
}

// Reads standard input in large blocks and writes the results in large
// blocks: a stream of millions of points spends its time converting, not in
// the C library's per-line work. A person typing at a terminal gets every
// answer at once.
// The longest line read: a pair of numbers with blanks around takes a few
// dozen bytes.
constexpr std::size_t kMaxLineBytes = 4096;

int ConvertStream(const Settings& s) {
  const bool interactive = isatty(STDIN_FILENO) == 1;
  constexpr std::size_t kWriteBlock = 1 << 16;
  bool refused = false;
  std::string out, pending;
  std::vector<char> block(1 << 20);
  long number = 0;
  const auto writeOut = [&] {
    if (!out.empty()) std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
  };
  const auto convertLine = [&](std::string_view line) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed[0] == '#') {
      out.append(line);
      out.push_back('\n');
      return;
    }
    const std::size_t mark = out.size();
    try {
      const auto parts = SplitPair(trimmed);
      if (parts.size() != 2) throw RunError("需要两个数，得到 " + std::to_string(parts.size()) + " 个");
      Convert(s, parts[0], parts[1], out);
    } catch (const RunError& e) {
      out.resize(mark);
      refused = true;
      out += s.json ? "null" : "* *";
      writeOut();
      std::fflush(stdout);
      std::fprintf(stderr, "tarvik-cli convert: 第 %ld 行: %s\n", number, e.what());
    }
    out.push_back('\n');
  };
  bool overlong = false;  // the current line is past kMaxLineBytes
  const auto refuseLongLine = [&] {
    ++number;
    refused = true;
    out += s.json ? "null" : "* *";
    out.push_back('\n');
    writeOut();
    std::fflush(stdout);
    std::fprintf(stderr, "tarvik-cli convert: 第 %ld 行: 行太长（超过 %zu 字节），没有读入\n", number,
                 kMaxLineBytes);
  };
  for (;;) {
    const std::size_t got = interactive ? (std::fgets(block.data(), static_cast<int>(block.size()), stdin)
                                               ? std::strlen(block.data())
                                               : 0)
                                        : std::fread(block.data(), 1, block.size(), stdin);
    if (got == 0) break;
    std::string_view data(block.data(), got);
    while (!data.empty()) {
      const std::size_t eol = data.find('\n');
      const std::string_view part = data.substr(0, eol == std::string_view::npos ? data.size() : eol);
      // A line longer than any pair of numbers is not kept: a stream without
      // line breaks is read in constant memory.
      if (!overlong && pending.size() + part.size() > kMaxLineBytes) {
        overlong = true;
        pending.clear();
        pending.shrink_to_fit();
      }
      if (eol == std::string_view::npos) {
        if (!overlong) pending.append(part);
        break;
      }
      if (overlong) {
        refuseLongLine();
        overlong = false;
      } else if (pending.empty()) {
        convertLine(part);
      } else {
        pending.append(part);
        convertLine(pending);
        pending.clear();
      }
      data.remove_prefix(eol + 1);
    }
    if (interactive || out.size() >= kWriteBlock) {
      writeOut();
      if (interactive) std::fflush(stdout);
    }
  }
  if (overlong)
    refuseLongLine();
  else if (!pending.empty())
    convertLine(pending);
  writeOut();
  std::fflush(stdout);
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
    throw UsageError("--zone-prefix 需要带的中央经线: " + FloatToStr(s.params.centralMeridian) + " 不是" +
                     (s.params.is3DegreeZone ? "3度带" : "6度带") + "的中央经线");
  return s;
}

int Run(const std::vector<std::string>& argv) {
  const Args args(argv, {"--datum", "--zone-width", "--central-meridian"},
                  {"--to-xy", "--to-lb", "--zone-prefix", "--dms", "--json"});
  const Settings s = ReadSettings(args);
  const std::vector<std::string> pair = args.positional();
  if (!(pair.size() == 2 || (pair.size() == 1 && pair[0] == "-")))
    throw UsageError(s.toXY ? "--to-xy 需要 LAT LON 或 -" : "--to-lb 需要 X Y 或 -");
  if (pair.size() == 1) return ConvertStream(s);
  try {
    std::string out;
    Convert(s, pair[0], pair[1], out);
    std::cout << out << "\n";
    return kExitOk;
  } catch (const RunError& e) {
    std::cerr << "tarvik-cli convert: " << e.what() << "\n";
    return kExitRefused;
  }
}

const CommandRegistration kRegistration(
    {"convert", "latitude/longitude <-> Gauss-Krueger x/y (CGCS2000, Xi'an 1980, Beijing 1954, WGS84)",
     kUsage, &Run});

}  // namespace
}  // namespace tarvik::cli
