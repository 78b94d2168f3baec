#include "gdb/output_removal.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>

#include "common/error.h"
#include "gdb/gdb_checkpoint.h"
#include "gdb/output_kind.h"

namespace tarvik {
namespace fs = std::filesystem;
namespace {

// The files a File Geodatabase consists of: its system files, tables
// "aXXXXXXXX.*" and lock files.
bool IsGeodatabaseFile(const std::string& name) {
  static const std::regex table(R"(a[0-9a-fA-F]{8}\.(gdbtable|gdbtablx|gdbindexes|atx|spx|freelist|horizon|cdf|[A-Za-z0-9_]+\.atx))");
  return name == "gdb" || name == "timestamps" || std::regex_match(name, table) ||
         (name.size() > 5 && name.substr(name.size() - 5) == ".lock");
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

}  // namespace

bool IsOutputStore(const std::string& path) {
  switch (OutputKindOf(path)) {
    case OutputKind::FileGdb:
      return IsGeodatabaseDirectory(path);
    case OutputKind::GeoPackage:
      return IsGeoPackageFile(path);
  }
  return false;
}

void RemoveOutputStore(const std::string& path) {
  if (!IsOutputStore(path))
    throw RunError(path + "不是本程序能识别的文件地理数据库(.gdb)或GeoPackage(.gpkg)，为避免丢失其他文件，不删除它");
  std::error_code ec;
  fs::remove_all(path, ec);
  detail::DropCheckpoint(path);
  if (!ec && OutputKindOf(path) == OutputKind::GeoPackage) {
    for (const char* suffix : {"-wal", "-shm", "-journal"}) fs::remove(path + suffix, ec);
    ec.clear();
  }
  if (ec || fs::exists(path)) throw RunError(path + "文件已存在，且无法删除");
}

}  // namespace tarvik
