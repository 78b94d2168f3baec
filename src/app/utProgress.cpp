#include "app/utProgress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace tarvik {
namespace {

constexpr int kClientWidth = 326;
constexpr int kTop = 200;

QString U(const char* text) { return QString::fromUtf8(text); }

}  // namespace

// ---- TMyProgress ----

TMyProgress::TMyProgress(ProgressState& state, int barCount, bool cancellable)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      state_(state) {
  setObjectName("MyProgress");
  setWindowTitle(U("进度"));
  setModal(false);
  const int n = barCount < 1 ? 1 : barCount;
  setFixedSize(kClientWidth, n * 35 + 61);
  int screenWidth = 1024;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) screenWidth = screen->geometry().width();
  move((screenWidth - kClientWidth) / 2, kTop);

  state_.abort_ = false;
  state_.bars_.clear();
  state_.position_.assign(n, 0);
  state_.total_.assign(n, 1);
  for (int i = 0; i < n; ++i) {
    auto* bar = new QProgressBar(this);
    bar->setObjectName(QString("ProgressBar%1").arg(i + 1));
    bar->setGeometry(9, i * 30 + 25, 304, 20);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setFormat("%p%");
    bar->setAlignment(Qt::AlignCenter);
    bars_.push_back(bar);
    state_.bars_.push_back(bar);
  }
  if (cancellable) {
    btnCancel = new QPushButton(U("取消"), this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setGeometry(246, n * 30 + 24, 62, 26);
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
  }
}

TMyProgress::~TMyProgress() {
  state_.bars_.clear();
  state_.position_.clear();
  state_.total_.clear();
}

QProgressBar* TMyProgress::bar(int level) const {
  return level >= 0 && level < int(bars_.size()) ? bars_[level] : nullptr;
}

void TMyProgress::btnCancelClick() {
  SetStaysOnTop(false);
  const bool stop = state_.confirm_ && state_.confirm_(U("你确定终止吗"), U("终止"));
  if (stop)
    state_.abort_ = true;
  else
    SetStaysOnTop(true);
}

void TMyProgress::SetStaysOnTop(bool onTop) {
  if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == onTop) return;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);  // hides the window
  if (visible) show();
}

void TMyProgress::closeEvent(QCloseEvent* event) { event->ignore(); }

void TMyProgress::reject() {}

// ---- ProgressState ----

ProgressState::ProgressState(ConfirmFunction confirm) : confirm_(std::move(confirm)) {}

ProgressState::~ProgressState() { progress_.reset(); }

void ProgressState::ProgressStart(int total, const QString& caption, bool cancellable) {
  progress_.reset();
  progress_ = std::make_unique<TMyProgress>(*this, 1, cancellable);
  levelCount_ = 1;
  progress_->setWindowTitle(caption);
  const int i = CurrentLevel();
  total_[i] = total;
  position_[i] = 0;
}

bool ProgressState::ProgressStep(int count) {
  const bool aborted = abort_;
  if (!progress_) return aborted;
  if (!progress_->isVisible()) progress_->show();  // a new window comes to the front
  if (abort_) {
    ProgressClose(false);
    return aborted;
  }
  const int i = CurrentLevel();
  position_[i] += count;
  if (QApplication::activeWindow()) progress_->raise();
  QApplication::processEvents();
  if (!progress_) return aborted;  // closed by a handler that ran just now
  if (total_[i] < 1) total_[i] = 1;
  bars_[i]->setValue(static_cast<int>(static_cast<long long>(position_[i]) * 100 / total_[i]));
  if (AllLevelsComplete()) ProgressClose(true);
  return aborted;
}

void ProgressState::ProgressClose(bool force) {
  if (levelCount_ < 2 || abort_ || force) {
    progress_.reset();
    levelCount_ = 1;
    return;
  }
  if (AllLevelsComplete()) progress_.reset();
}

bool ProgressState::AllLevelsComplete() const {
  for (std::size_t i = 0; i < position_.size(); ++i)
    if (position_[i] != total_[i]) return false;
  return true;
}

}  // namespace tarvik
