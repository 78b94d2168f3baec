// Options shared by the frame-generating commands (sheet, index, area): the
// map scale, datum and zone settings, output coordinates, --set NAME=VALUE
// through the control table, and the output store.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/args.h"
#include "frame/input_coordinates.h"
#include "gdb/output_lock.h"
#include "settings/frame_settings.h"

namespace tarvik::cli {

// Option names of the shared options, for the Args parser.
std::vector<std::string> RunValueOptions();
std::vector<std::string> RunFlagOptions();
std::vector<std::string> RunRepeatableOptions();
// Help text of the shared options.
const char* RunOptionsHelp();

// Fills the settings from --settings FILE (first), then `defaults` (datum,
// zone and meridian as the input's coordinate system gives them, or as the
// codec suggests for a sheet number), then the main options, then every
// --set in order. Throws UsageError naming the option that is wrong.
TFrameSettings SettingsFromArgs(const Args& args, const InputCoordinates& defaults);

// Loads --settings FILE into `settings`: UsageError when it does not exist,
// RunError when it cannot be read at all (a folder, no permission, too
// large); what a damaged file lacks is told on stderr and the rest applies.
void LoadSettingsOption(const std::string& file, TFrameSettings& settings);

// Whether the options state the coordinates of an input whose system was not
// recognised (--datum and --central-meridian, or --settings / --set of both).
bool CoordinatesStated(const Args& args);
// Whether the options name the central meridian (--central-meridian or
// --set centerL=).
bool MeridianStated(const Args& args);

// The output of a run and the lock held on it for the whole run.
struct PreparedOutput {
  std::string path;
  OutputLock lock;
};

// The output path of -o, checked before anything is written: it must be
// given and end in .gdb or .gpkg; the output is locked against other runs
// ("…正在被另一个程序写入"); an existing output is refused unless
// --overwrite, which removes it (only a real File Geodatabase or GeoPackage
// is ever removed, and only once the lock is held). Throws UsageError or
// RunError.
PreparedOutput PrepareOutput(const Args& args);

// The summary line of what was written ("N 个要素保存失败" added when the
// store refused any) and "完成，用时N毫秒".
void PrintSummary(int frames, int lines, int polygons, int texts, int refused, long long milliseconds);

// A run whose store refused elements ("保存失败") drew on, but its output
// lacks them: says so on stderr and gives the exit status (1).
int RefusedElementsExit(int refused);

}  // namespace tarvik::cli
