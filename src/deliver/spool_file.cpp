#include "deliver/spool_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "common/error.h"

namespace tarvik::deliver {
namespace {
constexpr std::size_t kBufferBytes = 1 << 20;
}

SpoolFile::SpoolFile(std::string path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd_ < 0) fail(errno);
  buffer_.reserve(kBufferBytes);
}

SpoolFile::~SpoolFile() {
  if (fd_ >= 0) ::close(fd_);
  ::unlink(path_.c_str());
}

void SpoolFile::fail(int error) {
  throw RunError("不能写入暂存文件 " + path_ + "：" + DeliveredFile::Reason(error));
}

void SpoolFile::append(const std::string& text) {
  buffer_ += text;
  if (buffer_.size() >= kBufferBytes) flush();
}

void SpoolFile::flush() {
  if (fd_ < 0) fail(EBADF);
  for (std::size_t done = 0; done < buffer_.size();) {
    const ssize_t n =
        ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done, static_cast<off_t>(written_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
    written_ += static_cast<std::uint64_t>(n);
  }
  buffer_.clear();
}

void SpoolFile::cutTo(std::uint64_t size) {
  if (size >= this->size()) return;
  if (size >= written_) {
    buffer_.resize(static_cast<std::size_t>(size - written_));
    return;
  }
  buffer_.clear();
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) fail(errno);
  written_ = size;
}

void SpoolFile::copyTo(DeliveredFile& out) {
  flush();
  std::vector<char> chunk(kBufferBytes * 4);
  for (std::uint64_t at = 0; at < written_;) {
    const ssize_t n = ::pread(fd_, chunk.data(), chunk.size(), static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(n < 0 ? errno : EIO);
    out.write(chunk.data(), static_cast<std::size_t>(n));
    at += static_cast<std::uint64_t>(n);
  }
}

}  // namespace tarvik::deliver
