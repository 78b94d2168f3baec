// The Gauss-Krueger series (LBToXY, XYToLB) beside PROJ's own transformation
// of the same points between the same EPSG systems, and, before the timings,
// how far the series lie from PROJ over the zones of China.
//
//   coords_bench                      accuracy table, then the benchmarks
//   coords_bench --accuracy-only      the table alone
//   coords_bench --benchmark_filter=X the usual Google Benchmark options
#include <benchmark/benchmark.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/user_feedback.h"
#include "coords/utBJ54Xian80.h"
#include "coords/utlbxy.h"

namespace tarvik {
namespace {

struct System {
  const char* name;
  Datum datum;
  bool threeDegree;
};

constexpr System kSystems[] = {
    {"cgcs2000_3deg", Datum::Cgcs2000, true},   {"cgcs2000_6deg", Datum::Cgcs2000, false},
    {"wgs84_3deg", Datum::Wgs84, true},         {"wgs84_6deg", Datum::Wgs84, false},
    {"xian80_3deg", Datum::Xian80, true},       {"xian80_6deg", Datum::Xian80, false},
    {"beijing54_3deg", Datum::Beijing54, true}, {"beijing54_6deg", Datum::Beijing54, false},
};

double HalfWidth(const System& s) { return s.threeDegree ? 1.5 : 3.0; }

// PROJ's transformation from the datum's geographic system to one zone,
// longitude/latitude in degrees in, easting/northing in metres out.
class ProjTransform {
 public:
  ProjTransform(const System& s, long double centralMeridian) {
    // The very system Tarvik writes for the zone: an EPSG code, or for WGS84
    // a transverse Mercator of its own.
    SilentFeedback quiet;
    const SpatialReference ref =
        MakeProjectedReference(CoordParams{s.datum, s.threeDegree, false, centralMeridian}, quiet);
    const std::string from = "EPSG:" + std::to_string(InfoOf(s.datum).geographicEpsg);
    const std::string to = ref.epsgCode() ? "EPSG:" + std::to_string(ref.epsgCode()) : ref.wkt();
    PJ* raw = proj_create_crs_to_crs(nullptr, from.c_str(), to.c_str(), nullptr);
    if (!raw) throw std::runtime_error("PROJ cannot transform " + from + " -> " + to);
    pj_ = proj_normalize_for_visualization(nullptr, raw);
    proj_destroy(raw);
    if (!pj_) throw std::runtime_error("PROJ cannot normalise " + to);
  }
  ~ProjTransform() { proj_destroy(pj_); }
  ProjTransform(const ProjTransform&) = delete;
  ProjTransform& operator=(const ProjTransform&) = delete;
  PJ* get() const { return pj_; }

 private:
  PJ* pj_ = nullptr;
};

CoordParams ParamsOf(const System& s, long double centralMeridian) {
  return CoordParams{s.datum, s.threeDegree, false, centralMeridian};
}

// ---------------------------------------------------------------- accuracy

struct Spread {
  double forwardUm = 0;            // |(x, y) - PROJ| in micrometres
  double inverseUm = 0;            // ground distance of (L, B) from the PROJ input, micrometres
  double roundTripUm = 0;          // ground distance of inverse(forward(B, L)) from (B, L), micrometres
  double worstB = 0, worstDl = 0;  // where the forward conversion is farthest from PROJ
};

// Ground distance in micrometres between two geographic positions a few
// millimetres apart (degrees), on a sphere of the mean radius.
double GroundUm(double lat, double dLat, double dLon) {
  return 1e6 * std::hypot(dLat * 111320.0, dLon * 111320.0 * std::cos(lat * M_PI / 180));
}

// Over latitudes latMin..latMax and up to `reach` degrees either side of
// every zone meridian of 75E..135E.
Spread Measure(const System& s, double reach, double latMin, double latMax, double latStep) {
  Spread spread;
  SilentFeedback quiet;
  const int step = s.threeDegree ? 3 : 6;
  for (int cm = 75; cm <= 135; cm += step) {
    const ProjTransform proj(s, cm);
    const CoordParams p = ParamsOf(s, cm);
    for (double B = latMin; B <= latMax + 1e-9; B += latStep) {
      for (double dl = -reach; dl <= reach + 1e-9; dl += reach / 16) {
        const double L = cm + dl;
        const PJ_COORD c = proj_trans(proj.get(), PJ_FWD, proj_coord(L, B, 0, 0));
        const PlanarXY ours = LBToXY(p, B, L);
        const double forward = 1e6 * std::hypot(static_cast<double>(ours.easting) - c.xy.x,
                                                static_cast<double>(ours.northing) - c.xy.y);
        if (forward > spread.forwardUm) {
          spread.forwardUm = forward;
          spread.worstB = B;
          spread.worstDl = dl;
        }
        long double lon = 0, lat = 0;
        if (!XYToLB(p, c.xy.y, c.xy.x, lon, lat, quiet)) throw std::runtime_error("inverse failed");
        spread.inverseUm = std::max(spread.inverseUm,
                                    GroundUm(B, static_cast<double>(lat) - B, static_cast<double>(lon) - L));
        if (!XYToLB(p, ours.northing, ours.easting, lon, lat, quiet))
          throw std::runtime_error("inverse failed");
        spread.roundTripUm = std::max(
            spread.roundTripUm, GroundUm(B, static_cast<double>(lat) - B, static_cast<double>(lon) - L));
      }
    }
  }
  return spread;
}

void PrintTable(const char* title, double latMin, double latMax, double latStep, bool toReach) {
  std::printf("%s\n", title);
  std::printf("%-16s %-12s %13s %13s %13s  %s\n", "system", "from CM", "forward (um)", "inverse (um)",
              "round trip", "forward worst at");
  for (const auto& s : kSystems) {
    std::vector<double> widths = {HalfWidth(s)};
    if (!s.threeDegree) widths.insert(widths.begin(), 1.5);
    if (toReach) widths = {HalfWidth(s) + 1, 6};
    for (double w : widths) {
      const Spread spread = Measure(s, w, latMin, latMax, latStep);
      char range[32], where[48];
      std::snprintf(range, sizeof range, "+-%.1f deg", w);
      std::snprintf(where, sizeof where, "%.2fN %+.2f", spread.worstB, spread.worstDl);
      std::printf("%-16s %-12s %13.1f %13.1f %13.1f  %s\n", s.name, range, spread.forwardUm, spread.inverseUm,
                  spread.roundTripUm, where);
    }
  }
  std::printf("\n");
  std::fflush(stdout);
}

void PrintAccuracy() {
  PrintTable("Largest difference from PROJ over 18..54N, every zone 75E..135E", 18, 54, 0.25, false);
  // Everywhere a run accepts: rows A..N of China's sheets (0..56N) and all
  // rows of the series (0..88N), up to half the zone width plus one degree
  // from the meridian; and the 6 degrees tarvik-cli convert accepts.
  PrintTable("Largest difference from PROJ over 0..56N, to the zone reach and to 6 degrees", 0, 56, 0.25,
             true);
  PrintTable("Largest difference from PROJ over 0..88N, to the zone reach and to 6 degrees", 0, 88, 0.5,
             true);
}

// ---------------------------------------------------------------- timing

struct Points {
  std::vector<double> lon, lat;     // degrees
  std::vector<double> east, north;  // metres, from PROJ
};

constexpr long double kBenchMeridian3 = 114, kBenchMeridian6 = 117;

long double BenchMeridian(const System& s) { return s.threeDegree ? kBenchMeridian3 : kBenchMeridian6; }

// 32 x 32 points over 18..54N inside the zone.
Points MakePoints(const System& s) {
  Points pts;
  const ProjTransform proj(s, BenchMeridian(s));
  const double w = HalfWidth(s);
  for (int i = 0; i < 32; ++i) {
    for (int j = 0; j < 32; ++j) {
      const double B = 18 + 36.0 * i / 31 + 1e-7 * j;
      const double L = static_cast<double>(BenchMeridian(s)) - w + 2 * w * j / 31 + 1e-7 * i;
      const PJ_COORD c = proj_trans(proj.get(), PJ_FWD, proj_coord(L, B, 0, 0));
      pts.lon.push_back(L);
      pts.lat.push_back(B);
      pts.east.push_back(c.xy.x);
      pts.north.push_back(c.xy.y);
    }
  }
  return pts;
}

void OursForward(benchmark::State& state, const System& s) {
  const Points pts = MakePoints(s);
  const CoordParams p = ParamsOf(s, BenchMeridian(s));
  for (auto _ : state) {
    for (std::size_t i = 0; i < pts.lon.size(); ++i) {
      PlanarXY r = LBToXY(p, pts.lat[i], pts.lon[i]);
      benchmark::DoNotOptimize(r);
    }
  }
  state.SetItemsProcessed(state.iterations() * pts.lon.size());
}

void OursInverse(benchmark::State& state, const System& s) {
  const Points pts = MakePoints(s);
  const CoordParams p = ParamsOf(s, BenchMeridian(s));
  SilentFeedback quiet;
  for (auto _ : state) {
    for (std::size_t i = 0; i < pts.lon.size(); ++i) {
      long double L = 0, B = 0;
      benchmark::DoNotOptimize(XYToLB(p, pts.north[i], pts.east[i], L, B, quiet));
      benchmark::DoNotOptimize(L);
      benchmark::DoNotOptimize(B);
    }
  }
  state.SetItemsProcessed(state.iterations() * pts.lon.size());
}

void ProjPointByPoint(benchmark::State& state, const System& s, PJ_DIRECTION direction) {
  const Points pts = MakePoints(s);
  const ProjTransform proj(s, BenchMeridian(s));
  const bool fwd = direction == PJ_FWD;
  for (auto _ : state) {
    for (std::size_t i = 0; i < pts.lon.size(); ++i) {
      const PJ_COORD in =
          fwd ? proj_coord(pts.lon[i], pts.lat[i], 0, 0) : proj_coord(pts.east[i], pts.north[i], 0, 0);
      PJ_COORD out = proj_trans(proj.get(), direction, in);
      benchmark::DoNotOptimize(out);
    }
  }
  state.SetItemsProcessed(state.iterations() * pts.lon.size());
}

// PROJ's array interface, its fastest way through many points.
void ProjBatch(benchmark::State& state, const System& s, PJ_DIRECTION direction) {
  const Points pts = MakePoints(s);
  const ProjTransform proj(s, BenchMeridian(s));
  const bool fwd = direction == PJ_FWD;
  std::vector<double> x, y;
  const std::size_t n = pts.lon.size();
  for (auto _ : state) {
    x = fwd ? pts.lon : pts.east;
    y = fwd ? pts.lat : pts.north;
    proj_trans_generic(proj.get(), direction, x.data(), sizeof(double), n, y.data(), sizeof(double), n,
                       nullptr, 0, 0, nullptr, 0, 0);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void RegisterAll() {
  for (const auto& s : kSystems) {
    const std::string n = s.name;
    benchmark::RegisterBenchmark(("forward/ours_LBToXY/" + n).c_str(), OursForward, s);
    benchmark::RegisterBenchmark(("forward/proj_trans/" + n).c_str(), ProjPointByPoint, s, PJ_FWD);
    benchmark::RegisterBenchmark(("forward/proj_trans_generic/" + n).c_str(), ProjBatch, s, PJ_FWD);
    benchmark::RegisterBenchmark(("inverse/ours_XYToLB/" + n).c_str(), OursInverse, s);
    benchmark::RegisterBenchmark(("inverse/proj_trans/" + n).c_str(), ProjPointByPoint, s, PJ_INV);
    benchmark::RegisterBenchmark(("inverse/proj_trans_generic/" + n).c_str(), ProjBatch, s, PJ_INV);
  }
}

}  // namespace
}  // namespace tarvik

int main(int argc, char** argv) {
  bool accuracyOnly = false;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--accuracy-only") == 0) {
      accuracyOnly = true;
    } else {
      rest.push_back(argv[i]);
    }
  }
  tarvik::PrintAccuracy();
  if (accuracyOnly) return 0;
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());
  tarvik::RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
