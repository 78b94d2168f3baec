#include "app/window_feedback.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace tarvik {
namespace {

// Runs `f` on the window's thread and waits for it: the engine may call from
// a worker thread (RunOffTheWindow), and dialogs and the progress window live
// on the window's thread.
template <typename F>
auto OnWindowThread(F&& f) -> decltype(f()) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) return f();
  if constexpr (std::is_void_v<decltype(f())>) {
    QMetaObject::invokeMethod(app, std::forward<F>(f), Qt::BlockingQueuedConnection);
  } else {
    decltype(f()) result{};
    QMetaObject::invokeMethod(
        app, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}

}  // namespace

void WindowFeedback::message(const std::string& text) {
  OnWindowThread([&] {
    if (sink_)
      sink_->push_back(QString::fromStdString(text));
    else if (dialogs_.message)
      dialogs_.message(QString::fromStdString(text));
  });
}

bool WindowFeedback::confirm(const std::string& text, const std::string& caption) {
  return OnWindowThread([&] {
    return dialogs_.confirm &&
           dialogs_.confirm(QString::fromStdString(text), QString::fromStdString(caption));
  });
}

void WindowFeedback::progressStart(int total, const std::string& caption, bool cancellable) {
  OnWindowThread([&] { progress_.ProgressStart(total, QString::fromStdString(caption), cancellable); });
}

// The step is taken on the window's thread, events processed there as the
// progress window always did: a 取消 confirmed during one step is reported by
// the next, so the run stops after one more sheet.
bool WindowFeedback::progressStep(int count) {
  return OnWindowThread([&] { return progress_.ProgressStep(count); });
}

void WindowFeedback::progressClose(bool force) {
  OnWindowThread([&] { progress_.ProgressClose(force); });
}

void WindowFeedback::onWindowThread(const std::function<void()>& f) {
  OnWindowThread([&] { f(); });
}

}  // namespace tarvik
