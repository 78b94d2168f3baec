// Helpers of the preview's end-to-end tests: frames written by the real
// engine, their geometry read back with GDAL and placed on the page by the
// tests' own arithmetic, and pixel probes.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <string>
#include <vector>

#include "settings/frame_settings.h"
#include "support/gdal_readback.h"

namespace tarvik::test {

// Default settings with every marginal text off except the lower-left note
// (left/top aligned below the frame), so that the page's left, top and
// right edges come from the frame's geometry alone.
TFrameSettings NoteOnlySettings(bool geographic);

// Writes the frame of `number` into `path` (a new or an existing store).
// False when the run fails.
bool WriteSheet(const std::string& path, const std::string& number, const TFrameSettings& settings);

// Where ground positions fall on the preview, computed independently of the
// preview: planar metres as stored, geographic degrees equirectangular at
// the mean latitude on the Xi'an 1980 (IAG 1975) ellipsoid; 1:10 000, 10 mm
// margin, page origin at the westmost and northmost vertex.
struct PageMap {
  PageMap(const ReadStore& store, const std::string& frame, bool geographic, double dpi);
  QPointF ground(const XY& stored) const;  // metres east, north
  QPointF pixel(const XY& stored) const;   // image x, y (pixel units)
  double mm(double metres) const { return metres * 0.1; }
  double px(double mm) const { return mm * dpi / 25.4; }

  bool geographic;
  double dpi;
  double xScale = 1, yScale = 1;                  // metres per stored unit
  double eMin = 0, eMax = 0, nMin = 0, nMax = 0;  // ground extent of lines and polygons
};

// Smallest grey value (0 black .. 255 white) within `radius` pixels.
int Darkest(const QImage& image, QPointF at, int radius);
// Pixels in the rectangle with grey value below 128 / above 200.
int CountDark(const QImage& image, const QRectF& rect);
int CountLight(const QImage& image, const QRectF& rect);

}  // namespace tarvik::test
