// Per-frame cost of whole index runs into a File Geodatabase and a
// GeoPackage, each frame made durable as it is finished: wall-clock and CPU
// milliseconds per frame (the run and the closing of the store together),
// the wall time per frame of the first and the last hundred frames, and the
// time the closing of the store takes, over repeated runs, with the smallest
// and largest; and the slowest frame, which in a File GDB run of thousands
// of frames is the one that reopens the store (store.cpp). CPU time is
// reported beside wall time because a shared machine makes wall time noisy.
//
//   durability_bench [sheets=1000] [repeats=3] [.gdb|.gpkg]
//
// It uses only the builder's public entry points, so the same file builds
// against another revision of the program and its figures can be set beside
// these. The index holds 1:10 000 sheets in rows of 40 (planar Xi'an 1980,
// central meridian 87).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/user_feedback.h"
#include "coords/spatial_reference.h"
#include "frame/gdb_frame_store.h"
#include "frame/utstandardMap.h"
#include "gdb/output_reader.h"
#include "gdb/sheet_index_writer.h"
#include "sheets/sheet_index.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string MakeIndex(const fs::path& folder, int sheets) {
  const std::string path = (folder / "index.shp").string();
  const int columns = 40;
  const int rows = (sheets + columns - 1) / columns;
  const tarvik::GeoBox box{84.0L, 30.0L, 84.0L + columns * 0.0625L, 30.0L + rows / 24.0L};
  auto numbers = tarvik::SheetNumbersInBox(6, box);
  numbers.resize(static_cast<std::size_t>(sheets));
  tarvik::WriteSheetIndex(path, tarvik::SpatialReference::FromEpsg(2374), "TFH",
                          tarvik::SheetIndexPolygons(numbers, tarvik::CoordParams{}, false), true);
  return path;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Result {
  int frames = 0;
  double wallMs = 0, cpuMs = 0, closeMs = 0;  // per frame, per frame, whole close
  double firstMs = 0, lastMs = 0;             // per frame, first and last hundred
  double slowestMs = 0;                       // the slowest frame (a File GDB's reopening)
  int slowest = 0;                            // its number, from 1
};

Result Run(const std::string& index, const std::string& output) {
  tarvik::SilentFeedback quiet;
  tarvik::TFrameSettings s;
  s.edtField = "TFH";
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  tarvik::TstandardMap builder(s, tarvik::RunValues{}, tarvik::OpenGdbFrameStore(output, quiet), quiet,
                               index);
  builder.FNameField = "TFH";
  builder.FNameTemplate = "[TFH]";
  // Wall time of every frame, from the end of the one before.
  std::vector<double> frameMs;
  auto last = start;
  builder.FOnFrameDone = [&](int, int, const std::string&) {
    const auto now = Clock::now();
    frameMs.push_back(std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
  };
  builder.Run();
  const auto drawn = Clock::now();
  builder.CloseOutput();
  const auto end = Clock::now();
  Result r;
  // What a reader finds, not what the run says.
  r.frames = static_cast<int>(tarvik::OutputReader(output).frames().size());
  const double n = std::max(1, r.frames);
  r.wallMs = std::chrono::duration<double, std::milli>(end - start).count() / n;
  r.cpuMs = (CpuSeconds() - cpu) * 1000 / n;
  r.closeMs = std::chrono::duration<double, std::milli>(end - drawn).count();
  const std::size_t block = std::min<std::size_t>(100, frameMs.size());
  if (block > 0) {
    double first = 0, lastBlock = 0;
    for (std::size_t i = 0; i < block; ++i) {
      first += frameMs[i];
      lastBlock += frameMs[frameMs.size() - 1 - i];
    }
    r.firstMs = first / static_cast<double>(block);
    r.lastMs = lastBlock / static_cast<double>(block);
    const auto worst = std::max_element(frameMs.begin(), frameMs.end());
    r.slowestMs = *worst;
    r.slowest = static_cast<int>(worst - frameMs.begin()) + 1;
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const int sheets = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::string only = argc > 3 ? argv[3] : "";
  const fs::path folder =
      fs::temp_directory_path() / ("tarvik_durability_bench_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string index = MakeIndex(folder, sheets);
  std::printf("%d sheets at 1:10 000, %d runs per store\n", sheets, repeats);
  for (const char* ext : {".gdb", ".gpkg"}) {
    if (!only.empty() && only != ext) continue;
    std::vector<double> wall, cpu, first, lastHundred, close;
    for (int i = 0; i < repeats; ++i) {
      const std::string out = (folder / ("run" + std::to_string(i) + ext)).string();
      const Result r = Run(index, out);
      std::printf(
          "  %-5s run %d: %d frames read back, %.2f ms/frame wall, %.2f ms/frame CPU, first/last hundred "
          "%.2f / %.2f "
          "ms/frame, close %.0f ms, slowest frame %.0f ms (frame %d)\n",
          ext, i, r.frames, r.wallMs, r.cpuMs, r.firstMs, r.lastMs, r.closeMs, r.slowestMs, r.slowest);
      std::fflush(stdout);
      wall.push_back(r.wallMs);
      cpu.push_back(r.cpuMs);
      first.push_back(r.firstMs);
      lastHundred.push_back(r.lastMs);
      close.push_back(r.closeMs);
      fs::remove_all(out);
    }
    std::printf("  %-5s wall min %.2f max %.2f, CPU min %.2f max %.2f ms/frame\n", ext,
                *std::min_element(wall.begin(), wall.end()), *std::max_element(wall.begin(), wall.end()),
                *std::min_element(cpu.begin(), cpu.end()), *std::max_element(cpu.begin(), cpu.end()));
    std::printf(
        "  %-5s first hundred min %.2f max %.2f, last hundred min %.2f max %.2f ms/frame, close min %.0f max "
        "%.0f ms\n",
        ext, *std::min_element(first.begin(), first.end()), *std::max_element(first.begin(), first.end()),
        *std::min_element(lastHundred.begin(), lastHundred.end()),
        *std::max_element(lastHundred.begin(), lastHundred.end()),
        *std::min_element(close.begin(), close.end()), *std::max_element(close.begin(), close.end()));
    std::fflush(stdout);
  }
  fs::remove_all(folder);
  return 0;
}
