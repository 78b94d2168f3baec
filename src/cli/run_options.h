// Options shared by the commands that take frame settings (sheet, index,
// area, make-index --rect): --settings FILE and --set NAME=VALUE through the
// control table, the coordinate options, and the summary of a run.
#pragma once

#include <string>

#include "cli/args.h"
#include "settings/frame_settings.h"

namespace tarvik::cli {

// Fills the settings from --settings FILE (first), then the main options
// (--scale, --datum, --zone-width, --central-meridian, --layout,
// --zone-prefix, --geographic, those of them the command takes), then every
// --set in order. Throws UsageError naming the option that is wrong.
TFrameSettings SettingsFromArgs(const Args& args);

// Whether a --set names the control (letter case ignored).
bool SetsControl(const Args& args, std::string_view control);

// Loads --settings FILE into `settings`: UsageError when it does not exist,
// RunError when it cannot be read at all (a folder, no permission, too
// large); what a damaged file lacks is told on stderr and the rest applies.
void LoadSettingsOption(const std::string& file, TFrameSettings& settings);

// The summary line of what was written ("N 个要素保存失败" added when the
// store refused any) and "完成，用时N毫秒".
void PrintSummary(int frames, int lines, int polygons, int texts, int refused, long long milliseconds);

// A run whose store refused elements ("保存失败") drew on, but its output
// lacks them: says so on stderr and gives the exit status (1).
int RefusedElementsExit(int refused);

}  // namespace tarvik::cli
