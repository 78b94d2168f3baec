// The two frame commands over an input file, `index` (standard sheet index,
// one frame per sheet) and `area` (any polygon file, one frame around each
// polygon): the input is inspected before the output is touched, the name
// template is checked against the fields that can name outputs, datum and
// zone default to the input's coordinate system, and the run shows progress
// and stops cleanly on Ctrl-C.
#pragma once

#include <string>
#include <vector>

namespace tarvik::cli {

class ProgressChannel;

enum class FileMode { Index, Area };

// Usage text of the command.
std::string FileRunUsage(FileMode mode);
// Runs the command with the arguments after its name; returns an ExitCode.
int RunFileCommand(FileMode mode, const std::vector<std::string>& argv, ProgressChannel& progress);

}  // namespace tarvik::cli
