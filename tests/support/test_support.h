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
// A settings file the build ships (e.g. "rect_sheets.set").
std::string SharedFile(const std::string& name);

// The whole content of a file.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

}  // namespace tarvik::test
