#include "app/utProgress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
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
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), state_(state) {
  setObjectName("MyProgress");
  setWindowTitle(U("进度"));
  setModal(false);
  const int n = barCount < 1 ? 1 : barCount;
  setFixedSize(kClientWidth, n * 35 + 61);
  if (state_.anchor_ && state_.anchor_->isVisible()) {
    // Over the window the run was started from, where the person looks.
    const QRect over = state_.anchor_->frameGeometry();
    move(over.center() - QPoint(kClientWidth / 2, height() / 2));
  } else {
    int screenWidth = 1024;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) screenWidth = screen->geometry().width();
    move((screenWidth - kClientWidth) / 2, kTop);
  }
  lblCount = new QLabel(this);
  lblCount->setObjectName("lblCount");
  lblCount->setGeometry(9, 4, 304, 18);
  lblTime = new QLabel(this);
  lblTime->setObjectName("lblTime");
  lblTime->setGeometry(9, n * 30 + 27, 230, 20);

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
  // The run goes on meanwhile; its steps must not raise this window over
  // the question.
  state_.asking_ = true;
  const bool stop = state_.confirm_ && state_.confirm_(U("你确定终止吗"), U("终止"));
  state_.asking_ = false;
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

// Esc is the keyboard's 取消: it asks, as the button does, and never closes
// the window by itself.
void TMyProgress::reject() {
  if (btnCancel && btnCancel->isEnabled()) btnCancel->click();
}

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
  currentName_.clear();
  clock_.start();
}

bool ProgressState::ProgressStep(int count) {
  const bool aborted = abort_;
  // The loop of a held run stops when told so: the run was cancelled.
  if (aborted && holding_) runAborted_ = true;
  if (!progress_) return aborted;
  if (!progress_->isVisible()) progress_->show();  // a new window comes to the front
  if (abort_) {
    CloseOrHold(QString::fromUtf8("正在停止，保存已完成的图廓……"));
    return aborted;
  }
  const int i = CurrentLevel();
  position_[i] += count;
  ShowStatus();
  if (QApplication::activeWindow() && !asking_) progress_->raise();
  QApplication::processEvents();
  if (!progress_) return aborted;  // closed by a handler that ran just now
  if (total_[i] < 1) total_[i] = 1;
  bars_[i]->setValue(static_cast<int>(static_cast<long long>(position_[i]) * 100 / total_[i]));
  if (AllLevelsComplete()) {
    // Repainted at once: the run goes straight on to close its output.
    CloseOrHold(QString::fromUtf8("正在关闭输出……"));
    if (progress_) progress_->repaint();
  }
  return aborted;
}

void ProgressState::ProgressClose(bool force) {
  if (levelCount_ < 2 || abort_ || force) {
    CloseOrHold(abort_ ? QString::fromUtf8("正在停止，保存已完成的图廓……")
                       : QString::fromUtf8("正在关闭输出……"));
    levelCount_ = 1;
    return;
  }
  if (AllLevelsComplete()) CloseOrHold(QString::fromUtf8("正在关闭输出……"));
}

void ProgressState::CloseOrHold(const QString& text) {
  if (!holding_) {
    progress_.reset();
    return;
  }
  if (!progress_) return;
  progress_->timeLabel()->setText(text);
  if (QPushButton* cancel = progress_->cancelButton()) cancel->setEnabled(false);
}

void ProgressState::BeginRun() {
  holding_ = true;
  runAborted_ = false;
  abort_ = false;
}

void ProgressState::EndRun() {
  holding_ = false;
  progress_.reset();
  levelCount_ = 1;
}

void ProgressState::SetCurrentName(const QString& name) { currentName_ = name; }

void ProgressState::ShowBusy(const QString& caption, const QString& text, bool cancellable) {
  progress_.reset();
  progress_ = std::make_unique<TMyProgress>(*this, 1, cancellable);
  levelCount_ = 1;
  progress_->setWindowTitle(caption);
  progress_->timeLabel()->setText(text);
  bars_.front()->setRange(0, 0);  // moving: there is no count to show
  total_[0] = 0;
  position_[0] = 0;
  currentName_.clear();
  progress_->show();
  progress_->raise();
}

void ProgressState::ShowStatus() {
  if (!progress_ || position_.empty()) return;
  const int done = position_[0], total = total_[0];
  QString count = QString("%1 / %2").arg(done).arg(total);
  if (!currentName_.isEmpty()) count += "  " + currentName_;
  progress_->countLabel()->setText(count);
  // Time left at the pace so far, once there is a pace to speak of.
  if (done < 1 || done >= total) {
    progress_->timeLabel()->clear();
    return;
  }
  const qint64 left = clock_.elapsed() * (total - done) / done / 1000;
  const QString text =
      left < 1     ? QString::fromUtf8("剩余不到1秒")
      : left >= 60 ? QString::fromUtf8("剩余约 %1分%2秒").arg(left / 60).arg(left % 60, 2, 10, QChar('0'))
                   : QString::fromUtf8("剩余约 %1秒").arg(left);
  progress_->timeLabel()->setText(text);
}

bool ProgressState::AllLevelsComplete() const {
  for (std::size_t i = 0; i < position_.size(); ++i)
    if (position_[i] != total_[i]) return false;
  return true;
}

}  // namespace tarvik
