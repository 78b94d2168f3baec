// Painting a laid-out frame with QPainter: raster images (PNG, the window)
// and PDF.
#pragma once

#include <string>

#include <QImage>
#include <QPainter>
#include <QSize>

#include "preview/preview_scene.h"

namespace tarvik {

// Largest raster the preview makes, in pixels (about 1 GB of memory).
inline constexpr long long kMaxPreviewPixels = 250'000'000;
inline constexpr int kMaxPreviewSide = 32'000;

// Pixel size of the page at `dpi`: each side round(mm x dpi / 25.4), at
// least 1.
QSize ScenePixelSize(const PreviewScene& scene, double dpi);

// Paints the scene (white page, fills, strokes, texts) on a painter whose
// device has `dpi` as its logical resolution and whose origin is the page's
// top-left corner. Strokes are at least `minPenPx` device pixels wide, so
// that hairlines stay visible on coarse rasters.
void PaintScene(QPainter& painter, const PreviewScene& scene, double dpi, double minPenPx);

// The page as an RGB image at `dpi`, antialiased. RunError when the image
// would exceed kMaxPreviewPixels or kMaxPreviewSide.
QImage RenderSceneImage(const PreviewScene& scene, int dpi);

// The page as a one-page PDF of the page's size in mm (vector lines, fonts
// embedded). RunError when the file cannot be written.
void WriteScenePdf(const PreviewScene& scene, const std::string& path);

}  // namespace tarvik
