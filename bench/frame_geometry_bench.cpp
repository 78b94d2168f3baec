// Frames of a spread of typed sheet numbers measured as a checker measures
// them: every scale letter, rows D..N, longitudes 72..138, 3- and 6-degree
// zones, all four datums, planar and geographic output. For each frame,
// from what the engine wrote:
//
//   - corner labels (D°MM′SS″): the minutes-and-seconds texts beside the
//     exact corner values, worked out here in tenths of a second;
//   - outer frame: the distance of both ends of every outer side from its
//     inner side on paper (mm), with the corners of geographic frames put
//     into their Gauss-Krueger zone; for geographic frames also along the
//     sides, the outer side's points against the inner side's curve;
//   - adjacent-sheet table: the least distance on paper of its lower edge
//     from the outer top side;
//   - kilometre numbers: top and bottom edges whose lines nearest the two
//     corners do not both carry the full number.
//
//   frame_geometry_bench [--verbose]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/user_feedback.h"
#include "coords/utlbxy.h"
#include "coords/zone_reach.h"
#include "frame/frame_sink.h"
#include "frame/utCreateTkByTfhao.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

struct Recorded {
  struct Line {
    LineKind kind;
    StorePoint a, b;
  };
  std::vector<Line> lines;
  std::vector<std::pair<PolygonKind, Geometry>> polygons;
  std::vector<FrameText> texts;
};

class Sink : public FrameSink {
 public:
  explicit Sink(Recorded& r) : r_(r) {}
  void beginDrawing() override {}
  int endDrawing() override { return 0; }
  bool line(LineKind kind, StorePoint from, StorePoint to) override {
    r_.lines.push_back({kind, from, to});
    return true;
  }
  bool polygon(PolygonKind id, const Geometry& g) override {
    r_.polygons.emplace_back(id, g);
    return true;
  }
  bool text(const FrameText& t) override {
    r_.texts.push_back(t);
    return true;
  }

 private:
  Recorded& r_;
};

class Store : public InMemoryFrameStore {
 public:
  explicit Store(Recorded& r) : sink_(r) {}
  FrameSink* createFrame(const std::string&, const SpatialReference&, double) override { return &sink_; }

 private:
  Sink sink_;
};

struct P {
  double e, n;  // easting, northing (metres)
};

// Signed distance of q from the line a -> b, positive on its left.
double LeftOf(P a, P b, P q) {
  return ((b.e - a.e) * (q.n - a.n) - (b.n - a.n) * (q.e - a.e)) / std::hypot(b.e - a.e, b.n - a.n);
}

// Distance of q from the polyline through `curve`.
double FromCurve(const std::vector<P>& curve, P q) {
  double best = 1e300;
  for (std::size_t i = 0; i + 1 < curve.size(); ++i) {
    const P a = curve[i], b = curve[i + 1];
    const double le = b.e - a.e, ln = b.n - a.n, l2 = le * le + ln * ln;
    const double t = std::clamp(((q.e - a.e) * le + (q.n - a.n) * ln) / l2, 0.0, 1.0);
    best = std::min(best, std::hypot(q.e - (a.e + t * le), q.n - (a.n + t * ln)));
  }
  return best;
}

// "MM′SS″" or "MM′SS.5″" of an angle given in tenths of a second.
std::string MinutesSeconds(long long tenths) {
  const long long s10 = tenths % 600, m = tenths / 600 % 60;
  char text[32];
  if (s10 % 10)
    std::snprintf(text, sizeof text, "%02lld′%02lld.%lld″", m, s10 / 10, s10 % 10);
  else
    std::snprintf(text, sizeof text, "%02lld′%02lld″", m, s10 / 10);
  return text;
}

// The seconds within the degree of a text "MM′SS″" / "MM′SS.s″"; -1 if it is none.
double ParseMinutesSeconds(const std::string& t) {
  const auto prime = t.find("′");
  if (prime == std::string::npos || t.find("″") == std::string::npos) return -1;
  return std::stod(t.substr(0, prime)) * 60 + std::stod(t.substr(prime + std::strlen("′")));
}

struct Stats {
  int frames = 0, refused = 0;
  int labelsWrong = 0, labelFrames = 0;
  double labelErrorMax = 0;  // seconds
  double outerMin = 1e9, outerMax = -1e9;
  int outerOff = 0;  // frames with a side end outside 8 +- 0.2 mm
  double curveMin = 1e9, curveMax = -1e9;
  double tableMin = 1e9;
  int tableOff = 0;
  int edgesWithoutFull = 0;
};

void Measure(const std::string& number, bool threeDegree, Datum datum, bool geographic, Stats& st,
             bool verbose) {
  const auto sheet = DecodeMapNo(number);
  if (!sheet) return;
  TFrameSettings s;
  s.CoordSysIndex = static_cast<int>(datum);
  s.is3DegreeZone = threeDegree;
  s.GeodeticOutput = geographic;
  s.centralMeridian = ZoneMeridianOf(sheet->westLon, threeDegree);
  Recorded r;
  SilentFeedback quiet;
  try {
    TCreateTkByTfhao b(number, s, RunValues{}, std::make_unique<Store>(r), quiet);
    b.Run();
  } catch (const RunError&) {
    ++st.refused;
    return;
  }
  ++st.frames;
  const CoordParams c{datum, threeDegree, false, s.centralMeridian};
  const double paper = 10000.0 / ScaleDenominatorOfIndex(sheet->scaleIndex) * 0.1;  // mm per ground metre
  const auto plane = [&](StorePoint q) {
    if (!geographic) return P{q.x, q.y};
    const PlanarXY xy = LBToXY(c, q.y, q.x);
    return P{static_cast<double>(xy.easting), static_cast<double>(xy.northing)};
  };
  const long double west = sheet->westLon, east = west + sheet->lonSize;
  const long double south = sheet->southLat, north = south + sheet->latSize;
  const long double lon[4] = {west, west, east, east}, lat[4] = {south, north, north, south};
  P inner[4];
  for (int i = 0; i < 4; ++i) {
    const PlanarXY xy = LBToXY(c, lat[i], lon[i]);
    inner[i] = {static_cast<double>(xy.easting), static_cast<double>(xy.northing)};
  }

  // Corner labels.
  std::vector<std::string> expected, written;
  std::vector<double> truth;
  for (int i = 0; i < 4; ++i) {
    for (const long double v : {lon[i], lat[i]}) {
      const long long tenths = std::llround(static_cast<double>(v * 36000));
      expected.push_back(MinutesSeconds(tenths));
      truth.push_back(static_cast<double>(tenths % 36000) / 10);
    }
  }
  bool wrong = false;
  for (const FrameText& t : r.texts) {
    const double value = ParseMinutesSeconds(t.text);
    if (value < 0) continue;
    written.push_back(t.text);
    double error = 1e9;
    for (double v : truth) error = std::min(error, std::fabs(value - v));
    st.labelErrorMax = std::max(st.labelErrorMax, error);
  }
  std::sort(expected.begin(), expected.end());
  std::sort(written.begin(), written.end());
  if (written != expected) {
    wrong = true;
    for (const auto& w : written)
      if (std::find(expected.begin(), expected.end(), w) == expected.end()) ++st.labelsWrong;
  }
  st.labelFrames += wrong;

  // Outer frame: each outer side against the inner side it runs along.
  std::vector<std::pair<P, P>> outer;
  std::vector<const Recorded::Line*> outerStored;
  for (const auto& l : r.lines) {
    if (l.kind != kOuterLine) continue;
    outer.push_back({plane(l.a), plane(l.b)});
    outerStored.push_back(&l);
  }
  bool off = false;
  int topSide = -1;
  for (int i = 0; i < 4; ++i) {
    const P a = inner[i], b = inner[(i + 1) % 4];
    int best = -1;
    double bestMid = 1e300;
    for (std::size_t k = 0; k < outer.size(); ++k) {
      const double mid = std::fabs(LeftOf(
          a, b, {(outer[k].first.e + outer[k].second.e) / 2, (outer[k].first.n + outer[k].second.n) / 2}));
      if (mid < bestMid) bestMid = mid, best = static_cast<int>(k);
    }
    if (best < 0) continue;
    if (i == 1) topSide = best;
    for (const P q :
         {outer[static_cast<std::size_t>(best)].first, outer[static_cast<std::size_t>(best)].second}) {
      const double mm = LeftOf(a, b, q) * paper;
      st.outerMin = std::min(st.outerMin, mm);
      st.outerMax = std::max(st.outerMax, mm);
      off |= std::fabs(mm - s.senw / 10.0) > 0.2;
    }
    if (geographic) {
      // Along the side: points of the outer side (straight in degrees)
      // against the inner side's curve (the meridian or parallel).
      std::vector<P> curve;
      for (int k = 0; k <= 64; ++k) {
        const long double t = k / 64.0L;
        const PlanarXY xy =
            LBToXY(c, lat[i] + t * (lat[(i + 1) % 4] - lat[i]), lon[i] + t * (lon[(i + 1) % 4] - lon[i]));
        curve.push_back({static_cast<double>(xy.easting), static_cast<double>(xy.northing)});
      }
      const Recorded::Line& ln = *outerStored[static_cast<std::size_t>(best)];
      for (int k = 1; k < 8; ++k) {
        const double t = k / 8.0;
        const P q = plane({ln.a.x + t * (ln.b.x - ln.a.x), ln.a.y + t * (ln.b.y - ln.a.y)});
        const double mm = FromCurve(curve, q) * paper;
        st.curveMin = std::min(st.curveMin, mm);
        st.curveMax = std::max(st.curveMax, mm);
        if (verbose && std::fabs(mm - s.senw / 10.0) > 0.05)
          std::printf("%s side %d t %.3f: %.4f mm\n", number.c_str(), i, t, mm);
      }
    }
  }
  st.outerOff += off;

  // The table: its lower edge against the outer top side.
  bool tableNear = false;
  for (const auto& [kind, g] : r.polygons) {
    if (kind != kTableCentreCell || topSide < 0) continue;
    // The cell's corners on paper.
    double e1 = 1e300, n1 = 1e300, e2 = -1e300, n2 = -1e300;
    const auto rings = g.parts();
    for (const Point2& v : rings.at(0)) {
      const P q = plane({v.x, v.y});
      e1 = std::min(e1, q.e), n1 = std::min(n1, q.n), e2 = std::max(e2, q.e), n2 = std::max(n2, q.n);
    }
    const double cw = e2 - e1, ch = n2 - n1;
    const P a = outer[static_cast<std::size_t>(topSide)].first,
            b = outer[static_cast<std::size_t>(topSide)].second;
    const P from = a.e < b.e ? a : b, to = a.e < b.e ? b : a;
    double least = 1e300;
    for (const double x : {e1 - cw, e2 + cw}) least = std::min(least, LeftOf(from, to, {x, n1 - ch}) * paper);
    st.tableMin = std::min(st.tableMin, least);
    st.tableOff += least < s.SeY / 10.0 - 0.01;
    tableNear = least < s.SeY / 10.0 - 0.01;
  }

  // Kilometre numbers of the top and bottom edges.
  int small[2] = {0, 0}, big[2] = {0, 0};
  for (const FrameText& t : r.texts) {
    if (t.text.empty() || t.text.find_first_not_of("0123456789") != std::string::npos) continue;
    const P q = plane(t.anchor);
    const int edge = LeftOf(inner[1], inner[2], q) > 0 ? 0 : LeftOf(inner[3], inner[0], q) > 0 ? 1 : -1;
    if (edge < 0) continue;
    const bool isBig = t.font.pointSize() == s.btnDFont.pointSize() && t.hAlign == kRight;
    ++(isBig ? big : small)[edge];
  }
  // The lines nearest the two corners of an edge carry its full numbers.
  bool unnumbered = false;
  for (int e = 0; e < 2; ++e) {
    const bool short_ = big[e] < std::min(small[e], 2);
    unnumbered |= short_;
    st.edgesWithoutFull += short_;
  }
  if (verbose && (wrong || off || tableNear || unnumbered))
    std::printf("%s %s %s %s%s%s%s%s\n", number.c_str(), threeDegree ? "3deg" : "6deg", InfoOf(datum).key,
                geographic ? "geo" : "planar", wrong ? " labels" : "", off ? " outer" : "",
                tableNear ? " table" : "", unnumbered ? " km" : "");
}

}  // namespace
}  // namespace tarvik

int main(int argc, char** argv) {
  using namespace tarvik;
  const bool verbose = argc > 1 && std::strcmp(argv[1], "--verbose") == 0;
  Stats st;
  int n = 0;
  for (int scale = 0; scale <= 7; ++scale) {
    const int per = SheetsPerSide(scale);
    for (int row = 0; row <= 10; ++row) {              // D .. N
      const int column = 43 + (row * 3 + scale) % 11;  // 72..138 E
      // Appended piece by piece (operator+ trips a false -Wrestrict in GCC 12).
      std::string number(1, static_cast<char>('D' + row));
      number.append(std::to_string(column));
      if (scale > 0) {
        number.push_back(ScaleLetter(scale));
        number.append(Pad3(1 + (row * 7 + scale * 5) % per));
        number.append(Pad3(1 + (row * 11 + scale * 3) % per));
      }
      for (const bool three : {true, false}) {
        for (const bool geo : {false, true}) {
          const Datum datum = static_cast<Datum>(n++ % 4);
          Measure(number, three, datum, geo, st, verbose);
        }
      }
    }
  }
  std::printf("frames %d (refused %d: 1:1 000 000 and 1:500 000 sheets in 3-degree zones)\n", st.frames,
              st.refused);
  std::printf("corner labels: %d frames with a wrong text (%d texts); largest |label - value| %.3f\"\n",
              st.labelFrames, st.labelsWrong, st.labelErrorMax);
  std::printf(
      "outer frame from inner frame, side ends (set 8 mm): %.4f .. %.4f mm; %d frames outside +-0.2 mm\n",
      st.outerMin, st.outerMax, st.outerOff);
  std::printf(
      "outer frame along the sides of geographic frames (against the curved inner side): %.4f .. %.4f mm\n",
      st.curveMin, st.curveMax);
  std::printf("table above the outer frame (set 2 mm): least %.4f mm; %d frames under 1.99 mm\n", st.tableMin,
              st.tableOff);
  std::printf("top or bottom edges without a full number beside the line nearest each corner: %d\n",
              st.edgesWithoutFull);
  return 0;
}
