// --preview FILE for the frame-generating commands: after the output is
// closed, the run's first frame is drawn from the store to FILE (.png, .svg
// or .pdf), as `tarvik-cli preview` would.
#pragma once

#include <string>
#include <vector>

#include "cli/args.h"

namespace tarvik::cli {

// Option names for the Args parser: "--preview", "--preview-dpi".
std::vector<std::string> PreviewValueOptions();
// `valueOptions` with the preview's options added.
std::vector<std::string> WithPreviewOptions(std::vector<std::string> valueOptions);
// Help lines of the options.
const char* PreviewOptionsHelp();

// Checks the options before anything is written. UsageError for a file that
// is not .png, .svg or .pdf, or a resolution out of range.
void CheckPreviewOptions(const Args& args);

// When --preview was given: draws the frame `frameName` (empty: the first
// frame of the output) and prints where the picture is. RunError when it
// cannot be drawn or written.
void WritePreviewIfAsked(const Args& args, const std::string& outputPath, const std::string& frameName);

}  // namespace tarvik::cli
