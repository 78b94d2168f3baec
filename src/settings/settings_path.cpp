#include "settings/settings_path.h"

#include <unistd.h>

#include <cstdlib>

namespace tarvik {
namespace {

std::filesystem::path BesideProgram(const std::filesystem::path& programPath) {
  std::filesystem::path file = programPath;
  file.replace_extension(".set");
  return file;
}

std::filesystem::path ProgramFolder(const std::filesystem::path& programPath) {
  const auto folder = programPath.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::filesystem::path SettingsFilePath(const std::filesystem::path& programPath,
                                       const SettingsPathEnvironment& environment) {
  const std::filesystem::path beside = BesideProgram(programPath);
  if (environment.programFolderWritable) return beside;
  std::filesystem::path config;
  if (std::filesystem::path(environment.xdgConfigHome).is_absolute())
    config = environment.xdgConfigHome;
  else if (!environment.home.empty())
    config = std::filesystem::path(environment.home) / ".config";
  else
    return beside;  // nowhere better: saving reports why it fails
  return config / "tarvik" / beside.filename();
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& programPath) {
  SettingsPathEnvironment environment;
  environment.programFolderWritable = ::access(ProgramFolder(programPath).c_str(), W_OK) == 0;
  environment.xdgConfigHome = Environment("XDG_CONFIG_HOME");
  environment.home = Environment("HOME");
  return SettingsFilePath(programPath, environment);
}

std::filesystem::path SettingsLoadPath(const std::filesystem::path& programPath) {
  std::error_code ec;
  const std::filesystem::path saved = SettingsFilePath(programPath);
  if (std::filesystem::exists(saved, ec)) return saved;
  const std::filesystem::path beside = BesideProgram(programPath);
  if (std::filesystem::exists(beside, ec)) return beside;
  return saved;
}

}  // namespace tarvik
