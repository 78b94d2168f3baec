#include "app/program_start.h"

#include <clocale>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "app/PasTarvik.h"
#include "gdb/runtime_check.h"
#include "settings/qt/font_convert.h"

namespace tarvik {

void PrepareApplication(QApplication& app) {
  app.setApplicationName("Tarvik");
  app.setApplicationVersion(TARVIK_VERSION);
  // Qt takes the desktop's locale; numbers written and read by the C library
  // keep "." as their decimal point.
  std::setlocale(LC_NUMERIC, "C");
  InstallWindowsFontSubstitutes();
  // Qt's own texts (file dialogs, OK/Cancel) in the desktop's language when
  // its translations are installed.
  auto* translator = new QTranslator(&app);
  if (translator->load(QLocale::system(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(translator);
  else
    delete translator;
}

QString RuntimeProblemText(const QStringList& missing) {
  if (missing.isEmpty()) return {};
  return QString::fromUtf8("运行环境不完整，生成图廓可能失败：\n") + missing.join("\n") +
         QString::fromUtf8("\n请安装带有这些驱动的GDAL和完整的PROJ数据库。");
}

int RunProgram(QApplication& app) {
  PrepareApplication(app);
  QStringList missing;
  if (const std::string limit = RaiseOpenFileLimit(); !limit.empty()) missing << QString::fromStdString(limit);
  for (const std::string& part : MissingRuntimeParts()) missing << QString::fromStdString(part);
  if (!missing.isEmpty())
    QMessageBox::warning(nullptr, app.applicationDisplayName(), RuntimeProblemText(missing));
  TFrmTarvik window;
  window.show();
  return app.exec();
}

}  // namespace tarvik
