#include "gdb/side_files.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "common/error.h"
#include "gdb/output_kind.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

// FNV-1a: a name's stand-in needs to differ between names, not to resist
// anyone.
std::string HashName(const std::string& name) {
  std::uint64_t h = 14695981039346656037ULL;
  for (const unsigned char c : name) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

std::string InFolderOf(const fs::path& output, const std::string& name) {
  const fs::path folder = output.parent_path();
  return folder.empty() ? name : (folder / name).string();
}

}  // namespace

std::string SideFilePath(const std::string& rawOutput, const std::string& suffix) {
  const fs::path output = WithoutTrailingSeparators(rawOutput);
  const std::string name = output.filename().string();
  if (name.size() + suffix.size() <= kMaxFileNameBytes) return InFolderOf(output, name + suffix);
  return InFolderOf(output, ".tarvik-" + HashName(name) + suffix);
}

std::string MakePrivateFolder(const std::string& rawOutput, const std::string& tag) {
  const fs::path output = WithoutTrailingSeparators(rawOutput);
  const std::string name = output.filename().string();
  std::string stem = "." + name + "." + tag + "-";
  if (stem.size() + 6 > kMaxFileNameBytes) stem = ".tarvik-" + HashName(name) + "." + tag + "-";
  std::string templ = InFolderOf(output, stem + "XXXXXX");
  std::vector<char> buffer(templ.begin(), templ.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data()))
    throw RunError("不能在" + output.parent_path().string() + "中创建工作文件夹：" + std::strerror(errno));
  return buffer.data();
}

}  // namespace tarvik
