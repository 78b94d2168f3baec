#include "gdb/output_removal.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "common/error.h"
#include "gdb/fdb_index_list.h"
#include "gdb/frame_marker.h"
#include "gdb/gdal_handles.h"
#include "gdb/gdb_checkpoint.h"
#include "gdb/output_kind.h"

namespace tarvik {
namespace fs = std::filesystem;
namespace {

// Files a File Geodatabase consists of by their names: its system files,
// tables "aXXXXXXXX.*" and lock files.
bool IsGeodatabaseFile(const std::string& name) {
  static const std::regex table(
      R"(a[0-9a-fA-F]{8}\.(gdbtable|gdbtablx|gdbindexes|atx|spx|freelist|horizon|cdf|[A-Za-z0-9_]+\.atx))");
  return IsGeodatabaseSystemFile(name) || std::regex_match(name, table);
}

bool IsGeodatabaseDirectory(const fs::path& dir) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return false;
  bool hasCatalog = false;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file(ec) || !IsGeodatabaseFile(name)) return false;
    if (name == "a00000001.gdbtable") hasCatalog = true;
  }
  return !ec && hasCatalog;
}

bool IsGeoPackageFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return false;
  std::ifstream in(file, std::ios::binary);
  char header[72] = {};
  if (!in.read(header, sizeof header)) return false;
  const std::string magic(header, 16);
  const bool sqlite = magic == std::string("SQLite format 3\0", 16);
  // Application id, big-endian at offset 68: "GPKG" (or "GP10"/"GP11" of older files).
  const std::string appId(header + 68, 4);
  return sqlite && (appId == "GPKG" || appId == "GP10" || appId == "GP11");
}

// Tables a frame makes at most: its three classes, and the frame catalog
// with the first frame.
constexpr std::uint64_t kTablesPerFrame = 4;

// The "aXXXXXXXX" stems of the tables the system catalog of the File GDB
// lists (its row numbers are the tables' numbers), and the last number.
struct SystemCatalog {
  std::set<std::string> stems;
  std::uint64_t last = 0;
};

SystemCatalog ReadSystemCatalog(const std::string& gdb) {
  const auto tables = detail::FdbSystemCatalog(gdb);
  if (!tables)
    throw RunError("不能读出" + gdb + "的系统目录（" + gdal::LastError("它不是可读的文件地理数据库") +
                   "），不能确定其中哪些文件属于它，没有删除它；请自己删除这个文件夹");
  SystemCatalog c;
  for (const auto& table : *tables) {
    c.stems.insert(detail::FdbTableStem(table.second));
    c.last = std::max(c.last, table.second);
  }
  return c;
}

// The stems of the tables GDAL was making when a run of ours was killed
// (a table being made has its files before its row is written): the
// numbers after the last listed, while the note of a frame in progress
// proves such a run.
std::set<std::string> HalfMade(const std::string& gdb, const SystemCatalog& c) {
  std::set<std::string> stems;
  if (detail::FrameInProgress(gdb))
    for (std::uint64_t t = c.last + 1; t <= c.last + kTablesPerFrame; ++t)
      stems.insert(detail::FdbTableStem(t));
  return stems;
}

// The tables of the File GDB: listed, or half made by our run.
std::set<std::string> StoreTables(const std::string& gdb) {
  SystemCatalog c = ReadSystemCatalog(gdb);
  for (const std::string& stem : HalfMade(gdb, c)) c.stems.insert(stem);
  return c.stems;
}

// Whether the file `name` belongs to one of the tables.
bool OfTables(const std::string& name, const std::set<std::string>& stems) {
  return name.size() > 10 && name[9] == '.' && stems.count(name.substr(0, 9)) > 0;
}

}  // namespace

bool IsGeodatabaseSystemFile(const std::string& name) {
  return name == "gdb" || name == "timestamps" ||
         (name.size() > 5 && name.substr(name.size() - 5) == ".lock");
}

bool IsOutputStore(const std::string& path) {
  switch (OutputKindOf(path)) {
    case OutputKind::FileGdb:
      return IsGeodatabaseDirectory(path);
    case OutputKind::GeoPackage:
      return IsGeoPackageFile(path);
  }
  return false;
}

std::vector<std::string> ForeignFilesInGdb(const std::string& gdb) {
  const std::set<std::string> stems = StoreTables(gdb);
  std::vector<std::string> foreign;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(gdb, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file(ec) || !(IsGeodatabaseSystemFile(name) || OfTables(name, stems)))
      foreign.push_back(name);
  }
  std::sort(foreign.begin(), foreign.end());
  return foreign;
}

std::string RemoveOutputStore(const std::string& path) {
  if (!IsOutputStore(path))
    throw RunError(path +
                   "不是本程序能识别的文件地理数据库(.gdb)或GeoPackage(.gpkg)，为避免丢失其他文件，不删除它");
  std::error_code ec;
  if (OutputKindOf(path) == OutputKind::GeoPackage) {
    fs::remove(path, ec);
    if (!ec)
      for (const char* suffix : {"-wal", "-shm", "-journal"}) fs::remove(path + suffix, ec);
    if (fs::exists(path)) throw RunError(path + "文件已存在，且无法删除");
    return {};
  }
  const std::vector<std::string> foreign = ForeignFilesInGdb(path);
  if (!foreign.empty()) {
    std::string list;
    for (std::size_t i = 0; i < foreign.size() && i < 5; ++i) list += (i ? "、" : "") + foreign[i];
    if (foreign.size() > 5) list += "等" + std::to_string(foreign.size()) + "个";
    throw RunError(path + "中有不属于这个文件地理数据库的文件（" + list +
                   "），替换它会删除这些文件；没有删除任何文件，请先移走它们");
  }
  const std::set<std::string> stems = StoreTables(path);
  for (const auto& entry : fs::directory_iterator(path, ec)) {
    const std::string name = entry.path().filename().string();
    if (IsGeodatabaseSystemFile(name) || OfTables(name, stems)) fs::remove(entry.path(), ec);
  }
  fs::remove(path, ec);  // only when nothing else is left in it
  if (fs::exists(path)) {
    std::string left;
    for (const auto& entry : fs::directory_iterator(path, ec)) left += " " + entry.path().filename().string();
    throw RunError(path + "文件已存在，且无法删除（留下了:" + left + "）");
  }
  const std::vector<std::string> unusable = detail::RemoveCheckpointFiles(path);
  detail::ClearFrameInProgress(path);
  if (unusable.empty()) return {};
  std::string names;
  for (const std::string& u : unusable) names += (names.empty() ? "" : "、") + u;
  return "已删除" + path + "和它上次中断的运行留下的、不能用来恢复的检查点（" + names + "）";
}

namespace detail {

int RemoveHalfMadeTables(const std::string& gdb) {
  try {
    const SystemCatalog c = ReadSystemCatalog(gdb);
    const std::set<std::string> made = HalfMade(gdb, c);
    int removed = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(gdb, ec)) {
      const std::string name = entry.path().filename().string();
      if (name.size() > 10 && name[9] == '.' && made.count(name.substr(0, 9)) &&
          !c.stems.count(name.substr(0, 9)))
        removed += fs::remove(entry.path(), ec) ? 1 : 0;
    }
    return removed;
  } catch (const RunError&) {
    return 0;
  }
}

}  // namespace detail

void RemoveOrphanedSideFiles(const std::string& path) {
  if (!IsFileGdbPath(path) || OutputExists(path)) return;
  detail::RemoveCheckpointFiles(path);
  detail::ClearFrameInProgress(path);
}

}  // namespace tarvik
