#include "gdb/output_kind.h"

#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "common/text_util.h"

namespace tarvik {

std::string WithoutTrailingSeparators(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  return p;
}

bool IsFileGdbPath(const std::string& path) {
  return EndsWithNoCase(WithoutTrailingSeparators(path), ".gdb");
}

OutputKind OutputKindOf(const std::string& path) {
  const std::string p = WithoutTrailingSeparators(path);
  if (IsFileGdbPath(p)) return OutputKind::FileGdb;
  if (EndsWithNoCase(p, ".gpkg")) return OutputKind::GeoPackage;
  if (EndsWithNoCase(p, ".mdb"))
    throw RunError("不能写入个人地理数据库(.mdb)：" + path +
                   "。请改用以 .gdb 结尾的文件地理数据库，或以 .gpkg 结尾的 GeoPackage 文件");
  throw RunError("不支持的输出格式：" + path +
                 "。输出必须是以 .gdb 结尾的文件地理数据库，或以 .gpkg 结尾的 GeoPackage 文件"
                 "（个人地理数据库 .mdb 不能写入）");
}

bool OutputExists(const std::string& path) {
  std::error_code ec;
  const std::string p = WithoutTrailingSeparators(path);
  if (OutputKindOf(p) == OutputKind::FileGdb) return std::filesystem::is_directory(p, ec);
  return std::filesystem::is_regular_file(p, ec);
}

}  // namespace tarvik
