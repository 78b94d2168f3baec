#include "support/test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace tarvik::test {

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("tarvik-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!std::getenv("TARVIK_KEEP_TEST_FILES")) std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

bool CliCanPreview() {
#ifdef TARVIK_TEST_CLI_HAS_PREVIEW
  return true;
#else
  return false;
#endif
}

bool BuiltWithSanitizer() {
#ifdef TARVIK_TEST_SANITIZED
  return true;
#else
  return false;
#endif
}

std::string CliPath() {
  const char* cli = std::getenv("TARVIK_CLI");
  return cli ? cli : TARVIK_CLI_PATH;
}

std::string SharedFile(const std::string& name) { return std::string(TARVIK_SHARE_DIR) + "/" + name; }

CliResult RunCli(const std::vector<std::string>& args, const std::string& input) {
  const std::string path = CliPath();
  const char* cli = path.c_str();
  TempDir io;
  const std::string inPath = io / "in", outPath = io / "out", errPath = io / "err";
  WriteFile(inPath, input);
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(cli));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!freopen(inPath.c_str(), "rb", stdin) || !freopen(outPath.c_str(), "wb", stdout) ||
        !freopen(errPath.c_str(), "wb", stderr))
      _exit(127);
    execv(cli, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  CliResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  return r;
}

CliProcess::CliProcess(const std::vector<std::string>& args) {
  const std::string path = CliPath();
  int fds[2];
  if (pipe(fds) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    dup2(fds[1], STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return;
  }
  pid_ = pid;
  fd_ = fds[0];
}

CliProcess::~CliProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    finish();
  }
  if (fd_ >= 0) close(fd_);
}

bool CliProcess::readMore() {
  if (fd_ < 0) return false;
  char buffer[4096];
  const ssize_t n = read(fd_, buffer, sizeof buffer);
  if (n <= 0) {
    close(fd_);
    fd_ = -1;
    return false;
  }
  err_.append(buffer, static_cast<std::size_t>(n));
  return true;
}

bool CliProcess::readUntil(const std::string& text) {
  while (err_.find(text) == std::string::npos)
    if (!readMore()) return false;
  return true;
}

void CliProcess::signal(int sig) const {
  if (pid_ > 0) kill(pid_, sig);
}

int CliProcess::finish() {
  while (readMore()) {}
  int status = 0;
  if (pid_ > 0) waitpid(pid_, &status, 0);
  pid_ = -1;
  return status;
}

}  // namespace tarvik::test
