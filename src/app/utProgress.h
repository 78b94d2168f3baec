// The progress window of long runs: a small modeless window with one bar per
// level and, when the run may be stopped, a Cancel button ("取消") that asks
// "你确定终止吗" before it sets the abort flag.
//
// ProgressState is the one progress display of the program (the main window
// owns it): the window while it exists, the abort flag and per level the bar,
// position and total. The frame builders drive it through UserFeedback
// (WindowFeedback): ProgressStart, ProgressStep after each feature,
// ProgressClose at the end, also after an error.
//
// ProgressStep processes the pending events of the application, so the
// interface stays responsive during a run and the Cancel button works. It
// returns the abort flag as it stood when the call began: an abort confirmed
// during one step is reported by the next, so the caller draws one more
// feature before it stops. The window closes itself when every level has
// reached its total.
//
// Layout for n bars (always 1 here): client 326 x (n x 35 + 61); above the
// bars the count done and the name of the last frame ("12 / 768  E45G095066"),
// bar i at (9, i x 30 + 25), 304 wide, showing a whole-number percentage;
// below them the time left; Cancel at (246, n x 30 + 24), 62 x 26. The window
// sits centred over the main window (its anchor), or at top 200 centred
// horizontally on the screen; no close box: the person closes it only
// through Cancel.
//
// During a run of the main window (BeginRun .. EndRun) the window stays
// until the run ends, also when the last step is done or an abort stops the
// loop: the output is still being closed then, and the person sees so.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tarvik {

class ProgressState;

class TMyProgress : public QDialog {
  Q_OBJECT

 public:
  // Builds the window (hidden) with `barCount` bars and, when `cancellable`,
  // the Cancel button; clears the state's abort flag and registers the bars.
  TMyProgress(ProgressState& state, int barCount, bool cancellable);
  ~TMyProgress() override;

  QProgressBar* bar(int level) const;
  QPushButton* cancelButton() const { return btnCancel; }
  // "12 / 768  E45G095066" and "剩余约 35秒" (or what the run is doing).
  QLabel* countLabel() const { return lblCount; }
  QLabel* timeLabel() const { return lblTime; }

  // Cancel: asks; OK sets the abort flag, Cancel keeps the window on top.
  void btnCancelClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape does not close the window either

 private:
  void SetStaysOnTop(bool onTop);

  ProgressState& state_;
  std::vector<QProgressBar*> bars_;
  QPushButton* btnCancel = nullptr;
  QLabel* lblCount = nullptr;
  QLabel* lblTime = nullptr;
  bool closing_ = false;
};

class ProgressState {
 public:
  using ConfirmFunction = std::function<bool(const QString& text, const QString& caption)>;

  // `confirm` asks the Cancel question (OK/Cancel, Cancel the default).
  explicit ProgressState(ConfirmFunction confirm);
  ~ProgressState();
  ProgressState(const ProgressState&) = delete;
  ProgressState& operator=(const ProgressState&) = delete;

  // A new window with one bar (and Cancel when `cancellable`), its caption,
  // the total and position 0. A window still open is replaced.
  void ProgressStart(int total, const QString& caption, bool cancellable);
  // Advances the current level by `count`; see the file comment.
  bool ProgressStep(int count);
  // Closes and frees the window (when one exists).
  void ProgressClose(bool force);

  void setConfirmFunction(ConfirmFunction confirm) { confirm_ = std::move(confirm); }

  // The window the progress window is centred over (none: the screen).
  void setAnchor(QWidget* anchor) { anchor_ = anchor; }
  // A run of the main window: the abort flag is cleared, and the window,
  // once started, stays open until EndRun (finished or stopped, it says the
  // output is being closed). EndRun closes it.
  void BeginRun();
  void EndRun();
  // Whether a step of the run being held (or of the last one) told its loop
  // to stop: the run was cancelled.
  bool runAborted() const { return runAborted_; }
  // The name of the frame just finished, shown with the count.
  void SetCurrentName(const QString& name);
  // A long step that has no count (removing an output, checking an input):
  // the window with a moving bar and `text`; 取消 only when `cancellable`
  // (then aborted() tells whether it was confirmed). The next
  // ProgressStart replaces it.
  void ShowBusy(const QString& caption, const QString& text, bool cancellable);

  // For the window and for tests.
  TMyProgress* window() const { return progress_.get(); }
  bool aborted() const { return abort_; }
  int position(int level = 0) const { return level < int(position_.size()) ? position_[level] : 0; }
  int total(int level = 0) const { return level < int(total_.size()) ? total_[level] : 0; }

 private:
  friend class TMyProgress;

  int CurrentLevel() const { return levelCount_ < 1 ? 0 : levelCount_ - 1; }
  bool AllLevelsComplete() const;
  // The count, the name and the time left, after a step.
  void ShowStatus();
  // Closes the window unless a run holds it; then it only says `text`.
  void CloseOrHold(const QString& text);

  ConfirmFunction confirm_;
  std::unique_ptr<TMyProgress> progress_;
  std::atomic<bool> abort_{false};  // read by a run's worker thread too
  // Per level: the bar, its position and its total.
  std::vector<QProgressBar*> bars_;
  std::vector<int> position_;
  std::vector<int> total_;
  int levelCount_ = 0;
  QWidget* anchor_ = nullptr;
  bool holding_ = false;
  bool asking_ = false;  // 取消 is asking whether to stop
  bool runAborted_ = false;
  QString currentName_;
  QElapsedTimer clock_;  // since ProgressStart
};

}  // namespace tarvik
