// What the batch benchmarks share: the clock, a sheet index made by the
// make-index code, and the peak memory of a run in a process of its own.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "common/user_feedback.h"
#include "coords/utBJ54Xian80.h"
#include "gdb/sheet_index_writer.h"
#include "sheets/sheet_index.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// An index of `sheets` 1:10 000 sheets in rows of `columns`, planar Xi'an
// 1980, central meridian 87, in `folder` (kept there for the next run).
inline std::string MakeSheetIndex(const std::filesystem::path& folder, int sheets, int columns) {
  const std::string path = (folder / ("index" + std::to_string(sheets) + ".shp")).string();
  if (std::filesystem::exists(path)) return path;
  const int rows = (sheets + columns - 1) / columns;
  const tarvik::GeoBox box{84.0L, 30.0L, 84.0L + columns * 0.0625L, 30.0L + rows / 24.0L};
  auto numbers = tarvik::SheetNumbersInBox(6, box);
  numbers.resize(static_cast<std::size_t>(sheets));
  tarvik::SilentFeedback quiet;
  tarvik::WriteSheetIndex(path, tarvik::MakeProjectedReference(tarvik::CoordParams{}, quiet), "TFH",
                          tarvik::SheetIndexPolygons(numbers, tarvik::CoordParams{}, false), true);
  return path;
}

// Runs this program as "memory INDEX OUTPUT" and returns the child's peak
// resident size in MiB.
inline double PeakMemoryOf(const char* self, const std::string& index, const std::string& output) {
  const pid_t pid = fork();
  if (pid == 0) {
    execl(self, self, "memory", index.c_str(), output.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024;
}

}  // namespace bench
