#include "deliver/file_output.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/error.h"

namespace tarvik::deliver {

namespace {

namespace fs = std::filesystem;

std::string Reason(int error) {
  return error == ENOSPC || error == EDQUOT ? std::string("磁盘已满") : std::string(std::strerror(error));
}

}  // namespace

void WriteTextFile(const std::string& path, const std::string& content) {
  // The temporary is a name made here (mkstemp), never one a file of the
  // user's beside it can have, and short whatever the length of `path`.
  const fs::path folder = fs::path(path).parent_path();
  const std::string templ = (folder.empty() ? fs::path(".tarvik-XXXXXX") : folder / ".tarvik-XXXXXX").string();
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) throw RunError("不能写入文件 " + path + "：" + Reason(errno));
  const std::string temporary = name.data();
  int error = 0;
  for (std::size_t done = 0; done < content.size() && error == 0;) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  // mkstemp makes the file for its owner alone; a delivered file is read by
  // whoever may read the folder, as a file the program writes directly.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (error == 0 && ::fchmod(fd, 0666 & ~mask) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  std::error_code ec;
  if (error == 0) {
    fs::rename(temporary, path, ec);
    if (!ec) return;
    error = ec.value();
  }
  fs::remove(temporary, ec);
  throw RunError("不能写入文件 " + path + "：" + Reason(error));
}

}  // namespace tarvik::deliver
