// The laid-out frame as an SVG document in millimetres (viewBox units are
// mm). Texts stay texts: each line a <text> with its font families (the
// stored face first), size, weight, style, colour, letter spacing and
// text-anchor, so that a reader with other fonts still aligns them at their
// anchors.
#pragma once

#include <string>

#include "preview/preview_scene.h"

namespace tarvik {

std::string SceneToSvg(const PreviewScene& scene);

// Writes SceneToSvg to `path`. RunError when the file cannot be written.
void WriteSceneSvg(const PreviewScene& scene, const std::string& path);

}  // namespace tarvik
