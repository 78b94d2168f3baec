// The advisory lock a run holds on its output, so that a second run (another
// window, another command line, with or without --overwrite) cannot remove
// or write the same output while the first is writing it.
//
// The lock object is the file "<output>.lock" beside the output (for
// "out/frames.gdb": "out/frames.gdb.lock"; a hidden name of its own when
// that would be too long, see side_files.h), locked with flock(2). It is not
// the output itself because --overwrite removes and recreates the output:
// a lock on the removed store would protect nothing. The lock file is
// removed when the lock is released; a killed program leaves it behind, which
// is harmless: the kernel released its flock, and the next run takes the
// file over and removes it in its turn.
#pragma once

#include <string>

namespace tarvik {

class OutputLock {
 public:
  OutputLock() = default;
  ~OutputLock();
  OutputLock(OutputLock&& other) noexcept;
  OutputLock& operator=(OutputLock&& other) noexcept;
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;

  // Takes the lock of the output at `path` (a .gdb or .gpkg, existing or
  // not; its folder is created as needed). RunError "<path>正在被另一个程序
  // 写入…" when another run holds it, or when the lock file cannot be made.
  // On a file system that has no locks the result holds none.
  static OutputLock Acquire(const std::string& path);

  bool held() const { return fd_ >= 0; }
  // The lock file ("" when not held).
  const std::string& file() const { return file_; }
  // Removes the lock file and releases the lock (also done on destruction).
  void release();

 private:
  int fd_ = -1;
  std::string file_;
};

// The lock file of the output at `path`.
std::string OutputLockFile(const std::string& path);

// RunError "<path>正在被另一个程序写入…" when another run holds the lock of
// the output at `path` now; creates nothing (a check made before the person
// is asked about the output; the run takes the lock itself later).
void CheckOutputNotLocked(const std::string& path);

}  // namespace tarvik
