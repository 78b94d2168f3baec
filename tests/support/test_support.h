// Helpers shared by the test suites: a temporary folder removed afterwards,
// and running the command-line program as a user would.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarvik::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs tarvik-cli (the one this build made, or the program named by the
// TARVIK_CLI environment variable) with the arguments, feeding `input` to its
// stdin.
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "");
// The path of the tarvik-cli RunCli runs.
std::string CliPath();
// Whether that tarvik-cli can draw previews: a build without Qt (the
// sanitizer builds among them) has no preview command, which the tests that
// let `preview` open a store after a run then cannot use.
bool CliCanPreview();
// Whether this build runs under a sanitizer, whose runtime makes bounds on a
// process's memory meaningless.
bool BuiltWithSanitizer();
// A settings file the build ships (e.g. "rect_sheets.set").
std::string SharedFile(const std::string& name);

// tarvik-cli running in the background with its stderr on a pipe (stdout
// goes to /dev/null), for tests that signal it in the middle of a run.
class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& args);
  ~CliProcess();  // a child still running is killed and reaped
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Reads stderr until it contains `text` (true) or ends (false).
  bool readUntil(const std::string& text);
  void signal(int sig) const;
  // Reads stderr to its end and waits for the program; returns the wait
  // status (WIFEXITED, WIFSIGNALED, ...).
  int finish();
  const std::string& err() const { return err_; }

 private:
  bool readMore();
  int pid_ = -1;
  int fd_ = -1;
  std::string err_;
};

// The whole content of a file.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

}  // namespace tarvik::test
