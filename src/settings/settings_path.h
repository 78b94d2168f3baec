// Where the settings file lives. Beside the program as its own name with
// ".set" (tarvik.set beside tarvik), as the Windows version keeps it, when
// the program's folder is writable. An installed program's folder usually is
// not; the file then goes to the user's configuration folder.
#pragma once

#include <filesystem>
#include <string>

namespace tarvik {

// Where settings are saved: the program's path with its extension replaced by
// ".set" when the program's folder is writable; otherwise
// $XDG_CONFIG_HOME/tarvik/<program>.set, with ~/.config when XDG_CONFIG_HOME
// is unset or not an absolute path.
std::filesystem::path SettingsFilePath(const std::filesystem::path& programPath);

// Where settings are loaded from: SettingsFilePath when that file exists;
// otherwise the file beside the program when it exists (a default installed
// with the program); otherwise SettingsFilePath.
std::filesystem::path SettingsLoadPath(const std::filesystem::path& programPath);

// The environment SettingsFilePath looks at, for tests.
struct SettingsPathEnvironment {
  bool programFolderWritable = true;
  std::string xdgConfigHome;  // "" when unset
  std::string home;           // "" when unset
};
std::filesystem::path SettingsFilePath(const std::filesystem::path& programPath,
                                       const SettingsPathEnvironment& environment);

}  // namespace tarvik
