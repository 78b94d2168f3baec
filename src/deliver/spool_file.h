// A file a long piece of output is gathered in while it is made, to be
// copied into the delivered file at the end (DXF entities, which follow
// tables that are known only when every frame is drawn). Written through a
// buffer of its own; it can be cut back to an earlier size (a frame undone)
// and is removed when the object goes.
#pragma once

#include <cstdint>
#include <string>

#include "deliver/file_output.h"

namespace tarvik::deliver {

class SpoolFile {
 public:
  // Creates (or empties) the file `path`. RunError when it cannot.
  explicit SpoolFile(std::string path);
  ~SpoolFile();
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;

  // Each raises RunError naming the file when it cannot be written
  // ("磁盘已满" for a full disk).
  void append(const std::string& text);
  // Bytes written so far, the buffer included.
  std::uint64_t size() const { return written_ + buffer_.size(); }
  // Forgets what was written after the first `size` bytes.
  void cutTo(std::uint64_t size);
  // Copies the whole content to `out`.
  void copyTo(DeliveredFile& out);

 private:
  void flush();
  [[noreturn]] void fail(int error);
  std::string path_;
  int fd_ = -1;
  std::uint64_t written_ = 0;  // bytes in the file
  std::string buffer_;
};

}  // namespace tarvik::deliver
