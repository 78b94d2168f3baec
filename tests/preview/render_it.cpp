// Frames written by the engine, drawn by the preview and checked in the
// pictures: page size, frame lines where the frame's coordinates put them,
// the hatched table cell, text alignment, SVG texts and a valid PDF.
#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>
#include <cmath>
#include <string>
#ifdef TARVIK_TEST_HAVE_QTSVG
#include <QSvgRenderer>
#endif

#include "common/error.h"
#include "common/recording_feedback.h"
#include "frame/gdb_frame_store.h"
#include "preview/preview.h"
#include "preview_support.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

constexpr double kDpi = 100;
const std::string kSheet = "E45G095066";

struct Rendered {
  std::string store;
  ReadStore read;
  QImage image;
  PreviewResult result;
};

Rendered WriteAndRender(const TempDir& dir, bool geographic, const std::string& ext) {
  Rendered r;
  r.store = dir / ((geographic ? "geo" : "plane") + ext);
  EXPECT_TRUE(WriteSheet(r.store, kSheet, NoteOnlySettings(geographic)));
  r.read = ReadWithGdal(r.store);
  const std::string png = dir / ((geographic ? "geo" : "plane") + std::string(".png"));
  r.result = RenderFrame(r.store, "", png, static_cast<int>(kDpi));
  r.image = QImage(QString::fromStdString(png));
  return r;
}

const ReadFeature* FindText(const ReadLayer& layer, const std::string& start) {
  for (const auto& f : layer.features)
    if (f.text().rfind(start, 0) == 0) return &f;
  return nullptr;
}

class RenderIt : public ::testing::TestWithParam<bool> {  // geographic output?
 protected:
  TempDir dir_;
};

TEST_P(RenderIt, PageFrameLinesHatchAndLeftAlignedNote) {
  const bool geographic = GetParam();
  const Rendered r = WriteAndRender(dir_, geographic, geographic ? ".gpkg" : ".gdb");
  ASSERT_FALSE(r.image.isNull());
  const PageMap page(r.read, kSheet, geographic, kDpi);

  // Width: the frame's extent at 1:10 000 plus two 10 mm margins. Height:
  // the same plus the note that hangs below the frame (five lines of 10 pt).
  const double widthMm = page.mm(page.eMax - page.eMin) + 20;
  const double heightMm = page.mm(page.nMax - page.nMin) + 20;
  EXPECT_NEAR(r.image.width(), std::round(page.px(widthMm)), 1);
  EXPECT_EQ(r.image.size(), r.result.pixels);
  EXPECT_GT(r.image.height(), page.px(heightMm + 15));
  EXPECT_LT(r.image.height(), page.px(heightMm + 30));
  // (Right-aligned kilometre labels end on the outer frame line itself.)
  EXPECT_NEAR(r.result.pageMm.width(), widthMm, 0.01);

  // Every line is dark along its length: the 1 mm outer frame black at its
  // centre line, the 0.1 mm lines (inner frame, marks, grid, table) at
  // least half dark within a pixel.
  const ReadLayer& lines = r.read.layers.at("L_" + kSheet);
  int outer = 0;
  for (const auto& f : lines.features) {
    const int id = f.id();
    for (const auto& path : f.parts)
      for (std::size_t i = 0; i + 1 < path.size(); ++i)
        for (const double t : {0.2, 0.5, 0.8}) {
          const XY p{path[i].x + t * (path[i + 1].x - path[i].x),
                     path[i].y + t * (path[i + 1].y - path[i].y)};
          const QPointF at = page.pixel(p);
          if (id == 2) {
            EXPECT_LT(Darkest(r.image, at, 0), 60) << "outer frame at " << at.x() << "," << at.y();
          } else if (id == 1) {
            EXPECT_LT(Darkest(r.image, at, 1), 170) << "thin line at " << at.x() << "," << at.y();
          }
        }
    outer += id == 2;
  }
  EXPECT_EQ(outer, 4);

  // Between the inner and the outer frame, halfway down the left side, the
  // page is white; 1.5 mm outside the outer frame too.
  const auto leftSide = [&](int id) {
    XY best{1e300, 0};
    for (const auto& f : lines.features)
      if (f.id() == id)
        for (const auto& path : f.parts)
          if (path.size() == 2 && std::fabs(path[0].y - path[1].y) > std::fabs(path[0].x - path[1].x)) {
            const XY mid{(path[0].x + path[1].x) / 2, (path[0].y + path[1].y) / 2};
            if (mid.x < best.x &&
                (id == 2 || std::fabs(path[0].y - path[1].y) > (page.nMax - page.nMin) / page.yScale / 2))
              best = mid;
          }
    return page.pixel(best);
  };
  const QPointF outerLeft = leftSide(2), innerLeft = leftSide(1);
  ASSERT_GT(innerLeft.x() - outerLeft.x(), page.px(7));  // 8 mm apart
  EXPECT_GT(Darkest(r.image, (outerLeft + innerLeft) / 2, 3), 245);
  EXPECT_GT(Darkest(r.image, outerLeft - QPointF(page.px(1.5), 0), 1), 245);

  // The centre cell of the adjacent-sheet table is hatched: a mix of dark
  // lines and white between them.
  const auto& polys = r.read.layers.at("p_" + kSheet).features;
  const auto hatched =
      std::find_if(polys.begin(), polys.end(), [](const ReadFeature& f) { return f.id() == 1; });
  ASSERT_NE(hatched, polys.end());
  QRectF cell;
  for (const XY& p : hatched->parts.at(0)) cell |= QRectF(page.pixel(p), QSizeF(0.001, 0.001));
  const QRectF inside =
      cell.adjusted(cell.width() * 0.15, cell.height() * 0.15, -cell.width() * 0.15, -cell.height() * 0.15);
  const double area = inside.width() * inside.height();
  EXPECT_GT(CountDark(r.image, inside), area * 0.15);
  EXPECT_GT(CountLight(r.image, inside), area * 0.15);

  // The lower-left note is left/top aligned: its ink lies right of and below
  // its anchor, nothing on the left.
  const ReadFeature* note = FindText(r.read.layers.at("a_" + kSheet), "采用");
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->fields.at("HorizontalAlignment"), "0");
  EXPECT_EQ(note->fields.at("VerticalAlignment"), "0");
  const QPointF anchor = page.pixel(note->point);
  const QRectF rows(anchor.x(), anchor.y() + page.px(0.3), 0, page.px(3.5));
  EXPECT_GT(CountDark(r.image, rows.adjusted(page.px(0.2), 0, page.px(40), 0)), 50);
  EXPECT_EQ(CountDark(r.image, rows.adjusted(-page.px(20), 0, -page.px(0.3), 0)), 0);
  // (The 1 mm outer frame line's lower edge lies 2.5 mm above the anchor; a
  // geographic frame's outer side may slant by a hair, so 0.1 mm is left.)
  EXPECT_EQ(CountDark(r.image, QRectF(anchor.x(), anchor.y() - page.px(2.4), page.px(40), page.px(2.2))), 0)
      << "nothing between the outer frame and the note's top";
}

INSTANTIATE_TEST_SUITE_P(PlanarAndGeographic, RenderIt, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Geographic" : "Planar"; });

TEST(RenderIt, GeographicOutputLooksLikeThePlanarOne) {
  TempDir dir;
  const Rendered plane = WriteAndRender(dir, false, ".gdb");
  const Rendered geo = WriteAndRender(dir, true, ".gdb");
  // The inner frame's south side on paper: planar length of the Gauss-Krueger
  // side, geographic the sheet's 3'45" of longitude.
  const auto southSide = [](const Rendered& r, bool geographic) {
    const PageMap page(r.read, kSheet, geographic, kDpi);
    double best = 0;
    for (const auto& f : r.read.layers.at("L_" + kSheet).features)
      if (f.id() == 1)
        for (const auto& p : f.parts)
          if (p.size() == 2) best = std::max(best, QLineF(page.pixel(p[0]), page.pixel(p[1])).length());
    return best;
  };
  const double a = southSide(plane, false), b = southSide(geo, true);
  EXPECT_NEAR(b / a, 1.0, 0.005) << a << " " << b;
  EXPECT_NEAR(double(geo.image.width()) / plane.image.width(), 1.0, 0.01);
  EXPECT_NEAR(double(geo.image.height()) / plane.image.height(), 1.0, 0.01);
}

TEST(RenderIt, SvgKeepsTextsAndPdfIsOnePageOfTheFrameSize) {
  TempDir dir;
  const std::string store = dir / "full.gdb";
  TFrameSettings settings;
  settings.CreateMode = CreationMode::SheetNumber;
  ASSERT_TRUE(WriteSheet(store, kSheet, settings));

  const std::string svgPath = dir / "out/full.svg";  // folder made as needed
  const PreviewResult svgResult = RenderFrame(store, kSheet, svgPath, 150);
  EXPECT_TRUE(svgResult.pixels.isEmpty());
  const std::string svg = ReadFile(svgPath);
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  for (const char* text : {">88°<", ">03′45″<", ">16°<", ">E45 G 095066<", ">比例尺1:10000<"})
    EXPECT_NE(svg.find(text), std::string::npos) << text;
  EXPECT_NE(svg.find("letter-spacing=\"-"), std::string::npos) << "corner labels are tightened";
  EXPECT_NE(svg.find("'宋体', 'AR PL UMing CN'"), std::string::npos);
  EXPECT_NE(svg.find("text-anchor=\"end\""), std::string::npos);
  // Lines keep their widths in mm.
  EXPECT_NE(svg.find("stroke-width=\"1\""), std::string::npos);
  EXPECT_NE(svg.find("stroke-width=\"0.1\""), std::string::npos);
#ifdef TARVIK_TEST_HAVE_QTSVG
  QSvgRenderer renderer(QString::fromStdString(svgPath));
  ASSERT_TRUE(renderer.isValid());
  EXPECT_NEAR(renderer.viewBoxF().width(), svgResult.pageMm.width(), 1e-3);
  EXPECT_NEAR(renderer.viewBoxF().height(), svgResult.pageMm.height(), 1e-3);
#endif

  const std::string pdfPath = dir / "full.PDF";
  const PreviewResult pdfResult = RenderFrame(store, kSheet, pdfPath, 150);
  const std::string pdf = ReadFile(pdfPath);
  ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF", pdf.size() - 16), std::string::npos);
  const QRegularExpression box(R"(/MediaBox\s*\[\s*0\s+0\s+([0-9.]+)\s+([0-9.]+)\s*\])");
  const auto m = box.match(QString::fromStdString(pdf));
  ASSERT_TRUE(m.hasMatch());
  EXPECT_NEAR(m.captured(1).toDouble(), pdfResult.pageMm.width() * 72 / 25.4, 1.0);
  EXPECT_NEAR(m.captured(2).toDouble(), pdfResult.pageMm.height() * 72 / 25.4, 1.0);
  EXPECT_EQ(pdfResult.pageMm, svgResult.pageMm);

  // The image in memory is the PNG's.
  const QImage image = RenderFrameImage(store, "", 50);
  EXPECT_EQ(image.size(), RenderFrame(store, "", dir / "full.png", 50).pixels);
}

// Polygon kinds the standard sheets of these tests do not write: a black
// frame band (10) and a mask ring (100), drawn from a store written directly.
TEST(RenderIt, BandIsBlackMaskIsWhiteWithAGreyOutline) {
  TempDir dir;
  const std::string path = dir / "kinds.gpkg";
  const double e0 = 500000, n0 = 3000000;  // a 1 km square at 1:10 000: 100 mm
  const auto square = [&](double inset) {
    return std::vector<Point2>{{e0 + inset, n0 + inset},
                               {e0 + 1000 - inset, n0 + inset},
                               {e0 + 1000 - inset, n0 + 1000 - inset},
                               {e0 + inset, n0 + 1000 - inset},
                               {e0 + inset, n0 + inset}};
  };
  {
    RecordingFeedback feedback;
    auto store = OpenGdbFrameStore(path, feedback);
    SpatialReference ref = SpatialReference::FromEpsg(2374);
    ref.setDomain(e0 - 10000, e0 + 10000, n0 - 10000, n0 + 10000);
    FrameSink* sink = store->createFrame("kinds", ref, 10000);
    ASSERT_NE(sink, nullptr);
    sink->beginDrawing();
    EXPECT_TRUE(sink->polygon(kMaskRing, Geometry::Polygon({square(0), square(100)})));
    EXPECT_TRUE(sink->polygon(kOuterBand, Geometry::Polygon({square(200), square(250)})));
    EXPECT_TRUE(sink->line(kInnerLine, {e0 + 500, n0 + 100}, {e0 + 500, n0 + 900}));
    sink->endDrawing();
    store->close();
  }
  const std::string png = dir / "kinds.png";
  const PreviewResult r = RenderFrame(path, "kinds", png, 100);
  EXPECT_NEAR(r.pageMm.width(), 120, 1e-6);
  const QImage image(QString::fromStdString(png));
  const auto at = [&](double e, double n) {
    return QPointF((10 + (e - e0) * 0.1) * 100 / 25.4, (10 + (n0 + 1000 - n) * 0.1) * 100 / 25.4);
  };
  EXPECT_LT(Darkest(image, at(e0 + 225, n0 + 500), 0), 20) << "inside the band";
  EXPECT_GT(Darkest(image, at(e0 + 300, n0 + 300), 2), 250) << "inside the band's hole";
  EXPECT_GT(Darkest(image, at(e0 + 50, n0 + 500), 2), 250) << "inside the mask ring";
  for (const QPointF p : {at(e0, n0 + 500), at(e0 + 100, n0 + 500), at(e0 + 500, n0 + 1000)}) {
    const int grey = Darkest(image, p, 1);
    EXPECT_GT(grey, 60) << "the mask's outline is grey, not black";
    EXPECT_LT(grey, 220) << "the mask's outline shows";
  }
  EXPECT_LT(Darkest(image, at(e0 + 500, n0 + 500), 1), 170) << "the line above the fills";
}

TEST(RenderIt, RefusalsNameTheProblem) {
  TempDir dir;
  const std::string two = dir / "two.gpkg";
  ASSERT_TRUE(WriteSheet(two, "E45G095066", NoteOnlySettings(false)));
  ASSERT_TRUE(WriteSheet(two, "E45G095067", NoteOnlySettings(false)));
  EXPECT_EQ(ListFrames(two), (std::vector<std::string>{"E45G095066", "E45G095067"}));
  const struct {
    std::string store, frame, image;
    int dpi;
    std::vector<std::string> message;
  } cases[] = {
      {two, "", "a.png", 100, {"2个图廓", "E45G095066", "E45G095067"}},
      {two, "E45G000000", "a.png", 100, {"E45G000000", "E45G095066", "E45G095067"}},
      {two, "E45G095066", "a.bmp", 100, {".png"}},
      {two, "E45G095066", "a.png", 5, {"dpi"}},
      {two, "E45G095066", "a.png", 3000, {"dpi"}},
      {dir / "missing.gdb", "", "a.png", 100, {"missing.gdb"}},
  };
  for (const auto& c : cases) {
    try {
      RenderFrame(c.store, c.frame, dir / c.image, c.dpi);
      ADD_FAILURE() << "no error for " << c.frame << " " << c.image << " " << c.dpi;
    } catch (const RunError& e) {
      for (const auto& part : c.message)
        EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(RenderFrame(two, "E45G095067", dir / "b.png", 30).frame, "E45G095067");
}

}  // namespace
}  // namespace tarvik::test
