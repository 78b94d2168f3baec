// Writing a delivered file whole or not at all.
#pragma once

#include <cstddef>
#include <string>

namespace tarvik::deliver {

// A file written piece by piece into a temporary beside `path` and renamed
// over it by commit(), so a failure never leaves a half-written file.
// Every call raises RunError naming the file when it cannot be written
// ("磁盘已满" for a full disk); the temporary goes when the object does,
// unless it was committed.
class DeliveredFile {
 public:
  explicit DeliveredFile(std::string path);
  ~DeliveredFile();
  DeliveredFile(const DeliveredFile&) = delete;
  DeliveredFile& operator=(const DeliveredFile&) = delete;

  void write(const char* data, std::size_t size);
  void write(const std::string& text) { write(text.data(), text.size()); }
  // Makes the file readable as any file of the folder and puts it in place.
  void commit();

  // The reason of an errno as the person reads it.
  static std::string Reason(int error);

 private:
  [[noreturn]] void fail(int error);
  std::string path_, temporary_;
  int fd_ = -1;
};

// Writes `content` to `path` (whole or not at all, as above).
void WriteTextFile(const std::string& path, const std::string& content);

}  // namespace tarvik::deliver
