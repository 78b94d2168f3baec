#include "gdb/output_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "gdb/output_kind.h"
#include "gdb/side_files.h"

namespace tarvik {

std::string OutputLockFile(const std::string& path) { return SideFilePath(path, ".lock"); }

namespace {

[[noreturn]] void ThrowLocked(const std::string& path, const std::string& file) {
  throw RunError(path + "正在被另一个程序写入，请等它完成后再试（锁文件 " + file + "）");
}

}  // namespace

void CheckOutputNotLocked(const std::string& rawPath) {
  const std::string path = WithoutTrailingSeparators(rawPath);
  const std::string file = OutputLockFile(path);
  const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;  // no lock file: nobody holds it
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // releases the probe's lock, if it got one
  if (held) ThrowLocked(path, file);
}

OutputLock::~OutputLock() { release(); }

OutputLock::OutputLock(OutputLock&& other) noexcept : fd_(other.fd_), file_(std::move(other.file_)) {
  other.fd_ = -1;
  other.file_.clear();
}

OutputLock& OutputLock::operator=(OutputLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = other.fd_;
    file_ = std::move(other.file_);
    other.fd_ = -1;
    other.file_.clear();
  }
  return *this;
}

OutputLock OutputLock::Acquire(const std::string& rawPath) {
  const std::string path = WithoutTrailingSeparators(rawPath);
  const std::string file = OutputLockFile(path);
  std::error_code ec;
  const auto parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  // The holder removes the file before it lets go: a file locked here that
  // is no longer the one at the path was released that way, so try again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw RunError("不能创建锁文件" + file + "：" + std::strerror(errno) + "，不能写入" + path);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EWOULDBLOCK) ThrowLocked(path, file);
      // A file system without locks (some network shares): the run goes on
      // unlocked rather than not at all; the file is left to whoever made it.
      return OutputLock();
    }
    struct stat locked {
    }, current{};
    if (::fstat(fd, &locked) == 0 && ::stat(file.c_str(), &current) == 0 && locked.st_dev == current.st_dev &&
        locked.st_ino == current.st_ino) {
      OutputLock lock;
      lock.fd_ = fd;
      lock.file_ = file;
      return lock;
    }
    ::close(fd);
  }
  throw RunError(path + "正在被另一个程序写入（锁文件 " + file + " 不断被替换）");
}

void OutputLock::release() {
  if (fd_ < 0) return;
  // Removed while still locked, so that nobody locks a file about to vanish.
  ::unlink(file_.c_str());
  ::close(fd_);
  fd_ = -1;
  file_.clear();
}

}  // namespace tarvik
