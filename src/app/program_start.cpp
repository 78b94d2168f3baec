#include "app/program_start.h"

#include <clocale>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include "app/PasTarvik.h"
#include "gdb/runtime_check.h"
#include "settings_ui/font_convert.h"

namespace tarvik {

void PrepareApplication(QApplication& app) {
  app.setApplicationName("Tarvik");
  app.setApplicationVersion(TARVIK_VERSION);
  // The program's own icon when it carries one, else the desktop theme's.
  QIcon icon(":/tarvik/tarvik.svg");
  app.setWindowIcon(icon.availableSizes().isEmpty() && icon.pixmap(32).isNull() ? QIcon::fromTheme("tarvik")
                                                                                : icon);
  // Qt takes the desktop's locale; numbers written and read by the C library
  // keep "." as their decimal point.
  std::setlocale(LC_NUMERIC, "C");
  InstallWindowsFontSubstitutes();
  InstallQtTranslations(app);
}

bool InstallQtTranslations(QApplication& app) {
  // The program speaks Chinese whatever the desktop's language: Qt's own
  // buttons and dialogs (file dialogs, OK/Cancel, the font dialog) too.
  auto* translator = new QTranslator(&app);
  if (translator->load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(translator);
    return true;
  }
  delete translator;
  return false;
}

QString RuntimeProblemText(const QStringList& missing) {
  if (missing.isEmpty()) return {};
  return QString::fromUtf8("运行环境不完整，生成图廓可能失败：\n") + missing.join("\n") +
         QString::fromUtf8("\n请安装带有这些驱动的GDAL和完整的PROJ数据库。");
}

int RunProgram(QApplication& app) {
  PrepareApplication(app);
  QStringList missing;
  if (const std::string limit = RaiseOpenFileLimit(); !limit.empty())
    missing << QString::fromStdString(limit);
  for (const std::string& part : MissingRuntimeParts()) missing << QString::fromStdString(part);
  if (!missing.isEmpty())
    QMessageBox::warning(nullptr, app.applicationDisplayName(), RuntimeProblemText(missing));
  TFrmTarvik window;
  window.show();
  return app.exec();
}

}  // namespace tarvik
