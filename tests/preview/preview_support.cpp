#include "preview_support.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "common/recording_feedback.h"
#include "frame/gdb_frame_store.h"
#include "frame/utCreateTkByTfhao.h"

namespace tarvik::test {

TFrameSettings NoteOnlySettings(bool geographic) {
  TFrameSettings s;
  s.CreateMode = CreationMode::SheetNumber;
  s.GeodeticOutput = geographic;
  s.edtmian.clear();
  s.edtmian1.clear();
  s.edtscale.clear();
  // Five lines of 10 pt, as notes of data sources and dates run.
  s.molb =
      "采用2003年11月SPOT2.5米全色数据及10米多光谱影像融合数据。\r\n2009年7月制作。\r\n[坐标系]。\r\n"
      "1985国家高程基准。\r\nyyyy年mm月dd日";
  s.morb.clear();
  s.edtru.clear();
  s.edtmapTitle.clear();
  s.edtleft.clear();
  return s;
}

bool WriteSheet(const std::string& path, const std::string& number, const TFrameSettings& settings) {
  RecordingFeedback feedback;
  RunValues run;
  TCreateTkByTfhao builder(number, settings, run, OpenGdbFrameStore(path, feedback), feedback);
  builder.Run();
  builder.CloseOutput();
  return builder.counts().finished == 1;
}

PageMap::PageMap(const ReadStore& store, const std::string& frame, bool geo, double dpiValue)
    : geographic(geo), dpi(dpiValue) {
  std::vector<XY> points;
  for (const char* prefix : {"L_", "p_"})
    for (const auto& f : store.layers.at(prefix + frame).features)
      for (const auto& part : f.parts) points.insert(points.end(), part.begin(), part.end());
  if (geographic) {
    double latMin = 90, latMax = -90;
    for (const XY& p : points) latMin = std::min(latMin, p.y), latMax = std::max(latMax, p.y);
    const double a = 6378140, f = 1 / 298.257, e2 = f * (2 - f);
    const double phi = (latMin + latMax) / 2 * M_PI / 180, s = std::sin(phi);
    const double w = std::sqrt(1 - e2 * s * s);
    xScale = a / w * std::cos(phi) * M_PI / 180;
    yScale = a * (1 - e2) / (w * w * w) * M_PI / 180;
  }
  eMin = nMin = 1e300;
  eMax = nMax = -1e300;
  for (const XY& p : points) {
    const QPointF g = ground(p);
    eMin = std::min(eMin, g.x()), eMax = std::max(eMax, g.x());
    nMin = std::min(nMin, g.y()), nMax = std::max(nMax, g.y());
  }
}

QPointF PageMap::ground(const XY& p) const { return {p.x * xScale, p.y * yScale}; }

QPointF PageMap::pixel(const XY& p) const {
  const QPointF g = ground(p);
  return {px(10 + mm(g.x() - eMin)), px(10 + mm(nMax - g.y()))};
}

int Darkest(const QImage& image, QPointF at, int radius) {
  int best = 255;
  const int cx = static_cast<int>(std::floor(at.x())), cy = static_cast<int>(std::floor(at.y()));
  for (int y = cy - radius; y <= cy + radius; ++y)
    for (int x = cx - radius; x <= cx + radius; ++x)
      if (image.valid(x, y)) best = std::min(best, qGray(image.pixel(x, y)));
  return best;
}

namespace {

template <typename Pred>
int Count(const QImage& image, const QRectF& rect, Pred pred) {
  int n = 0;
  const QRect r = rect.toAlignedRect().intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += pred(qGray(image.pixel(x, y)));
  return n;
}

}  // namespace

int CountDark(const QImage& image, const QRectF& rect) {
  return Count(image, rect, [](int g) { return g < 128; });
}
int CountLight(const QImage& image, const QRectF& rect) {
  return Count(image, rect, [](int g) { return g > 200; });
}

}  // namespace tarvik::test
