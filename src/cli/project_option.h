// After a frame-generating run: the QGIS project beside the output (and the
// .qml beside a .gdb), unless --no-project was given.
#pragma once

#include <string>

#include "cli/args.h"

namespace tarvik::cli {

// Writes the project and says where it is. A project that cannot be written
// is reported on stderr as a RunError would be, and the run fails (the
// output itself stays complete).
void WriteProjectUnlessAsked(const Args& args, const std::string& outputPath);

}  // namespace tarvik::cli
