#include "gdb/frame_marker.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "gdb/gdb_checkpoint.h"
#include "gdb/side_files.h"

namespace tarvik::detail {

namespace {
const char* const kFormat = "tarvik-frame-in-progress 1";
}

std::string FrameMarkerOf(const std::string& gdbPath) { return SideFilePath(gdbPath, ".frame"); }

void NoteFrameInProgress(const std::string& gdbPath, const std::string& dataset) {
  const std::string text = std::string(kFormat) + "\n" + StoreIdentity(gdbPath) + "\n" + dataset + "\n";
  const int fd = ::open(FrameMarkerOf(gdbPath).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const ssize_t written = ::write(fd, text.data(), text.size());
  (void)written;
  ::close(fd);
}

void ClearFrameInProgress(const std::string& gdbPath) {
  std::error_code ec;
  std::filesystem::remove(FrameMarkerOf(gdbPath), ec);
}

std::optional<std::string> FrameInProgress(const std::string& gdbPath) {
  std::ifstream in(FrameMarkerOf(gdbPath));
  std::string format, identity, dataset;
  if (!std::getline(in, format) || !std::getline(in, identity) || !std::getline(in, dataset))
    return std::nullopt;
  if (format != kFormat || identity.empty() || identity != StoreIdentity(gdbPath) || dataset.empty())
    return std::nullopt;
  return dataset;
}

}  // namespace tarvik::detail
