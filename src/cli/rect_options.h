// Command-line reading of large-scale rectangular sheets: the --rect layout
// option and "x-y" numbers at a scale, shared by sheet, sheet-info and
// make-index.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/args.h"
#include "sheets/rect_sheets.h"

namespace tarvik::cli {

// Help line of --rect.
const char* RectOptionHelp();

// The layout of --rect; none when not given. UsageError for any other text.
std::optional<RectLayout> RectLayoutOption(const Args& args);

// The sheet of an "x-y" number at the scale denominator, on the --rect
// layout or the first layout whose grid holds it. RunError with the reason
// when the scale has no rectangular sheets or the number is off the grid.
RectSheet RectSheetOfNumber(const std::string& number, long denominator, const Args& args);

// Whether the options state the Gauss-Krueger system of rectangular sheets'
// coordinates, which their numbers do not tell: the datum (--datum or --set
// gb8054=) and the central meridian (--central-meridian or --set centerL=).
// A settings file does not count: the shipped ones leave the system open.
bool RectSystemStated(const Args& args);

// Whether make-index is asked for rectangular sheets (--rect among the arguments).
bool AsksForRectIndex(const std::vector<std::string>& argv);
// make-index --rect ...: writes the index (UsageError, RunError as the
// other commands), and the part of make-index's help about it.
int MakeRectIndex(const std::vector<std::string>& argv);
const char* RectIndexUsage();

// make-index's output, -o or --output: a .shp, refused when it exists and
// --overwrite is not given (UsageError, RunError).
std::string IndexOutputOption(const Args& args);

}  // namespace tarvik::cli
