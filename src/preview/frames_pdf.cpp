#include "preview/frames_pdf.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "common/text_util.h"
#include "gdb/output_reader.h"
#include "preview/gui_application.h"
#include "preview/preview_scene.h"
#include "preview/scene_painter.h"

namespace tarvik {
namespace {

constexpr double kPdfDpi = 1200;

std::string Mm(double value) { return std::to_string(static_cast<long long>(std::ceil(value - 1e-9))); }

// The page for a frame: the paper turned so that the frame fits, or none.
std::optional<QSizeF> PageFor(const QSizeF& frame, const QSizeF& paper) {
  const QSizeF portrait(std::min(paper.width(), paper.height()), std::max(paper.width(), paper.height()));
  const QSizeF landscape = portrait.transposed();
  const auto fits = [&](const QSizeF& p) {
    return frame.width() <= p.width() + 1e-6 && frame.height() <= p.height() + 1e-6;
  };
  if (frame.width() > frame.height() && fits(landscape)) return landscape;
  if (fits(portrait)) return portrait;
  if (fits(landscape)) return landscape;
  return std::nullopt;
}

}  // namespace

std::optional<QSizeF> PaperSizeMm(const std::string& name) {
  const std::string n = ToUpperAscii(name);
  if (n.size() != 2 || n[0] != 'A' || n[1] < '0' || n[1] > '4') return std::nullopt;
  // ISO 216: A0 is 841 x 1189 mm, each next size halves the long side.
  double w = 841, h = 1189;
  for (char k = '0'; k < n[1]; ++k) {
    const double half = std::floor(h / 2);
    h = w;
    w = half;
  }
  return QSizeF(w, h);
}

int WriteFramesPdf(const std::string& outputPath, const std::string& pdfPath, const std::string& paper,
                   const PageProgress& progress) {
  std::optional<QSizeF> paperMm;
  if (!paper.empty()) {
    paperMm = PaperSizeMm(paper);
    if (!paperMm) throw RunError("纸张应为 A0、A1、A2、A3 或 A4: " + paper);
  }
  GuiApplicationScope gui;
  const OutputReader reader(outputPath);
  const auto& frames = reader.frames();
  if (frames.empty()) throw RunError("输出 " + outputPath + " 中没有图廓");

  const std::filesystem::path target(pdfPath);
  std::error_code ec;
  if (!target.parent_path().empty()) std::filesystem::create_directories(target.parent_path(), ec);
  const std::string partial = pdfPath + ".part";
  int pages = 0;
  try {
    QPdfWriter writer(QString::fromStdString(partial));
    writer.setCreator("Tarvik");
    writer.setTitle(QString::fromStdString(target.stem().string()));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(static_cast<int>(kPdfDpi));
    QPainter painter;
    for (const FrameInfo& frame : frames) {
      const PreviewScene scene = BuildPreviewScene(reader, frame);
      QSizeF page = scene.pageMm;
      if (paperMm) {
        const auto turned = PageFor(scene.pageMm, *paperMm);
        if (!turned)
          throw RunError("图廓 " + frame.frame + " 在1:" + Mm(scene.scaleDenominator) + "比例下连同边距为" +
                         Mm(scene.pageMm.width()) + "×" + Mm(scene.pageMm.height()) + "毫米，放不进" +
                         ToUpperAscii(paper) + "纸(" + Mm(paperMm->width()) + "×" + Mm(paperMm->height()) +
                         "毫米)；请选更大的纸张，或不加 --paper 让页面随图廓大小");
        page = *turned;
      }
      writer.setPageSize(QPageSize(page, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
      if (pages == 0) {
        if (!painter.begin(&writer)) throw RunError("不能写入 " + pdfPath);
      } else if (!writer.newPage()) {
        throw RunError("不能写入 " + pdfPath);
      }
      const double pxPerMm = kPdfDpi / 25.4;
      painter.save();
      painter.fillRect(QRectF(QPointF(0, 0), page * pxPerMm), Qt::white);
      // The frame in the middle of the paper.
      painter.translate((page.width() - scene.pageMm.width()) / 2 * pxPerMm,
                        (page.height() - scene.pageMm.height()) / 2 * pxPerMm);
      PaintScene(painter, scene, kPdfDpi, 0);
      painter.restore();
      ++pages;
      if (progress && !progress(pages, static_cast<int>(frames.size()))) throw RunError("已取消");
    }
    if (!painter.end()) throw RunError("不能写入 " + pdfPath);
  } catch (...) {
    std::filesystem::remove(partial, ec);
    throw;
  }
  std::filesystem::rename(partial, pdfPath, ec);
  if (ec) {
    std::filesystem::remove(partial, ec);
    throw RunError("不能写入 " + pdfPath);
  }
  return pages;
}

}  // namespace tarvik
