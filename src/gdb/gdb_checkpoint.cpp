#include "gdb/gdb_checkpoint.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>

#include "common/error.h"
#include "gdb/side_files.h"
#include "gdb/store.h"

namespace tarvik::detail {

namespace fs = std::filesystem;

namespace {

// Tables up to this size are copied whole; of larger ones (the shared
// classes, the catalog of a large run), whose rows GDAL only appends, the
// size and the first bytes (header and field descriptions) are kept.
constexpr std::uintmax_t kWholeCopyBytes = std::uintmax_t{256} << 10;
constexpr std::size_t kHeadBytes = 64 * 1024;

const char* const kManifest = "manifest";
const char* const kFormat = "tarvik-checkpoint 2";
const char* const kReason = "reason";

std::string Next(const std::string& gdb) { return SideFilePath(gdb, ".checkpoint.new"); }
std::string Previous(const std::string& gdb) { return SideFilePath(gdb, ".checkpoint.old"); }
std::string Dropping(const std::string& gdb) { return SideFilePath(gdb, ".checkpoint.drop"); }

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// A failed read or write of a checkpoint file, with errno.
struct IoError {
  int error;
  std::string file;
};

// FNV-1a over 64 bits: enough to tell a damaged or foreign copy.
std::uint64_t Hash(std::uint64_t h, const char* data, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    h ^= static_cast<unsigned char>(data[i]);
    h *= 1099511628211ULL;
  }
  return h;
}
constexpr std::uint64_t kHashStart = 14695981039346656037ULL;

std::string Hex(std::uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

class Fd {
 public:
  Fd(const std::string& path, int flags, mode_t mode = 0644)
      : fd_(::open(path.c_str(), flags | O_CLOEXEC, mode)) {
    if (fd_ < 0) throw IoError{errno, path};
  }
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void close(const std::string& path) {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw IoError{errno, path};
  }

 private:
  int fd_;
};

void WriteAll(int fd, const char* data, std::size_t n, const std::string& file) {
  while (n > 0) {
    const ssize_t w = ::write(fd, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) throw IoError{w < 0 ? errno : EIO, file};
    data += w;
    n -= static_cast<std::size_t>(w);
  }
}

// Reads the file's first `limit` bytes (all of it when it is shorter),
// writing them to `to` when it is given; their number and checksum.
std::pair<std::uint64_t, std::uint64_t> ReadPrefix(const std::string& from, std::uint64_t limit,
                                                   const std::string* to) {
  Fd in(from, O_RDONLY);
  std::optional<Fd> out;
  if (to) out.emplace(*to, O_WRONLY | O_CREAT | O_TRUNC);
  std::vector<char> buffer(256 * 1024);
  std::uint64_t done = 0, hash = kHashStart;
  while (done < limit) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), limit - done));
    const ssize_t n = ::read(in.get(), buffer.data(), want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw IoError{errno, from};
    if (n == 0) break;
    hash = Hash(hash, buffer.data(), static_cast<std::size_t>(n));
    if (out) WriteAll(out->get(), buffer.data(), static_cast<std::size_t>(n), *to);
    done += static_cast<std::uint64_t>(n);
  }
  if (out) out->close(*to);
  return {done, hash};
}

std::string ReadText(const std::string& path) {
  try {
    Fd in(path, O_RDONLY);
    std::string text;
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
      if (text.size() > (std::size_t{64} << 20)) break;  // no manifest is this long
    }
    return text;
  } catch (const IoError&) {
    return {};
  }
}

void WriteText(const std::string& path, const std::string& text) {
  Fd out(path, O_WRONLY | O_CREAT | O_TRUNC);
  WriteAll(out.get(), text.data(), text.size(), path);
  out.close(path);
}

// One saved file: whole, or (a large table) its first bytes and its size.
struct Entry {
  bool whole = true;
  std::uint64_t size = 0;    // of the store's file when saved
  std::uint64_t copied = 0;  // bytes of it in the checkpoint
  std::uint64_t inode = 0;   // of the store's file
  std::uint64_t hash = 0;    // of the copied bytes
  std::string name;
};

struct Manifest {
  std::string store;  // StoreIdentity of the store it was made for
  std::vector<Entry> entries;
};

std::string ManifestText(const Manifest& m) {
  std::ostringstream out;
  out << kFormat << '\n' << "store " << m.store << '\n';
  for (const Entry& e : m.entries)
    out << (e.whole ? "whole " : "part ") << e.size << ' ' << e.copied << ' ' << e.inode << ' ' << Hex(e.hash)
        << ' ' << e.name << '\n';
  std::string text = out.str();
  return text + "end " + Hex(Hash(kHashStart, text.data(), text.size())) + "\n";
}

std::optional<Manifest> ParseManifest(const std::string& text, std::string& why) {
  why = "清单不完整或已损坏";
  const auto end = text.rfind("end ");
  if (end == std::string::npos || (end > 0 && text[end - 1] != '\n') || text.size() != end + 4 + 16 + 1 ||
      text.back() != '\n')
    return std::nullopt;
  if (text.compare(end + 4, 16, Hex(Hash(kHashStart, text.data(), end))) != 0) return std::nullopt;
  std::istringstream in(text.substr(0, end));
  std::string line;
  if (!std::getline(in, line) || line != kFormat) return std::nullopt;
  Manifest m;
  if (!std::getline(in, line) || line.compare(0, 6, "store ") != 0) return std::nullopt;
  m.store = line.substr(6);
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string kind, hash;
    Entry e;
    if (!(words >> kind >> e.size >> e.copied >> e.inode >> hash) || (kind != "whole" && kind != "part"))
      return std::nullopt;
    e.whole = kind == "whole";
    if (hash.size() != 16 || hash.find_first_not_of("0123456789abcdef") != std::string::npos)
      return std::nullopt;
    e.hash = std::stoull(hash, nullptr, 16);
    words >> std::ws;
    std::getline(words, e.name);
    if (e.name.empty() || e.name.find('/') != std::string::npos || e.name == "." || e.name == "..")
      return std::nullopt;
    m.entries.push_back(e);
  }
  if (m.entries.empty()) return std::nullopt;
  why.clear();
  return m;
}

// The checkpoint in `folder`, verified whole; none, with the reason, when
// it is not.
std::optional<Manifest> Verify(const std::string& folder, std::string& why) {
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec))) {
    why = "不是检查点文件夹";
    return std::nullopt;
  }
  const std::string manifest = (fs::path(folder) / kManifest).string();
  if (!Exists(manifest)) {
    why = "没有清单（检查点没有保存完，或清单被删除）";
    return std::nullopt;
  }
  auto m = ParseManifest(ReadText(manifest), why);
  if (!m) return m;
  for (const Entry& e : m->entries) {
    const std::string copy = (fs::path(folder) / e.name).string();
    try {
      const auto [bytes, hash] = ReadPrefix(copy, UINT64_MAX, nullptr);
      if (bytes == e.copied && hash == e.hash) continue;
    } catch (const IoError&) {}
    why = "保存的文件" + e.name + "缺失或已损坏";
    return std::nullopt;
  }
  return m;
}

// Why the verified checkpoint was not made for the store at `gdb`, or "".
std::string Mismatch(const Manifest& m, const std::string& gdb) {
  const std::string stale = "不是为现在的" + fs::path(gdb).filename().string() + "保存的";
  if (m.store.empty() || m.store != StoreIdentity(gdb)) return stale + "（文件夹不同）";
  for (const Entry& e : m.entries) {
    if (e.whole) continue;
    struct stat st {};
    const std::string file = (fs::path(gdb) / e.name).string();
    if (::stat(file.c_str(), &st) != 0 || static_cast<std::uint64_t>(st.st_ino) != e.inode ||
        static_cast<std::uint64_t>(st.st_size) < e.size)
      return stale + "（" + e.name + "不同）";
  }
  return {};
}

void Restore(const Manifest& m, const std::string& folder, const std::string& gdb) {
  std::set<std::string> known;
  for (const Entry& e : m.entries) known.insert(e.name);
  const fs::path store = gdb, saved = folder;
  try {
    // Files made after the checkpoint (the classes' indexes of a close
    // that did not finish) go.
    for (const auto& item : fs::directory_iterator(store))
      if (item.is_regular_file() && !known.count(item.path().filename().string())) fs::remove(item.path());
    for (const Entry& e : m.entries) {
      const std::string target = (store / e.name).string();
      const std::string copy = (saved / e.name).string();
      if (e.whole) {
        ReadPrefix(copy, UINT64_MAX, &target);
        continue;
      }
      // The rows written after the checkpoint are cut off, and the header
      // put back.
      const std::string head = ReadText(copy);
      Fd out(target, O_WRONLY);
      if (::ftruncate(out.get(), static_cast<off_t>(e.size)) != 0) throw IoError{errno, target};
      if (::pwrite(out.get(), head.data(), head.size(), 0) != static_cast<ssize_t>(head.size()))
        throw IoError{errno, target};
      out.close(target);
    }
  } catch (const IoError& e) {
    throw RunError("不能把" + gdb + "恢复到上次中断前保存的状态（" + e.file + "：" + std::strerror(e.error) +
                   "）；检查点保留在" + folder + "，下次打开时再试");
  } catch (const fs::filesystem_error& e) {
    throw RunError("不能把" + gdb + "恢复到上次中断前保存的状态（" + e.code().message() + "）；检查点保留在" +
                   folder + "，下次打开时再试");
  }
}

void RemoveQuietly(const std::string& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
}

}  // namespace

std::string CheckpointOf(const std::string& gdbPath) { return SideFilePath(gdbPath, ".checkpoint"); }
std::string SetAsideCheckpointOf(const std::string& gdbPath) {
  return SideFilePath(gdbPath, ".checkpoint-unused");
}

std::string StoreIdentity(const std::string& path) {
  struct statx st {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_INO | STATX_BTIME, &st) != 0) return {};
  const unsigned long long birth =
      (st.stx_mask & STATX_BTIME)
          ? static_cast<unsigned long long>(st.stx_btime.tv_sec) * 1000000000ULL + st.stx_btime.tv_nsec
          : 0;
  return std::to_string(makedev(st.stx_dev_major, st.stx_dev_minor)) + ":" + std::to_string(st.stx_ino) +
         ":" + std::to_string(birth);
}

void SaveCheckpoint(const std::string& gdbPath) {
  const std::string next = Next(gdbPath), current = CheckpointOf(gdbPath), previous = Previous(gdbPath);
  int error = 0;
  std::string file;
  try {
    fs::remove_all(next);
    fs::create_directory(next);
    Manifest m;
    m.store = StoreIdentity(gdbPath);
    for (const auto& item : fs::directory_iterator(gdbPath)) {
      if (!item.is_regular_file()) continue;
      Entry e;
      e.name = item.path().filename().string();
      struct stat st {};
      if (::stat(item.path().c_str(), &st) != 0) throw IoError{errno, item.path().string()};
      e.inode = static_cast<std::uint64_t>(st.st_ino);
      e.whole = !(EndsWith(e.name, ".gdbtable") && static_cast<std::uintmax_t>(st.st_size) > kWholeCopyBytes);
      const std::string copy = (fs::path(next) / e.name).string();
      const auto [bytes, hash] = ReadPrefix(item.path().string(), e.whole ? UINT64_MAX : kHeadBytes, &copy);
      e.copied = bytes;
      e.hash = hash;
      e.size = e.whole ? bytes : static_cast<std::uint64_t>(st.st_size);
      m.entries.push_back(e);
    }
    // Written last, whole under another name: a checkpoint whose manifest
    // is there was saved to its end.
    const std::string manifest = (fs::path(next) / kManifest).string();
    WriteText(manifest + ".part", ManifestText(m));
    fs::rename(manifest + ".part", manifest);
    fs::remove_all(previous);
    if (Exists(current)) fs::rename(current, previous);
    fs::rename(next, current);
    fs::remove_all(previous);
    return;
  } catch (const IoError& e) {
    error = e.error;
    file = e.file;
  } catch (const fs::filesystem_error& e) {
    error = e.code().value();
    file = e.path1().string();
  }
  RemoveQuietly(next);
  errno = error;
  if (error == ENOSPC || error == EDQUOT || DiskFull(gdbPath))
    throw RunError("磁盘已满，不能继续写入" + gdbPath + "（保存检查点" + current + "时）");
  throw RunError("不能保存" + gdbPath + "的检查点（" + file + "：" + std::strerror(error) + "）");
}

void DropCheckpoint(const std::string& gdbPath) {
  // Renamed first: from here on no program takes it for a checkpoint of a
  // run that did not end.
  const std::string dropping = Dropping(gdbPath);
  RemoveQuietly(dropping);
  std::error_code ec;
  fs::rename(CheckpointOf(gdbPath), dropping, ec);
  RemoveQuietly(Next(gdbPath));
  RemoveQuietly(Previous(gdbPath));
  RemoveQuietly(dropping);
}

CheckpointRecovery RecoverCheckpoint(const std::string& gdbPath) {
  CheckpointRecovery out;
  // A drop a kill interrupted: the store had been closed whole.
  RemoveQuietly(Dropping(gdbPath));
  const std::string aside = SetAsideCheckpointOf(gdbPath);
  if (Exists(aside)) {
    out.unusable = ReadText((fs::path(aside) / kReason).string());
    if (out.unusable.empty()) out.unusable = "检查点不能用来恢复";
    out.setAside = aside;
    return out;
  }
  const std::string folders[] = {CheckpointOf(gdbPath), Previous(gdbPath), Next(gdbPath)};
  bool any = false;
  for (const std::string& f : folders) any = any || Exists(f);
  if (!any) return out;
  std::error_code ec;
  if (!fs::is_directory(gdbPath, ec)) {
    // The store is gone: what its run left belongs to nothing.
    RemoveCheckpointFiles(gdbPath);
    return out;
  }
  std::string why;
  for (const std::string& f : folders) {
    if (!Exists(f)) continue;
    std::string reason;
    auto m = Verify(f, reason);
    if (m) reason = Mismatch(*m, gdbPath);
    if (m && reason.empty()) {
      Restore(*m, f, gdbPath);
      for (const std::string& g : folders) RemoveQuietly(g);
      out.restored = true;
      return out;
    }
    if (why.empty()) why = "检查点" + f + reason;
  }
  // A save cut short before it wrote its manifest, with no older
  // checkpoint: the first one, made before anything was written.
  if (!Exists(folders[0]) && !Exists(folders[1]) && fs::is_directory(folders[2], ec) &&
      !Exists((fs::path(folders[2]) / kManifest).string())) {
    RemoveQuietly(folders[2]);
    return out;
  }
  // Nothing can be applied: set aside, the store left as it is.
  try {
    fs::create_directory(aside);
    for (const std::string& f : folders)
      if (Exists(f)) fs::rename(f, fs::path(aside) / fs::path(f).filename());
    WriteText((fs::path(aside) / kReason).string(), why);
  } catch (const std::exception&) {
    // Refused all the same; what could not be moved stays where it was.
  }
  out.unusable = why;
  out.setAside = aside;
  return out;
}

bool HasCheckpointFiles(const std::string& gdbPath) {
  for (const std::string& f : {CheckpointOf(gdbPath), Previous(gdbPath), Next(gdbPath), Dropping(gdbPath),
                               SetAsideCheckpointOf(gdbPath)})
    if (Exists(f)) return true;
  return false;
}

std::vector<std::string> RemoveCheckpointFiles(const std::string& gdbPath) {
  std::vector<std::string> unusable;
  for (const std::string& f : {CheckpointOf(gdbPath), Previous(gdbPath), Next(gdbPath), Dropping(gdbPath),
                               SetAsideCheckpointOf(gdbPath)}) {
    if (!Exists(f)) continue;
    // An unfinished save (.new) and a drop are no checkpoints to speak of.
    if (f != Next(gdbPath) && f != Dropping(gdbPath)) {
      std::string why;
      const auto m = f == SetAsideCheckpointOf(gdbPath) ? std::nullopt : Verify(f, why);
      if (!m || !Mismatch(*m, gdbPath).empty()) unusable.push_back(f);
    }
    RemoveQuietly(f);
  }
  return unusable;
}

}  // namespace tarvik::detail
