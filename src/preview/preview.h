// The preview of a written frame: read back from the output store on disk
// (never from the builder's memory), so it shows what a GIS will show, and
// drawn to PNG, SVG or PDF at the frame's reference scale.
//
// What is drawn: the frame's lines ("L_" class) by kind — 2 outer frame
// 1.0 mm, 1 thin lines 0.1 mm, 0 crosshairs and 3 scale bar 0.15 mm —,
// its polygons ("p_") — 1 hatched, 10 black, 100 mask ring white with a grey
// outline —, and its texts ("a_") with face, size, colour, weight, slant,
// alignment, character spacing, angle and line breaks, on a white page with
// a margin. Geographic frames are drawn equirectangular at the sheet's mean
// latitude (see GroundProjection), so they look like planar ones.
//
// The entry points here create a QGuiApplication for their duration when
// the process has none (GuiApplicationScope).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QSize>
#include <QSizeF>

#include "gdb/output_reader.h"
#include "preview/preview_scene.h"

namespace tarvik {

inline constexpr int kDefaultPreviewDpi = 150;
inline constexpr int kMinPreviewDpi = 10;
inline constexpr int kMaxPreviewDpi = 2400;

enum class PreviewFormat { Png, Svg, Pdf };

// By the extension of `path`, any case: .png, .svg, .pdf; none otherwise.
std::optional<PreviewFormat> PreviewFormatOf(const std::string& path);

// The frames of an output store, in the order they were written. RunError
// when the store does not open.
std::vector<std::string> ListFrames(const std::string& outputPath);

// The frame called `name`, or with an empty name the store's only frame.
// RunError naming the frames the store holds when there is no such frame,
// when the store holds none, or when it holds several and no name is given.
const FrameInfo& SelectFrame(const OutputReader& reader, const std::string& name,
                             const std::string& outputPath);

struct PreviewResult {
  std::string frame;  // the frame drawn
  QSizeF pageMm;      // page size on paper
  QSize pixels;       // raster size (PNG); empty for SVG and PDF
};

// Draws the frame into `imagePath`, whose extension chooses the format. The
// resolution applies to PNG (dots per inch on paper); SVG and PDF are
// vector. The image's folder is created as needed. A PNG records where its
// page lies in the text chunks "Tarvik-Origin" (ground metres east and north
// of the top-left corner) and "Tarvik-Scale", so that other renderings can be
// laid over it. RunError for an unknown
// extension, a dpi outside kMinPreviewDpi..kMaxPreviewDpi, a missing frame,
// or a file that cannot be written.
PreviewResult RenderFrame(const std::string& outputPath, const std::string& frameName,
                          const std::string& imagePath, int dpi = kDefaultPreviewDpi,
                          const PreviewOptions& options = {});

// The frame as an image in memory (for the window).
QImage RenderFrameImage(const std::string& outputPath, const std::string& frameName,
                        int dpi = kDefaultPreviewDpi, const PreviewOptions& options = {});

}  // namespace tarvik
