#include "app/frame_viewer.h"

#include <QComboBox>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyleOptionGraphicsItem>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "common/error.h"
#include "gdb/output_reader.h"
#include "preview/preview_scene.h"
#include "preview/scene_painter.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// Item units: pixels of a page at this resolution; the view's transform
// zooms them.
constexpr double kItemDpi = 96;
constexpr double kItemPxPerMm = kItemDpi / 25.4;

// The page of one frame, painted as vectors at every zoom: hairlines stay a
// device pixel wide however far the view is zoomed out.
class PageItem : public QGraphicsItem {
 public:
  explicit PageItem(const PreviewScene& scene) : scene_(scene) {}
  QRectF boundingRect() const override { return QRectF(QPointF(0, 0), scene_.pageMm * kItemPxPerMm); }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
    const double zoom = painter->worldTransform().m11();
    PaintScene(*painter, scene_, kItemDpi, zoom > 0 ? 1.0 / zoom : 1.0);
  }

 private:
  const PreviewScene& scene_;
};

class ZoomView : public QGraphicsView {
 public:
  using QGraphicsView::QGraphicsView;

 protected:
  void wheelEvent(QWheelEvent* event) override {
    const double factor = event->angleDelta().y() > 0 ? 1.25 : 0.8;
    scale(factor, factor);
  }
};

}  // namespace

FrameViewer::FrameViewer(const std::string& output, const std::vector<std::string>& frames, int first,
                         QWidget* parent)
    : QDialog(parent), reader_(std::make_unique<OutputReader>(output)), frames_(frames) {
  setObjectName("FrameViewer");
  auto* layout = new QVBoxLayout(this);
  graphics_ = new QGraphicsScene(this);
  view_ = new ZoomView(graphics_, this);
  view_->setObjectName("FrameView");
  view_->setDragMode(QGraphicsView::ScrollHandDrag);
  view_->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
  view_->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  view_->setBackgroundBrush(Qt::gray);
  layout->addWidget(view_, 1);

  auto* bar = new QHBoxLayout;
  btnPrevious_ = new QPushButton(U("上一幅"), this);
  btnNext_ = new QPushButton(U("下一幅"), this);
  cbFrames_ = new QComboBox(this);
  cbFrames_->setObjectName("cbFrames");
  for (const std::string& f : frames_) cbFrames_->addItem(QString::fromStdString(f));
  auto* fit = new QPushButton(U("适合窗口"), this);
  auto* actual = new QPushButton(U("1:1"), this);
  actual->setToolTip(U("按图廓比例尺显示：图上1毫米即屏幕上1毫米"));
  lblScale_ = new QLabel(this);
  auto* close = new QPushButton(U("关闭"), this);
  bar->addWidget(btnPrevious_);
  bar->addWidget(cbFrames_, 1);
  bar->addWidget(btnNext_);
  bar->addSpacing(12);
  bar->addWidget(fit);
  bar->addWidget(actual);
  bar->addWidget(lblScale_);
  bar->addStretch(1);
  bar->addWidget(new QLabel(U("滚轮缩放，拖动平移"), this));
  bar->addWidget(close);
  layout->addLayout(bar);
  connect(btnPrevious_, &QPushButton::clicked, this, [this] { showFrame(current_ - 1); });
  connect(btnNext_, &QPushButton::clicked, this, [this] { showFrame(current_ + 1); });
  connect(cbFrames_, &QComboBox::activated, this, [this](int i) { showFrame(i); });
  connect(fit, &QPushButton::clicked, this, [this] { fitToWindow(); });
  connect(actual, &QPushButton::clicked, this, [this] { actualSize(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  new QShortcut(QKeySequence(Qt::Key_PageDown), this, [this] { showFrame(current_ + 1); });
  new QShortcut(QKeySequence(Qt::Key_PageUp), this, [this] { showFrame(current_ - 1); });
  QSize size(1000, 760);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) size = screen->availableSize() * 8 / 10;
  resize(size);
  showFrame(first);
}

FrameViewer::~FrameViewer() { graphics_->clear(); }

void FrameViewer::showFrame(int index) {
  if (index < 0 || index >= static_cast<int>(frames_.size())) return;
  const FrameInfo* info = nullptr;
  for (const FrameInfo& f : reader_->frames())
    if (f.frame == frames_[static_cast<std::size_t>(index)]) info = &f;
  if (!info) throw RunError("输出中没有图廓" + frames_[static_cast<std::size_t>(index)]);
  graphics_->clear();
  scene_ = std::make_unique<PreviewScene>(BuildPreviewScene(*reader_, *info));
  auto* page = new PageItem(*scene_);
  graphics_->addItem(page);
  graphics_->setSceneRect(page->boundingRect());
  current_ = index;
  cbFrames_->setCurrentIndex(index);
  btnPrevious_->setEnabled(index > 0);
  btnNext_->setEnabled(index + 1 < static_cast<int>(frames_.size()));
  setWindowTitle(U("预览 ") + QString::fromStdString(frames_[static_cast<std::size_t>(index)]));
  lblScale_->setText(U("比例尺1:") + QString::number(scene_->scaleDenominator, 'f', 0));
  fitToWindow();
}

void FrameViewer::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  fitToWindow();
}

void FrameViewer::fitToWindow() { view_->fitInView(graphics_->sceneRect(), Qt::KeepAspectRatio); }

void FrameViewer::actualSize() {
  // Item pixels are at kItemDpi; the screen shows a millimetre in dpi/25.4
  // of its own.
  const double screenDpi = view_->logicalDpiX() > 0 ? view_->logicalDpiX() : kItemDpi;
  view_->setTransform(QTransform::fromScale(screenDpi / kItemDpi, screenDpi / kItemDpi));
}

}  // namespace tarvik
