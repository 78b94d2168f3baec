// The rules that decide what a request leaves open, one each:
//
// - Central meridian. Stated: that one. Else a planar input whose system is
//   recognised: its own. Else a sheet number: the meridian of the zone (of
//   the run's width) holding the sheet's west edge, so a sheet straddling a
//   zone edge is drawn in the zone it starts in. Else a geographic input:
//   the zone holding the centre of the selected features. A rectangular
//   number or an input in an unknown system tells no longitude: the meridian
//   must be stated.
// - Datum, zone width, zone prefix, planar or geographic output. Stated:
//   that. Else what the input's recognised system says. Else the fallback
//   (the settings: defaults, or a settings file).
// - Scale. A national sheet number: its scale letter's, always; a typed
//   scale that differs is not used and the plan says so. A sheet index: the
//   scale its sheet numbers name when they read as numbers of one scale
//   (again over a typed one); else a typed scale, or, when none was typed,
//   the scale the sheets' size is of; else the fallback. A polygon file or a
//   rectangular number: typed, else the fallback.
#pragma once

#include <optional>
#include <string>

#include "coords/datum.h"
#include "frame/input_coordinates.h"
#include "run/run_request.h"
#include "settings/frame_settings.h"

namespace tarvik {

// The meridian of a sheet whose west edge is at `westLon` (degrees).
long double SheetMeridian(long double westLon, bool is3Degree);
// The meridian of data spanning `lonMin`..`lonMax` (degrees).
long double AreaMeridian(long double lonMin, long double lonMax, bool is3Degree);

// Datum, zone width, zone prefix and output kind into `s`: stated, else the
// input's (when given and recognised), else as `s` holds them. The meridian
// too when stated or when the input is a recognised planar system; returns
// whether it was decided here.
bool ApplyCoordinateChoice(const CoordinateChoice& choice, const InputCoordinates* input, TFrameSettings& s);

// The typed scale read into `s` (RunError when it does not read).
void ApplyScaleText(const std::optional<std::string>& scale, TFrameSettings& s);

// "比例尺1:1万" style name of the settings' scale.
std::string ScaleOf(const TFrameSettings& s);

}  // namespace tarvik
