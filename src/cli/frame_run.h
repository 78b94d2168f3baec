// The road of the frame commands (sheet, index, area): the arguments become
// a run request, the core plans it and runs it, and the result is printed.
// Nothing here decides a meridian, a scale, a name or an output: the core
// does (run/).
#pragma once

#include <string>
#include <vector>

#include "cli/args.h"
#include "run/run_request.h"

namespace tarvik::cli {

class ProgressChannel;

// The options every frame command takes, for the Args parser.
std::vector<std::string> FrameValueOptions();
std::vector<std::string> FrameFlagOptions();
std::vector<std::string> FrameRepeatableOptions();
// Their help text.
const char* FrameOptionsHelp();

// The request of the options: the settings (--settings FILE first, then the
// options, then every --set in order), the coordinates and the scale the
// options state (--datum, --zone-width, --central-meridian, --zone-prefix,
// --geographic, --scale, or --set of their controls; a settings file whose
// meridian is not automatic states its meridian), the output (made absolute:
// a bare name is in the current folder) and what to do with an existing one.
// UsageError naming the option that is wrong.
RunRequest RequestFromArgs(const Args& args, CreationMode mode);

// Plans and runs the request, prints what was written, the project and the
// preview (--preview), and returns the exit status: 1 when the run was
// stopped, features were skipped, elements were refused or the project could
// not be written. RunError and UsageError travel on.
// With the progress channel on: a "frame" event per frame on disk, the
// messages and notes, and the summary (output, system, frames kept,
// skipped features, refused elements, project, time, errors).
int RunFrameRequest(const Args& args, const RunRequest& request, ProgressChannel& progress);

}  // namespace tarvik::cli
