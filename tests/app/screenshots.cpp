// Not a test: pictures of the window program for looking at its layout, run
// under xvfb-run (whole-screen pictures need a real X server).
//
//   app_screenshots DIR                 the main window in each mode, a refused
//                                       scale, the font dialog, the manual, a run
//                                       of a sheet number far from the meridian
//                                       with its question, end box and picture
//   app_screenshots DIR FILE.shp FIELD  also a run over that sheet index,
//                                       caught while the progress window shows
//
// Message boxes and the preview are answered by the program itself after
// their picture was taken (with their default button).
#include <cstdio>
#include <filesystem>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/PasTarvik.h"
#include "app/program_start.h"
#include "settings_ui/pascoverset.h"
#include "settings_ui/radio_group.h"

namespace {

using tarvik::TFrmTarvik;

QDir gDir;
int gShot = 0;

void Save(const QPixmap& picture, const QString& name) {
  const QString file = gDir.filePath(name);
  if (!picture.save(file))
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
  else
    std::printf("%s %dx%d\n", qPrintable(file), picture.width(), picture.height());
}

void SaveScreen(const QString& name) { Save(QGuiApplication::primaryScreen()->grabWindow(0), name); }

// Takes a picture of every modal box that opens and then answers it with its
// default button (OK for the "完成" box and the preview question).
void WatchModalBoxes(const QString& prefix) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [prefix] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    SaveScreen(QString("%1-box%2.png").arg(prefix).arg(++gShot));
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      QAbstractButton* ok = box->defaultButton();
      if (!ok) ok = box->button(QMessageBox::Ok);
      if (!ok) ok = box->button(QMessageBox::Yes);
      if (ok)
        ok->click();
      else
        box->reject();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    }
  });
  timer->start(300);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR [INDEX.shp FIELD]\n", argv[0]);
    return 2;
  }
  tarvik::PrepareApplication(app);
  gDir = QDir(QString::fromLocal8Bit(argv[1]));
  const std::filesystem::path programPath = std::filesystem::path(argv[1]) / "tarvik";
  TFrmTarvik window(programPath);
  window.show();
  app.processEvents();

  const char* names[] = {"mode0-sheet-number.png", "mode1-index-file.png", "mode2-area-file.png"};
  for (int mode = 0; mode < 3; ++mode) {
    window.rgtype->setItemIndex(mode);
    app.processEvents();
    Save(window.grab(), names[mode]);
  }

  // Letters in the scale box: refused where the person looks.
  window.edtMapscale1->setFocus();
  QTest::keyClicks(window.edtMapscale1, "5x");
  app.processEvents();
  SaveScreen("scale-refused.png");

  // The manual in the program's own window.
  const std::filesystem::path manual = std::filesystem::path(TARVIK_APP_BINARY_DIR) / "tarvik.html";
  window.dialogs().openUrl = [](const QUrl&) { return false; };  // no browser here
  std::filesystem::copy_file(manual, window.manualPath(), std::filesystem::copy_options::overwrite_existing);
  window.Button9Click();
  app.processEvents();
  SaveScreen("manual-window.png");
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == "ManualWindow") top->close();

  WatchModalBoxes("sheet-run");
  // The font dialog of the settings, a face this machine lacks.
  window.settingsDialog()->show();
  if (auto* title = window.settingsDialog()->findChild<QPushButton*>("btntlitle1")) title->click();
  window.settingsDialog()->hide();

  // A sheet number left with another file's meridian: the question, the
  // run, the end box and the picture of the frame.
  window.rgtype->setItemIndex(0);
  window.edtMapNO->setText("J-50-5");
  window.centerL->setValue(120);
  window.gb8054->setItemIndex(3);
  window.edtoutFile->setText(gDir.filePath("J-50-5.gpkg"));
  std::filesystem::remove(gDir.filePath("J-50-5.gpkg").toStdString());
  window.Guarded([&] { window.Button1Click(); });
  Save(window.grab(), "after-sheet-run.png");

  if (argc >= 4) {
    const QString index = QString::fromLocal8Bit(argv[2]);
    window.rgtype->setItemIndex(1);
    window.dialogs().openFile = [index](const QString&, const QStringList&) { return index; };
    window.Guarded([&] { window.btnfileClick(); });
    window.CbField->setCurrentText(QString::fromLocal8Bit(argv[3]));
    window.CbFieldChange();
    window.edtoutFile->setText(gDir.filePath("index-run.gpkg"));
    std::filesystem::remove(gDir.filePath("index-run.gpkg").toStdString());
    // The progress window, caught once it is a third of the way.
    auto* watch = new QTimer(&app);
    bool caught = false;
    QObject::connect(watch, &QTimer::timeout, [&] {
      tarvik::TMyProgress* progress = window.progress().window();
      if (caught || !progress || !progress->isVisible() || progress->bar(0)->value() < 30) return;
      caught = true;
      SaveScreen("index-run-progress.png");
    });
    watch->start(50);
    app.processEvents();
    Save(window.grab(), "index-run-window.png");
    window.Guarded([&] { window.Button1Click(); });
  }
  window.close();
  return 0;
}
