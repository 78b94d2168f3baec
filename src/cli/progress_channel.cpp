#include "cli/progress_channel.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "cli/args.h"
#include "cli/json.h"
#include "common/delphi.h"

namespace tarvik::cli {

ProgressChannel::~ProgressChannel() {
  if (ownsFd_) ::close(fd_);
}

void ProgressChannel::takeFrom(std::vector<std::string>& args) {
  std::string format;
  std::string fdText;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {  // what follows is positional
      rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    std::string* slot = a.rfind("--progress-fd", 0) == 0 ? &fdText
                        : a.rfind("--progress", 0) == 0  ? &format
                                                         : nullptr;
    const std::string name = slot == &fdText ? "--progress-fd" : "--progress";
    if (!slot || (a != name && a.rfind(name + "=", 0) != 0)) {
      rest.push_back(a);
      continue;
    }
    if (a == name) {
      if (i + 1 >= args.size()) throw UsageError("选项 " + name + " 缺少参数");
      *slot = args[++i];
    } else {
      *slot = a.substr(name.size() + 1);
    }
  }
  if (format.empty() && fdText.empty()) return;
  if (format != "json") throw UsageError("--progress 只能是 json: " + format);
  args = std::move(rest);
  if (fdText.empty()) {
    // The events take standard output; the command's other output moves to
    // standard error so that every line of the stream is an event.
    std::fflush(stdout);
    fd_ = ::dup(STDOUT_FILENO);
    if (fd_ < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
      throw UsageError("--progress json: 不能使用标准输出");
    ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
    ownsFd_ = true;
    return;
  }
  const auto fd = StrToInt(fdText);
  if (!fd || *fd < 0 || *fd > 1 << 20) throw UsageError("--progress-fd 需要一个文件描述符号: " + fdText);
  const int flags = ::fcntl(static_cast<int>(*fd), F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
    throw UsageError("--progress-fd " + fdText + " 不是可写的文件描述符");
  fd_ = static_cast<int>(*fd);
}

void ProgressChannel::event(const std::string& object) {
  if (fd_ < 0) return;
  const std::string line = object + "\n";
  std::size_t written = 0;
  // A pipe takes a line of up to PIPE_BUF bytes in one piece; longer ones
  // (a long list of errors) are written on until whole.
  while (written < line.size()) {
    const ssize_t n = ::write(fd_, line.data() + written, line.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // The reader is gone: the run goes on (its output is what matters),
      // the events are dropped.
      if (ownsFd_) ::close(fd_);
      fd_ = -1;
      return;
    }
    written += static_cast<std::size_t>(n);
  }
}

void ProgressChannel::text(const char* name, const std::string& text) {
  event(JsonMembers().str("event", name).str("text", text).object());
}

void ProgressChannel::summary(const std::string& status, int exitCode, const std::string& fields) {
  if (summaryWritten_) return;
  summaryWritten_ = true;
  JsonMembers m;
  m.str("event", "summary").str("status", status).integer("exit", exitCode);
  std::string object = "{" + m.text();
  if (!fields.empty()) object += ", " + fields;
  event(object + "}");
}

JsonMembers& JsonMembers::raw(const std::string& key, const std::string& json) {
  if (!text_.empty()) text_ += ", ";
  text_ += JsonString(key) + ": " + json;
  return *this;
}
JsonMembers& JsonMembers::str(const std::string& key, const std::string& value) {
  return raw(key, JsonString(value));
}
JsonMembers& JsonMembers::num(const std::string& key, double value) { return raw(key, JsonNumber(value)); }
JsonMembers& JsonMembers::integer(const std::string& key, long long value) {
  return raw(key, std::to_string(value));
}
JsonMembers& JsonMembers::strings(const std::string& key, const std::vector<std::string>& values) {
  std::string list = "[";
  for (std::size_t i = 0; i < values.size(); ++i) list += (i ? ", " : "") + JsonString(values[i]);
  return raw(key, list + "]");
}

}  // namespace tarvik::cli
