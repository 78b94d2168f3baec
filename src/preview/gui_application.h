// The Qt application object the preview needs for fonts, for callers that
// have none (the command-line program, tests).
#pragma once

#include <memory>
#include <string>
#include <vector>

class QGuiApplication;

namespace tarvik {

// Creates a QGuiApplication for its lifetime unless an application object
// already exists (then it does nothing). The platform is "offscreen" (no
// display needed) unless QT_QPA_PLATFORM names another. RunError when a
// non-GUI QCoreApplication exists, since fonts cannot be used then.
class GuiApplicationScope {
 public:
  GuiApplicationScope();
  ~GuiApplicationScope();
  GuiApplicationScope(const GuiApplicationScope&) = delete;
  GuiApplicationScope& operator=(const GuiApplicationScope&) = delete;

 private:
  std::vector<std::string> args_;  // outlive the application, which keeps argv
  std::vector<char*> argv_;
  int argc_ = 0;
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace tarvik
