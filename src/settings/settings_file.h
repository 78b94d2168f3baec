// The settings file: a sequence of string and font records (utVeskStream.h)
// laid out as
//
//   for every form:
//     "****************************"          (28 asterisks)
//     the form's name
//     one control record per control          ("Name,Property,Value")
//     "------------------"                    (18 hyphens)
//     per font button: its name, a font record
//     "------------------"
//   "|||||||||||||||||||||"                   (21 vertical bars, the end)
//
// The reader never throws, never reads past the data and always ends: what it
// read before any damage stays in the document, and its problems say what was
// left out (the first kMaxSettingsProblems of them, then how many more).
//
// A settings file of the window is a few kilobytes (some 150 records of at
// most a few hundred bytes each); kMaxSettingsFileSize leaves room for long
// notes and titles many times over, while anything larger (a disk image, a
// device such as /dev/zero, a file chosen by mistake) is not read at all
// rather than taking minutes and gigabytes to decode.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_document.h"

namespace tarvik {

inline constexpr std::size_t kMaxSettingsFileSize = 1u << 20;
inline constexpr std::size_t kMaxSettingsProblems = 50;

struct SettingsReadResult {
  SettingsDocument document;
  // The data ended before the end mark or held a record that cannot be
  // placed; the document holds what came before.
  bool damaged = false;
  // One line per thing left out (damage, strings that do not decode,
  // records without two commas), for the user.
  std::vector<std::string> problems;
  // Nothing could be read: a folder, a file without read permission, or
  // one larger than kMaxSettingsFileSize. The problem says which.
  bool unreadable = false;
};

SettingsReadResult ReadSettingsDocument(std::string_view bytes);

// The file bytes of `document`. Strings longer than a record holds are cut;
// each cut adds a line to `warnings` when given.
std::string WriteSettingsDocument(const SettingsDocument& document,
                                  std::vector<std::string>* warnings = nullptr);

// Reads the file at `path`: no value when it does not exist. A file that
// exists but cannot be read, or is too large, gives an empty document,
// `unreadable` and the problem.
std::optional<SettingsReadResult> LoadSettingsFile(const std::filesystem::path& path);

// Writes `document` to `path`: into a new file in the same folder (created
// when missing), flushed to disk, then renamed over the old file, so the old
// file stays whole whatever goes wrong. Throws RunError naming the file and
// the reason; returns the warnings of WriteSettingsDocument.
std::vector<std::string> SaveSettingsFile(const std::filesystem::path& path,
                                          const SettingsDocument& document);

}  // namespace tarvik
