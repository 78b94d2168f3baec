// The window's side of UserFeedback: the engine's messages as message boxes,
// its questions as the OK/Cancel box, its progress in the progress window.
// The builders drive it exactly as they drive the command line's bar. It may
// be called from a worker thread: every call then runs on the window's
// thread, and the caller waits for it.
#pragma once

#include "app/utProgress.h"
#include "app/window_dialogs.h"
#include "common/user_feedback.h"

#include <functional>

#include <QStringList>

namespace tarvik {

class WindowFeedback : public UserFeedback {
 public:
  // Both must outlive the feedback.
  WindowFeedback(const WindowDialogs& dialogs, ProgressState& progress)
      : dialogs_(dialogs), progress_(progress) {}

  void message(const std::string& text) override;
  bool confirm(const std::string& text, const std::string& caption) override;
  void progressStart(int total, const std::string& caption, bool cancellable) override;
  bool progressStep(int count) override;
  void progressClose(bool force) override;
  // Runs `f` on the window's thread (at once when called there).
  void onWindowThread(const std::function<void()>& f);
  // While set, messages are kept in `sink` instead of shown one box each
  // (a run lists them in its end box); none: shown.
  void collectMessages(QStringList* sink) { sink_ = sink; }

 private:
  const WindowDialogs& dialogs_;
  ProgressState& progress_;
  QStringList* sink_ = nullptr;
};

}  // namespace tarvik
