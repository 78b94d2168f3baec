#include "gdb/gdb_checkpoint.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "common/error.h"
#include "gdb/output_kind.h"
#include "gdb/output_lock.h"

namespace tarvik::detail {

namespace fs = std::filesystem;

namespace {

// Tables up to this size are copied whole; of larger ones (the shared
// classes, the catalog of a large run), whose rows GDAL only appends, the
// size and the first bytes (header and field descriptions) are kept.
constexpr std::uintmax_t kWholeCopyBytes = std::uintmax_t{256} << 10;
constexpr std::size_t kHeadBytes = 64 * 1024;

const char* const kManifest = "manifest";

std::string Replacing(const std::string& gdbPath) { return CheckpointOf(gdbPath) + ".new"; }
std::string Replaced(const std::string& gdbPath) { return CheckpointOf(gdbPath) + ".old"; }

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool Complete(const std::string& folder) {
  std::error_code ec;
  return fs::is_regular_file(fs::path(folder) / kManifest, ec);
}

[[noreturn]] void Fail(const std::string& what, const std::string& why) {
  throw RunError(what + "：" + why);
}

void CopyHead(const fs::path& from, const fs::path& to, std::uintmax_t size) {
  std::vector<char> head(static_cast<std::size_t>(std::min<std::uintmax_t>(size, kHeadBytes)));
  std::ifstream in(from, std::ios::binary);
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out.write(head.data(), in.gcount());
  if (!in || !out) throw fs::filesystem_error("cannot copy", from, to, std::make_error_code(std::errc::io_error));
}

struct Entry {
  bool whole = true;
  std::uintmax_t size = 0;
  std::string name;
};

std::vector<Entry> ReadManifest(const fs::path& folder) {
  std::vector<Entry> entries;
  std::ifstream in(folder / kManifest);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    Entry e;
    std::string kind;
    words >> kind;
    if (kind == "part") {
      e.whole = false;
      words >> e.size;
    } else if (kind != "whole") {
      continue;
    }
    words >> std::ws;
    std::getline(words, e.name);
    if (!e.name.empty()) entries.push_back(e);
  }
  return entries;
}

}  // namespace

std::string CheckpointOf(const std::string& gdbPath) { return gdbPath + ".checkpoint"; }

void SaveCheckpoint(const std::string& gdbPath) {
  const fs::path store = gdbPath, next = Replacing(gdbPath), current = CheckpointOf(gdbPath),
                 old = Replaced(gdbPath);
  try {
    fs::remove_all(next);
    fs::create_directories(next);
    std::ostringstream manifest;
    for (const auto& item : fs::directory_iterator(store)) {
      if (!item.is_regular_file()) continue;
      const std::string name = item.path().filename().string();
      const std::uintmax_t size = item.file_size();
      if (EndsWith(name, ".gdbtable") && size > kWholeCopyBytes) {
        CopyHead(item.path(), next / name, size);
        manifest << "part " << size << ' ' << name << '\n';
      } else {
        fs::copy_file(item.path(), next / name, fs::copy_options::overwrite_existing);
        manifest << "whole " << name << '\n';
      }
    }
    // Written last: a checkpoint without it was not finished.
    std::ofstream out(next / kManifest, std::ios::trunc);
    out << manifest.str();
    out.close();
    if (!out) throw fs::filesystem_error("cannot write", next / kManifest, std::make_error_code(std::errc::io_error));
    fs::remove_all(old);
    if (fs::exists(current)) fs::rename(current, old);
    fs::rename(next, current);
    fs::remove_all(old);
  } catch (const fs::filesystem_error& e) {
    std::error_code ec;
    fs::remove_all(next, ec);
    if (e.code() == std::errc::no_space_on_device)
      throw RunError("磁盘已满，不能继续写入" + gdbPath + "（保存检查点" + current.string() + "时）");
    Fail("不能保存" + gdbPath + "的检查点（" + current.string() + "）", e.code().message());
  }
}

void DropCheckpoint(const std::string& gdbPath) {
  std::error_code ec;
  fs::remove_all(Replacing(gdbPath), ec);
  fs::remove_all(CheckpointOf(gdbPath), ec);
  fs::remove_all(Replaced(gdbPath), ec);
}

bool RestoreCheckpoint(const std::string& gdbPath) {
  // The newest complete checkpoint: while one replaces another, the older
  // one is kept until the newer one is in place.
  std::string from;
  for (const std::string& folder : {CheckpointOf(gdbPath), Replaced(gdbPath)})
    if (Complete(folder)) {
      from = folder;
      break;
    }
  std::error_code ec;
  if (from.empty() || !fs::is_directory(gdbPath, ec)) {
    // Unfinished, or of a store that is gone: nothing to put back.
    DropCheckpoint(gdbPath);
    return false;
  }
  const fs::path store = gdbPath, saved = from;
  try {
    const std::vector<Entry> entries = ReadManifest(saved);
    std::set<std::string> known;
    for (const Entry& e : entries) known.insert(e.name);
    // Files made after the checkpoint (the classes' indexes of a close
    // that did not finish) go.
    for (const auto& item : fs::directory_iterator(store))
      if (item.is_regular_file() && !known.count(item.path().filename().string())) fs::remove(item.path());
    for (const Entry& e : entries) {
      const fs::path target = store / e.name;
      if (e.whole) {
        fs::copy_file(saved / e.name, target, fs::copy_options::overwrite_existing);
        continue;
      }
      // The rows written after the checkpoint are cut off, and the header
      // put back.
      std::ifstream in(saved / e.name, std::ios::binary);
      const std::string head((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
      if (fd < 0) Fail("不能恢复" + target.string(), std::strerror(errno));
      const bool ok = ::ftruncate(fd, static_cast<off_t>(e.size)) == 0 &&
                      ::pwrite(fd, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size());
      const int error = errno;
      ::close(fd);
      if (!ok) Fail("不能恢复" + target.string(), std::strerror(error));
    }
  } catch (const fs::filesystem_error& e) {
    Fail("不能把" + gdbPath + "恢复到上次中断前保存的状态", e.code().message());
  }
  DropCheckpoint(gdbPath);
  return true;
}

bool RecoverInterruptedRun(const std::string& outputPath) {
  if (!IsFileGdbPath(outputPath)) return false;
  std::error_code ec;
  if (!fs::exists(CheckpointOf(outputPath), ec) && !fs::exists(Replaced(outputPath), ec) &&
      !fs::exists(Replacing(outputPath), ec))
    return false;
  try {
    // Taking the lock puts the store back (OutputLock::Acquire).
    OutputLock lock = OutputLock::Acquire(outputPath);
    return lock.held() && !fs::exists(CheckpointOf(outputPath), ec);
  } catch (const RunError&) {
    return false;
  }
}

}  // namespace tarvik::detail
