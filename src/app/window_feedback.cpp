#include "app/window_feedback.h"

namespace tarvik {

void WindowFeedback::message(const std::string& text) {
  if (dialogs_.message) dialogs_.message(QString::fromStdString(text));
}

bool WindowFeedback::confirm(const std::string& text, const std::string& caption) {
  return dialogs_.confirm &&
         dialogs_.confirm(QString::fromStdString(text), QString::fromStdString(caption));
}

void WindowFeedback::progressStart(int total, const std::string& caption, bool cancellable) {
  progress_.ProgressStart(total, QString::fromStdString(caption), cancellable);
}

bool WindowFeedback::progressStep(int count) { return progress_.ProgressStep(count); }

void WindowFeedback::progressClose(bool force) { progress_.ProgressClose(force); }

}  // namespace tarvik
