#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QInputMethodEvent>

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include "app/frame_viewer.h"
#include "app_test_support.h"
#include "common/error.h"
#include "coords/spatial_reference.h"
#include "preview/preview_scene.h"
#include "settings/control_table.h"
#include "settings_ui/control_widgets.h"
#include "settings_ui/pascoverset.h"
#include "support/test_shapefile.h"

namespace tarvik {
namespace {

using test::U;
using test::WindowUnderTest;

TEST(MainWindow, ControlsOfTheTableWithTheirDefaults) {
  WindowUnderTest w;
  EXPECT_EQ(w->objectName(), "FrmTarvik");
  EXPECT_EQ(w->windowTitle(),
            QString("ArcGISTarvik For ArcGIS10 V%1.%2").arg(TARVIK_VERSION_MAJOR).arg(TARVIK_VERSION_MINOR));
  EXPECT_EQ(w->font().family(), U("宋体"));
  EXPECT_EQ(w->font().pointSize(), 9);
  for (const ControlEntry& e : ControlTable()) {
    if (e.form != SettingsForm::Main) continue;
    SCOPED_TRACE(std::string(e.name));
    QWidget* widget = FindNamedWidget(*w.window, QString::fromUtf8(e.name.data(), e.name.size()));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(WidgetControlValue(*widget, e), std::string(e.defaultValue));
    if (auto* group = qobject_cast<TRadioGroup*>(widget)) {
      ASSERT_EQ(group->count(), int(e.items.size()));
      for (int i = 0; i < group->count(); ++i)
        EXPECT_EQ(group->items()[i], QString::fromUtf8(e.items[i].data(), e.items[i].size()));
    }
  }
  // Collecting an untouched window gives the default settings, both windows'.
  w->CollectParameters();
  EXPECT_TRUE(w->frameSettings() == TFrameSettings{});
  EXPECT_EQ(w->edtMapNO->text(), "E45G095066");
  EXPECT_EQ(w->centerL->property("Tag").toInt(), 1);
  EXPECT_EQ(w->centerL->alignment() & Qt::AlignRight, Qt::AlignRight);
  EXPECT_EQ(w->centerL->singleStep(), 3);
  EXPECT_EQ(w->reditwhere->property("RichEdit").toBool(), true);
  for (const char* name : {"Button1", "btndown", "Button9", "Button10", "btnfile", "btnout"})
    EXPECT_NE(w->findChild<QPushButton*>(name), nullptr) << name;
  EXPECT_EQ(w->Button1->text(), U("生成图廓"));
  EXPECT_TRUE(w->edtoutFile->toolTip().contains(".gpkg") || w->edtoutFile->toolTip().contains("gpkg"));
}

TEST(MainWindow, ModeShowsItsGroup) {
  WindowUnderTest w;
  for (int mode : {0, 1, 2, 0}) {
    w->rgtype->setItemIndex(mode);
    EXPECT_EQ(w->gbMapno->isHidden(), mode != 0) << mode;
    EXPECT_EQ(w->gbFile->isHidden(), mode == 0) << mode;
    if (mode == 0) {
      EXPECT_EQ(w->edtMapNO->y(), 28);
    }
  }
}

TEST(MainWindow, ChoosingAFieldRewritesTheTemplate) {
  WindowUnderTest w;
  w->CbField->addItems({"OLD", "NEW"});
  const char* cases[][2] = {{"图_[OLD]_2", "图_[NEW]_2"}, {"", "[NEW]"}};
  for (const auto& c : cases) {
    w->edtFileName->setText(U(c[0]));
    w->CbField->setCurrentIndex(1);
    w->CbFieldChange();
    EXPECT_EQ(w->edtFileName->text(), U(c[1]));
  }
  // Restoring the combo's items in code leaves the template alone.
  w->edtFileName->setText("[OLD]");
  w->CbField->setCurrentIndex(0);
  EXPECT_EQ(w->edtFileName->text(), "[OLD]");
}

// Types `text` into `widget` key by key, as a keyboard would.
void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    const int key = c.isLetter() && c.unicode() < 128 ? c.toUpper().unicode() : c.unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
  }
}

TEST(MainWindow, ScaleBoxTakesScalesAndRefusesTheRestVisibly) {
  WindowUnderTest w;
  QLineEdit* box = w->edtMapscale1;
  struct Case {
    const char* typed;
    const char* result;
    bool refused;
  };
  const Case cases[] = {{"1.2.5", "1.25", true},   {"25000", "25000", false}, {"1:5万", "1:5万", false},
                        {"2.5万", "2.5万", false}, {"5x0", "50", true},       {"..5", ".5", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    box->clear();
    box->setProperty("inputRefused", false);
    Type(box, U(c.typed));
    EXPECT_EQ(box->text(), U(c.result));
    EXPECT_EQ(box->property("inputRefused").toBool(), c.refused) << "a refusal shows, nothing else does";
  }
  // Pasted and committed text pass the same rule.
  box->setText("100");
  box->selectAll();
  QApplication::clipboard()->setText("abc");
  box->paste();
  EXPECT_EQ(box->text(), "100");
  box->setFocus();
  box->setCursorPosition(3);
  QInputMethodEvent commit;
  commit.setCommitString(U("00万x"));
  QCoreApplication::sendEvent(box, &commit);
  EXPECT_EQ(box->text(), U("10000万"));
  EXPECT_TRUE(box->property("inputRefused").toBool());

  // What no scale reads as (a settings file may hold anything) is refused
  // when the run starts, never drawn at 1:10 000.
  w->rgtype->setItemIndex(2);
  w->CbField->addItem("NAME");
  w->edtFileName->setText("[NAME]");
  w->edtoutFile->setText(QString::fromStdString(w.dir / "x.gpkg"));
  box->setText("1:5千");
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors[0].contains(U("比例尺“1:5千”无法识别"))) << w.dialogs.describe();
}

TEST(MainWindow, ScaleMenuWritesItsTag) {
  WindowUnderTest w;
  const std::pair<const char*, const char*> items[] = {
      {"1:500", "500"},     {"1:2000", "2000"},   {"1:5000", "5000"},
      {"1:1万", "10000"},   {"1:2.5万", "25000"}, {"1:5万", "50000"},
      {"1:10万", "100000"}, {"1:25万", "250000"}, {"1:50万", "500000"}};
  const QList<QAction*> actions = w->PopupMenu1->actions();
  ASSERT_EQ(actions.size(), 10);
  EXPECT_TRUE(actions[3]->isSeparator());
  int k = 0;
  for (QAction* a : actions) {
    if (a->isSeparator()) continue;
    EXPECT_EQ(a->text(), U(items[k].first));
    EXPECT_TRUE(a->objectName().startsWith("N1"));
    a->trigger();
    EXPECT_EQ(w->edtMapscale1->text(), U(items[k].second));
    ++k;
  }
  EXPECT_NE(w->findChild<QAction*>("N1500"), nullptr);
}

TEST(MainWindow, LeavingTheSheetNumberSuggestsTheCentralMeridian) {
  struct Case {
    const char* number;
    int meridian;
    const char* message;  // shown by the codec, or nullptr
    const char* error;    // the error box, or nullptr
  };
  const Case cases[] = {
      {"E45G095066", 87, nullptr, nullptr},
      {"J-50-5", 117, nullptr, nullptr},
      {"E45G09506", 99, "图幅号输入错误：", nullptr},
      {"J-50-145", 99, "输入的J-50-145,错误的旧图幅号：1:10万图号应为1～144", nullptr},
      {"", 99, nullptr, "图幅号不能空"},
  };
  // The scale follows the number's scale letter, as the meridian does.
  const char* scales[] = {"10000", "100000", "1:2.5万", "1:2.5万", "1:2.5万"};
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    const Case& c = cases[k];
    SCOPED_TRACE(c.number);
    WindowUnderTest w;
    w->centerL->setValue(99);
    w->edtMapscale1->setText(U("1:2.5万"));
    emit w->edtMapscale1->textEdited(U("1:2.5万"));
    w->edtMapNO->setText(U(c.number));
    w->Guarded([&] { w->edtMapNOExit(); });
    EXPECT_EQ(w->centerL->value(), c.meridian);
    EXPECT_EQ(w->edtMapscale1->text(), U(scales[k]));
    EXPECT_EQ(w->findChild<QLabel*>("lblScaleSource")->isHidden(), k > 1) << "says where the scale came from";
    EXPECT_EQ(w->chkAutoMeridian->isChecked(), true) << "the sheet's meridian is the run's";
    EXPECT_EQ(w.dialogs.messages.size(), c.message ? 1u : 0u) << w.dialogs.describe();
    if (c.message && !w.dialogs.messages.empty()) {
      EXPECT_TRUE(w.dialogs.messages[0].startsWith(U(c.message))) << w.dialogs.describe();
    }
    EXPECT_EQ(w.dialogs.errors.size(), c.error ? 1u : 0u);
    if (c.error && !w.dialogs.errors.empty()) {
      EXPECT_EQ(w.dialogs.errors[0], U(c.error));
    }
  }
}

TEST(MainWindow, FocusLeavingTheSheetNumberBoxRunsItsExit) {
  WindowUnderTest w;
  w->rgtype->setItemIndex(0);
  w->show();
  QApplication::setActiveWindow(w.window.get());
  w->edtMapNO->setFocus(Qt::OtherFocusReason);
  QApplication::processEvents();
  if (!w->edtMapNO->hasFocus()) GTEST_SKIP() << "the platform gives no focus";
  w->edtMapNO->setText("J-50-5");
  w->centerL->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(w->centerL->value(), 117);

  // Clicking the run button from the box: the wrong number is reported on
  // leaving the box, once; the click starts no run to report it again.
  w->edtMapNO->setFocus(Qt::OtherFocusReason);
  w->edtMapNO->setText("E45G09506");
  QTest::mouseClick(w->Button1, Qt::LeftButton);
  ASSERT_EQ(w.dialogs.messages.size(), 1u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.messages[0].startsWith(U("图幅号输入错误："))) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  // A right number: the run goes on (and stops at the empty output).
  w.dialogs.messages.clear();
  w->edtMapNO->setFocus(Qt::OtherFocusReason);
  w->edtMapNO->setText("E45G095066");
  QTest::mouseClick(w->Button1, Qt::LeftButton);
  EXPECT_TRUE(w.dialogs.messages.empty()) << w.dialogs.describe();
  EXPECT_EQ(w.dialogs.errors, std::vector<QString>{U("输出不能为空")});
  w.dialogs.errors.clear();

  // An empty number stops the click.
  w.dialogs.messages.clear();
  w.dialogs.errors.clear();
  w->edtMapNO->setFocus(Qt::OtherFocusReason);
  w->edtMapNO->setText("");
  QTest::mouseClick(w->Button1, Qt::LeftButton);
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(w.dialogs.errors, std::vector<QString>{U("图幅号不能空")});
}

TEST(MainWindow, InputCoordinateSystemPresetsTheControls) {
  struct Case {
    const char* what;
    SpatialReference ref;
    int rgjw, gb8054, rgisband, cbFdf, centerL;
    const char* message = nullptr;
    const char* error = nullptr;
  };
  const Case cases[] = {
      {"Xi'an 1980 6-degree with zone", SpatialReference::FromEpsg(2329), 0, 0, 1, 1, 87},
      {"Beijing 1954 3-degree", SpatialReference::FromEpsgAsIs(2435), 0, 1, 0, 0, 114},
      {"Beijing 1954 6-degree", SpatialReference::FromEpsgAsIs(21473), 0, 1, 0, 1, 75},
      {"WGS84", SpatialReference::FromEpsg(4326), 1, 2, 0, 0, 99},
      {"Beijing 1954 geographic", SpatialReference::FromEpsg(4214), 1, 1, 0, 0, 99},
      {"Xi'an 1980 geographic", SpatialReference::FromEpsg(4610), 1, 0, 0, 0, 99},
      {"CGCS2000 3-degree CM 117", SpatialReference::FromEpsg(4548), 0, 3, 0, 0, 117},
      {"CGCS2000 geographic", SpatialReference::FromEpsg(4490), 1, 3, 0, 0, 99},
      // Not one of ours but on a datum of ours: reprojected into its Gauss-Krueger system.
      {"Web Mercator", SpatialReference::FromEpsg(3857), 0, 2, 0, 0, 99},
      // On a datum of no row: planar, the person sets the rest.
      {"custom",
       SpatialReference::FromWkt("+proj=tmerc +lon_0=101.5 +k=0.9996 +x_0=300000 +ellps=intl +units=m"), 0, 2,
       0, 0, 99, "无法自动识别坐标系统，自己设置有关参数"},
      {"none", SpatialReference(), 1, 2, 0, 0, 99, nullptr, "没有定义坐标系统"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WindowUnderTest w;
    w->rgjw->setItemIndex(1);
    w->gb8054->setItemIndex(2);
    w->rgisband->setItemIndex(0);
    w->cbFdf->setCurrentIndex(0);
    w->centerL->setValue(99);
    w->Guarded([&] { w->ApplyInputSpatialRef(c.ref); });
    EXPECT_EQ(w->rgjw->itemIndex(), c.rgjw);
    EXPECT_EQ(w->gb8054->itemIndex(), c.gb8054);
    EXPECT_EQ(w->rgisband->itemIndex(), c.rgisband);
    EXPECT_EQ(w->cbFdf->currentIndex(), c.cbFdf);
    EXPECT_EQ(w->centerL->value(), c.centerL);
    EXPECT_EQ(w.dialogs.messages, c.message ? std::vector<QString>{U(c.message)} : std::vector<QString>{});
    EXPECT_EQ(w.dialogs.errors, c.error ? std::vector<QString>{U(c.error)} : std::vector<QString>{});
  }
}

TEST(MainWindow, OutputDialogKeepsTheKindOfTheOutput) {
  WindowUnderTest w;
  const QStringList gdbFirst = {U("文件地理数据库 (*.gdb)"), U("GeoPackage (*.gpkg)"), U("DXF图形 (*.dxf)")};
  const struct {
    const char* start;
    SaveChoice answer;
    QStringList offered;
    const char* result;
  } cases[] = {
      {"/data/start.gdb", {"/data/out/frames", 1}, gdbFirst, "/data/out/frames.gpkg"},
      // The current kind is offered first: a bare name keeps it.
      {"/data/out/frames.gpkg",
       {"/data/out/more", 0},
       {gdbFirst[1], gdbFirst[0], gdbFirst[2]},
       "/data/out/more.gpkg"},
      {"/data/out/more.gpkg",
       {"/data/out/other.gdb", 0},
       {gdbFirst[1], gdbFirst[0], gdbFirst[2]},
       "/data/out/other.gdb"},
      {"/data/out/cad.dxf",
       {"/data/out/cad2", 0},
       {gdbFirst[2], gdbFirst[0], gdbFirst[1]},
       "/data/out/cad2.dxf"},
      {"", {"/data/out/plain", 0}, gdbFirst, "/data/out/plain.gdb"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    w->edtoutFile->setText(c.start);
    w.dialogs.saveAnswer = c.answer;
    w->btnoutClick();
    EXPECT_EQ(w.dialogs.saveStarts.back(), c.start);
    EXPECT_EQ(w.dialogs.saveFilters.back(), c.offered);
    EXPECT_EQ(w->edtoutFile->text(), c.result);
  }
  w.dialogs.saveAnswer.reset();  // cancelled
  w->btnoutClick();
  EXPECT_EQ(w->edtoutFile->text(), "/data/out/plain.gdb");
}

// A shapefile dropped on the window is picked as the input, a GeoPackage
// or geodatabase dropped on the output box becomes the output; both are
// offered again from the recent lists, also after a restart.
TEST(MainWindow, DroppedFilesAndRecentPaths) {
  WindowUnderTest w;
  const std::string shp = w.dir / "county.shp";
  test::WriteTestShapefile(shp, 2374, {"NAME"},
                           {{{{"NAME", "a"}}, {test::Rectangle(500000, 3000000, 501000, 3001000)}}});
  const QString output = QString::fromStdString(w.dir / "new.gpkg");
  const auto drop = [](QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
  };
  w->rgtype->setItemIndex(0);
  w->centerL->setValue(99);
  EXPECT_FALSE(drop(w.window.get(), {QUrl::fromLocalFile("/tmp/notes.txt")}));
  EXPECT_TRUE(drop(w.window.get(), {QUrl::fromLocalFile("/tmp/notes.txt"),
                                    QUrl::fromLocalFile(QString::fromStdString(shp))}));
  EXPECT_EQ(w->edtFile->text(), QString::fromStdString(shp));
  EXPECT_EQ(w->rgtype->itemIndex(), 1);
  EXPECT_EQ(w->centerL->value(), 87) << "its coordinate system read";
  EXPECT_EQ(w->CbField->currentText(), "NAME");
  EXPECT_TRUE(drop(w->edtoutFile, {QUrl::fromLocalFile(output)}));
  EXPECT_EQ(w->edtoutFile->text(), output);

  w->show();
  w.reopen();
  w->show();
  w->edtFile->clear();
  w->edtoutFile->clear();
  QMenu* inputs = w->btnRecentInputs->menu();
  emit inputs->aboutToShow();
  ASSERT_FALSE(inputs->actions().isEmpty());
  EXPECT_EQ(inputs->actions()[0]->text(), QString::fromStdString(shp));
  inputs->actions()[0]->trigger();
  EXPECT_EQ(w->edtFile->text(), QString::fromStdString(shp));
  QMenu* outputs = w->btnRecentOutputs->menu();
  emit outputs->aboutToShow();
  ASSERT_FALSE(outputs->actions().isEmpty());
  outputs->actions()[0]->trigger();
  EXPECT_EQ(w->edtoutFile->text(), output);
}

TEST(MainWindow, HelpOpensTheManualBesideTheProgram) {
  WindowUnderTest w;
  const QString manual = QString::fromStdString(w->manualPath().string());
  EXPECT_EQ(w->manualPath(), w.dir.path() / "tarvik.html");
  w->Button9->click();
  ASSERT_EQ(w.dialogs.captionErrors.size(), 1u);
  EXPECT_EQ(w.dialogs.captionErrors[0], std::make_pair(U("文件找不到！"), U("打开文件") + manual));
  EXPECT_TRUE(w.dialogs.opened.empty());

  test::WriteFile(w->manualPath().string(), "<html></html>");
  w->Button9->click();
  ASSERT_EQ(w.dialogs.opened.size(), 1u);
  EXPECT_EQ(w.dialogs.opened[0], QUrl::fromLocalFile(manual));
  EXPECT_EQ(w.dialogs.captionErrors.size(), 1u);

  // Nothing on the desktop opens it: the program shows it itself.
  test::WriteFile(w->manualPath().string(), "<html><body><h1>Tarvik 使用说明</h1></body></html>");
  w.dialogs.openSucceeds = false;
  w->Button9->click();
  EXPECT_EQ(w.dialogs.captionErrors.size(), 1u) << "no error";
  auto* browser = w->findChild<QTextBrowser*>("ManualBrowser");
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->window()->isVisible());
  EXPECT_TRUE(browser->toPlainText().contains(U("Tarvik 使用说明"))) << browser->toPlainText().toStdString();
}

TEST(MainWindow, QtsOwnButtonsSpeakChinese) {
  // The program loads Qt's translations as it starts (PrepareApplication).
  QMessageBox box(QMessageBox::Question, "t", "t", QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), U("取消"));
}

TEST(MainWindow, ManualIsBuiltBesideTheProgram) {
  // The build copies the manual next to the window program.
  const std::filesystem::path manual = std::filesystem::path(TARVIK_APP_BINARY_DIR) / "tarvik.html";
  ASSERT_TRUE(std::filesystem::exists(manual)) << manual;
  const std::string html = test::ReadFile(manual.string());
  for (const char* part : {"标准图幅号", "标准图幅文件", "行政区划文件", ".gpkg", "tarvik-cli", "QGIS"})
    EXPECT_NE(html.find(part), std::string::npos) << part;
}

TEST(MainWindow, SettingsSavedOnCloseAndRestoredWhenShown) {
  WindowUnderTest w;
  w->show();
  w->rgtype->setItemIndex(0);
  w->edtMapNO->setText("J-50-5");
  w->gb8054->setItemIndex(1);
  w->rgisband->setItemIndex(1);
  w->cbFdf->setCurrentIndex(1);
  w->centerL->setValue(117);
  w->edtMapscale1->setText("50000");
  w->rgjw->setItemIndex(1);
  w->edtoutFile->setText("/data/out/J50.gpkg");
  w->edtFileName->setText(U("[NAME]图"));
  w->reditwhere->setText("CODE > 3");
  w->settingsDialog()->findChild<QLineEdit*>("edtmian")->setText(U("某某县土地利用图"));
  w.reopen();  // closes the first window (saving), opens a second
  EXPECT_TRUE(std::filesystem::exists(w.dir.path() / "tarvik.set"));
  EXPECT_EQ(w->edtMapNO->text(), "E45G095066") << "restored only when shown";
  w->show();
  EXPECT_EQ(w->rgtype->itemIndex(), 0);
  EXPECT_FALSE(w->gbMapno->isHidden());
  EXPECT_TRUE(w->gbFile->isHidden());
  EXPECT_EQ(w->edtMapNO->text(), "J-50-5");
  EXPECT_EQ(w->gb8054->itemIndex(), 1);
  EXPECT_EQ(w->rgisband->itemIndex(), 1);
  EXPECT_EQ(w->cbFdf->currentIndex(), 1);
  EXPECT_EQ(w->centerL->value(), 117);
  EXPECT_EQ(w->edtMapscale1->text(), "50000");
  EXPECT_EQ(w->rgjw->itemIndex(), 1);
  EXPECT_EQ(w->edtoutFile->text(), "/data/out/J50.gpkg");
  EXPECT_EQ(w->edtFileName->text(), U("[NAME]图"));
  EXPECT_EQ(w->reditwhere->text(), "CODE > 3");
  EXPECT_EQ(w->settingsDialog()->findChild<QLineEdit*>("edtmian")->text(), U("某某县土地利用图"));
  EXPECT_TRUE(w.dialogs.messages.empty()) << w.dialogs.describe();
}

TEST(MainWindow, SettingsDialogClosingSavesBothWindows) {
  WindowUnderTest w;
  w->edtMapscale1->setText("25000");
  w->settingsDialog()->findChild<QLineEdit*>("edtmian")->setText(U("图名"));
  w->settingsDialog()->open();
  w->settingsDialog()->accept();
  // A second window reads what the dialog saved; the first is not closed.
  TFrmTarvik second(w.programPath());
  test::DialogRecorder recorder;
  recorder.install(second.dialogs());
  second.show();
  EXPECT_EQ(second.edtMapscale1->text(), "25000");
  EXPECT_EQ(second.settingsDialog()->findChild<QLineEdit*>("edtmian")->text(), U("图名"));
}

}  // namespace
}  // namespace tarvik

namespace tarvik {
namespace {

// The frames of a run drawn as vectors from the output, one after another,
// at their scale on the screen when asked.
TEST(MainWindow, TheFrameViewerPagesThroughTheFramesAtTheirScale) {
  test::TempDir dir;
  const std::string index = dir / "i.shp";
  ASSERT_EQ(
      test::RunCli({"make-index", "--scale", "10000", "--bbox", "88", "16", "88.1", "16.04", "-o", index})
          .exitCode,
      0);
  ASSERT_EQ(test::RunCli({"index", index, "-o", dir / "o.gpkg", "--name-template", "[TFH]"}).exitCode, 0);
  FrameViewer viewer(dir / "o.gpkg", {"E45G096065", "E45G096066"}, 0, nullptr);
  EXPECT_EQ(viewer.currentFrame(), 0);
  ASSERT_NE(viewer.scene(), nullptr);
  EXPECT_EQ(viewer.scene()->frame, "E45G096065");
  // A 1:10 000 sheet's page is over half a metre on paper.
  EXPECT_GT(viewer.scene()->pageMm.width(), 500);
  // Shown, the page fills the view one way.
  viewer.show();
  const QRect page = viewer.view()->mapFromScene(viewer.view()->sceneRect()).boundingRect();
  const QSize glass = viewer.view()->viewport()->size();
  EXPECT_TRUE(page.width() >= glass.width() * 9 / 10 || page.height() >= glass.height() * 9 / 10)
      << page.width() << "x" << page.height() << " in " << glass.width() << "x" << glass.height();
  viewer.showFrame(1);
  EXPECT_EQ(viewer.scene()->frame, "E45G096066");
  EXPECT_EQ(viewer.windowTitle(), U("预览 E45G096066"));
  viewer.showFrame(2);  // past the last: stays
  EXPECT_EQ(viewer.currentFrame(), 1);
  viewer.actualSize();
  EXPECT_DOUBLE_EQ(viewer.view()->transform().m11(), viewer.view()->logicalDpiX() / 96.0);
}

// However small the screen against the window (offscreen: 800x600), the
// window opens whole on it, its map giving up the room.
TEST(MainWindow, OpensWholeOnTheScreen) {
  WindowUnderTest w;
  w->show();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(area.contains(w->geometry())) << w->height() << " in " << area.height();
  EXPECT_GE(w->height(), w->minimumSizeHint().height());
}

// Tab walks the form from top to bottom in every mode, entering each group
// of choices at its chosen button, and starts at the chosen mode.
TEST(MainWindow, TabFollowsTheFormFromTheChosenMode) {
  WindowUnderTest w;
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), w->rgtype->button(w->rgtype->itemIndex()));
  const struct {
    int mode;
    std::vector<QString> order;  // named stops, in this order, among others
  } cases[] = {
      {0,
       {"edtMapNO", "cbFdf", "centerL", "chkAutoMeridian", "edtMapscale1", "edtoutFile", "btnout",
        "Button1"}},
      {1,
       {"edtFile", "btnfile", "btnRecentInputs", "CbField", "edtFileName", "reditwhere", "edtTowgs84",
        "cbFdf", "edtoutFile", "Button1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    w->rgtype->setItemIndex(c.mode);
    QWidget* start = w->rgtype->button(c.mode);
    start->setFocus();
    std::size_t next = 0;
    for (int i = 0; i < 60 && next < c.order.size(); ++i) {
      QWidget* f = QApplication::focusWidget();
      if (i > 0 && f == start) break;  // once round
      ASSERT_NE(f, nullptr);
      if (auto* radio = qobject_cast<QRadioButton*>(f)) {
        EXPECT_TRUE(radio->isChecked()) << radio->text().toStdString();
      }
      if (f->objectName() == c.order[next]) ++next;
      QTest::keyClick(f, Qt::Key_Tab);
    }
    EXPECT_EQ(next, c.order.size()) << "stopped before "
                                    << c.order[std::min(next, c.order.size() - 1)].toStdString();
  }
}
}  // namespace
}  // namespace tarvik
