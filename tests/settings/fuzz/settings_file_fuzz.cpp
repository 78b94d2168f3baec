// libFuzzer target for the settings-file reader: any bytes must read without
// a crash, a hang or an out-of-bounds access, apply to TFrameSettings, and a
// document read back from its own writing must come out unchanged.
// Built by hand, not by CMake: see build.sh beside this file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "settings/settings_apply.h"
#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const SettingsReadResult read = ReadSettingsDocument(bytes);
  if (read.damaged && read.problems.empty()) std::abort();
  TFrameSettings settings;
  ApplySettingsDocument(read.document, settings);

  // What was read writes out and reads back the same (names and values that
  // fit a record; the reader already holds them cut to size).
  // Forms without a name are not written.
  SettingsDocument named = read.document;
  std::erase_if(named.forms, [](const FormSettings& f) { return f.name.empty(); });
  const SettingsReadResult again = ReadSettingsDocument(WriteSettingsDocument(named));
  if (again.damaged) std::abort();
  if (!(again.document == named)) std::abort();

  // Settings rebuilt into a document load back to the same settings.
  TFrameSettings back;
  ApplySettingsDocument(ReadSettingsDocument(WriteSettingsDocument(BuildSettingsDocument(settings))).document,
                        back);
  // The scale is written back with 15 significant digits.
  back.ScaleFactor = settings.ScaleFactor;
  if (!(back == settings)) std::abort();
  return 0;
}
