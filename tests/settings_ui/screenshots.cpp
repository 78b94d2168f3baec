// Writes one PNG per page of the settings dialog into the folder given, for
// looking at the layout: settings_ui_screenshots DIR [grid-type]
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>

#include "settings_ui/font_convert.h"
#include "settings_ui/pascoverset.h"
#include "settings_ui/radio_group.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR [grid-type]\n", argv[0]);
    return 2;
  }
  tarvik::InstallWindowsFontSubstitutes();
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  tarvik::TFrmset dialog;
  dialog.setSaveAllSettings([] {});
  if (argc > 2) dialog.findChild<tarvik::TRadioGroup*>("rgGrid")->setItemIndex(QString(argv[2]).toInt());
  dialog.show();
  app.processEvents();
  for (int i = 0; i < dialog.pageControl()->count(); ++i) {
    dialog.pageControl()->setCurrentIndex(i);
    app.processEvents();
    const QString file = dir.filePath(QString("page%1.png").arg(i));
    if (!dialog.grab().save(file)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  std::printf("%dx%d\n", dialog.width(), dialog.height());
  return 0;
}
