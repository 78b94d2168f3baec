#include "preview/gui_application.h"

#include <QGuiApplication>
#include <clocale>
#include <cstdio>

#include "common/error.h"

namespace tarvik {
namespace {

// While the application starts: Qt's complaint about a missing
// XDG_RUNTIME_DIR (usual under cron, containers, ssh) is dropped, since the
// preview needs no runtime directory; everything else is printed as usual.
void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith("QStandardPaths:")) return;
  std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

}  // namespace

GuiApplicationScope::GuiApplicationScope() {
  if (QCoreApplication::instance()) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
      throw RunError("预览需要图形应用对象(QGuiApplication)");
    return;
  }
  args_ = {"tarvik"};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) args_.insert(args_.end(), {"-platform", "offscreen"});
  for (auto& a : args_) argv_.push_back(a.data());
  argv_.push_back(nullptr);
  argc_ = static_cast<int>(args_.size());
  // Qt sets the C locale from the environment; the rest of the program
  // formats numbers in the "C" locale and keeps it.
  const std::string locale = std::setlocale(LC_ALL, nullptr);
  const QtMessageHandler previous = qInstallMessageHandler(StartupMessages);
  app_ = std::make_unique<QGuiApplication>(argc_, argv_.data());
  qInstallMessageHandler(previous);
  std::setlocale(LC_ALL, locale.c_str());
}

GuiApplicationScope::~GuiApplicationScope() = default;

}  // namespace tarvik
