#include "deliver/file_output.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "common/error.h"

namespace tarvik::deliver {

namespace fs = std::filesystem;

std::string DeliveredFile::Reason(int error) {
  return error == ENOSPC || error == EDQUOT ? std::string("磁盘已满") : std::string(std::strerror(error));
}

DeliveredFile::DeliveredFile(std::string path) : path_(std::move(path)) {
  // The temporary is a name made here (mkstemp), never one a file of the
  // user's beside it can have, and short whatever the length of `path`.
  const fs::path folder = fs::path(path_).parent_path();
  const std::string templ =
      (folder.empty() ? fs::path(".tarvik-XXXXXX") : folder / ".tarvik-XXXXXX").string();
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  fd_ = ::mkstemp(name.data());
  if (fd_ < 0) throw RunError("不能写入文件 " + path_ + "：" + Reason(errno));
  temporary_ = name.data();
}

DeliveredFile::~DeliveredFile() {
  if (fd_ >= 0) ::close(fd_);
  std::error_code ec;
  if (!temporary_.empty()) fs::remove(temporary_, ec);
}

void DeliveredFile::fail(int error) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  std::error_code ec;
  fs::remove(temporary_, ec);
  temporary_.clear();
  throw RunError("不能写入文件 " + path_ + "：" + Reason(error));
}

void DeliveredFile::write(const char* data, std::size_t size) {
  if (fd_ < 0) fail(EBADF);
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(fd_, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
}

void DeliveredFile::commit() {
  if (fd_ < 0) fail(EBADF);
  // mkstemp makes the file for its owner alone; a delivered file is read by
  // whoever may read the folder, as a file the program writes directly.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd_, 0666 & ~mask) != 0) fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail(errno);
  std::error_code ec;
  fs::rename(temporary_, path_, ec);
  if (ec) fail(ec.value());
  temporary_.clear();
}

void WriteTextFile(const std::string& path, const std::string& content) {
  DeliveredFile file(path);
  file.write(content);
  file.commit();
}

}  // namespace tarvik::deliver
