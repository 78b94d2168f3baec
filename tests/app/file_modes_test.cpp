// The two file modes of the window: picking the input, runs over a sheet
// index and over a polygon file read back with GDAL, the progress window and
// its Cancel during a real run.
#include <gtest/gtest.h>

#include <filesystem>

#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/input_map.h"
#include "app_test_support.h"
#include "coords/utBJ54Xian80.h"
#include "coords/utlbxy.h"
#include "gdb/sheet_index_writer.h"
#include "settings_ui/pascoverset.h"
#include "sheets/sheet_index.h"
#include "sheets/uttfhao.h"
#include "support/gdal_readback.h"
#include "support/test_shapefile.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;
using test::U;
using test::WindowUnderTest;

// A standard sheet index of 1:10 000 sheets E45G0<row><col> (Xi'an 1980,
// 3-degree zone 29, no zone number), the numbers in the field TFH.
std::string WriteIndex(const test::TempDir& dir, std::initializer_list<int> rows,
                       std::initializer_list<int> cols) {
  std::vector<std::string> numbers;
  for (int r : rows)
    for (int c : cols) numbers.push_back("E45G" + Pad3(r) + Pad3(c));
  SilentFeedback quiet;
  const std::string path = dir / "sheets.shp";
  WriteSheetIndex(path, MakeProjectedReference(CoordParams{}, quiet), "TFH",
                  SheetIndexPolygons(numbers, CoordParams{}, false), false);
  return path;
}

// Picks `input` in the window and sets the template and output.
void PickInput(WindowUnderTest& w, int mode, const std::string& input, const char* nameTemplate,
               const std::string& output) {
  w->rgtype->setItemIndex(mode);
  w.dialogs.openAnswer = QString::fromStdString(input);
  w->btnfile->click();
  w->edtFileName->setText(U(nameTemplate));
  w->edtoutFile->setText(QString::fromStdString(output));
}

TEST(WindowFileModes, PickingAnInputPresetsTheWindowAndListsItsFields) {
  test::TempDir dir;
  const std::string index = WriteIndex(dir, {66}, {66, 67});
  WindowUnderTest w;
  w->gb8054->setItemIndex(1);
  w->rgisband->setItemIndex(1);
  w->cbFdf->setCurrentIndex(1);
  w->centerL->setValue(99);
  w->rgjw->setItemIndex(1);
  w->CbField->addItem("OLD");
  w->CbField->setEditText("OLD");
  w->rgtype->setItemIndex(1);
  w->edtFileName->setText(U("[OLD]图"));
  w.dialogs.openAnswer = QString::fromStdString(index);
  w->btnfile->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  EXPECT_EQ(w.dialogs.openFilters.at(0), QStringList{"*.shp (*.shp)"});
  EXPECT_EQ(w->edtFile->text(), QString::fromStdString(index));
  EXPECT_EQ(w->gb8054->itemIndex(), 0);
  EXPECT_EQ(w->rgisband->itemIndex(), 0);
  EXPECT_EQ(w->cbFdf->currentIndex(), 0);
  EXPECT_EQ(w->centerL->value(), 87);
  EXPECT_EQ(w->rgjw->itemIndex(), 0);
  QStringList items;
  for (int i = 0; i < w->CbField->count(); ++i) items << w->CbField->itemText(i);
  EXPECT_EQ(items, (QStringList{"FID", "TFH"}));
  // The field the new file lacks gives way to its sheet numbers, in the
  // field box, the template and the table's name field.
  EXPECT_EQ(w->CbField->currentText(), "TFH");
  EXPECT_EQ(w->edtFileName->text(), U("[TFH]图"));
  QLineEdit* table = w->settingsDialog()->findChild<QLineEdit*>("edtField");
  EXPECT_EQ(table->text(), "TFH");

  // A file with other fields: the template follows, the table's field set
  // by hand stays; all of it comes back after a restart.
  const std::string area = dir / "area.shp";
  test::WriteTestShapefile(area, 2374, {"NAME"},
                           {{{{"NAME", "a"}}, {test::Rectangle(500000, 3000000, 501000, 3001000)}}});
  table->setText("MC");
  w.dialogs.openAnswer = QString::fromStdString(area);
  w->btnfile->click();
  EXPECT_EQ(w->CbField->currentText(), "NAME");
  EXPECT_EQ(w->edtFileName->text(), U("[NAME]图"));
  EXPECT_EQ(table->text(), "MC");
  w->show();
  w.reopen();
  w->show();
  EXPECT_EQ(w->CbField->currentText(), "NAME");
  EXPECT_EQ(w->CbField->count(), 2);

  // A file without a coordinate system: the message, the fields stay.
  const std::string bare = dir / "bare.shp";
  test::WriteTestShapefile(bare, 0, {"NAME"}, {{{{"NAME", "a"}}, {test::Rectangle(0, 0, 10, 10)}}});
  w.dialogs.openAnswer = QString::fromStdString(bare);
  w->btnfile->click();
  EXPECT_EQ(w.dialogs.errors, std::vector<QString>{U("没有定义坐标系统")});
  EXPECT_EQ(w->CbField->count(), 2);
}

TEST(WindowFileModes, IndexRunFramesTheSelectedSheets) {
  test::TempDir dir;
  const std::string index = WriteIndex(dir, {66, 67}, {66, 67, 68});
  WindowUnderTest w;
  const std::string output = w.dir / "sheets.gdb";
  PickInput(w, 1, index, "[tfh]", output);  // the field's letter case does not matter
  w->reditwhere->setText("  TFH <> 'E45G067067'  ");
  w.dialogs.choiceAnswers = {2};  // the folder (after the picture and the PDF of all frames)
  w->Button1->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.messages.empty()) << w.dialogs.describe();
  ASSERT_EQ(w.dialogs.choices.size(), 2u) << w.dialogs.describe();  // back after the button
  EXPECT_TRUE(w.dialogs.choices[0].first.startsWith(U("完成，用时")));
  EXPECT_TRUE(w.dialogs.choices[0].first.contains(U("写入 5 个图廓到 ") + QString::fromStdString(output)));
  EXPECT_EQ(w.dialogs.opened,
            std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(w.dir.path().string()))});
  EXPECT_EQ(w->frameSettings().CreateMode, CreationMode::SheetIndex);
  EXPECT_EQ(w->progress().window(), nullptr);
  const test::ReadStore store = test::ReadWithGdal(output);
  int frames = 0;
  for (const char* sheet :
       {"E45G066066", "E45G066067", "E45G066068", "E45G067066", "E45G067067", "E45G067068"})
    frames += store.has(std::string("L_") + sheet);
  EXPECT_EQ(frames, 5);
  EXPECT_FALSE(store.has("L_E45G067067"));
  EXPECT_TRUE(w.dialogs.choices[0].second.front().startsWith(U("查看第一幅图廓E45G06")));
}

// An index is drawn at the scale of its sheet numbers when they read, and
// the box says so; otherwise its sheets' size must be of the box's scale.
TEST(WindowFileModes, IndexScaleFromItsNumbersOrCheckedAgainstTheBox) {
  test::TempDir dir;
  const std::string index = WriteIndex(dir, {66}, {66, 67});
  WindowUnderTest w;
  const std::string output = w.dir / "two.gpkg";
  PickInput(w, 1, index, "[FID]", output);
  w->settingsDialog()->findChild<QLineEdit*>("edtField")->clear();  // no sheet numbers to read
  w->edtMapscale1->setText("50000");
  emit w->edtMapscale1->textEdited("50000");  // typed: the run draws at it
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors[0].contains(U("是1:1万标准图幅"))) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors[0].endsWith(U("请把比例尺设为10000"))) << w.dialogs.describe();
  EXPECT_FALSE(fs::exists(output));

  w.dialogs.errors.clear();
  w->edtFileName->setText("[TFH]");
  w.dialogs.choiceAnswers = {test::kCloseBox};
  w->Button1->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  EXPECT_EQ(w->edtMapscale1->text(), "10000");
  EXPECT_FALSE(w->findChild<QLabel*>("lblScaleSource")->isHidden());
  EXPECT_EQ(w->frameSettings().ScaleFactor, 1.0L);
  EXPECT_TRUE(test::ReadWithGdal(output).has("a_E45G066067"));
}

TEST(WindowFileModes, CancelDuringARunStopsAfterTheNextSheetAndTheWindowStaysOpen) {
  test::TempDir dir;
  const std::string index = WriteIndex(dir, {66}, {66, 67, 68, 69, 70});
  WindowUnderTest w;
  const std::string output = w.dir / "five.gpkg";
  PickInput(w, 1, index, "[TFH]", output);
  w->show();
  // During the second sheet's step: what the window and the progress window
  // show, a try to close the main window, then Cancel, confirmed.
  bool closed = true;
  bool clicked = false;
  bool controlsEnabled = true;
  QString count;
  QPoint offCentre;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    TMyProgress* progress = w->progress().window();
    if (clicked || !progress || w->progress().position() < 2) return;
    clicked = true;
    controlsEnabled = w->btndown->isEnabled() || w->Button1->isEnabled() || w->edtFile->isEnabled();
    count = progress->countLabel()->text();
    offCentre = progress->frameGeometry().center() - w->frameGeometry().center();
    closed = w->close();
    progress->cancelButton()->click();
  });
  poll.start(0);
  w.dialogs.answers = {true};                   // stop: yes
  w.dialogs.choiceAnswers = {test::kCloseBox};  // close the report
  w->Button1->click();
  poll.stop();
  EXPECT_TRUE(clicked);
  EXPECT_FALSE(closed) << "the main window cannot close during a run";
  EXPECT_FALSE(controlsEnabled) << "the settings and the run's inputs cannot change during a run";
  EXPECT_EQ(count, U("2 / 5  E45G066067"));
  EXPECT_LE(offCentre.manhattanLength(), 2) << "over the main window";
  EXPECT_TRUE(w->isVisible());
  ASSERT_GE(w.dialogs.questions.size(), 1u);
  EXPECT_EQ(w.dialogs.questions[0], std::make_pair(U("你确定终止吗"), U("终止")));
  EXPECT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  ASSERT_EQ(w.dialogs.choices.size(), 1u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.choices[0].first.startsWith(U("已取消：写入 3 个图廓，保留在 ") +
                                                    QString::fromStdString(output)))
      << w.dialogs.describe();
  EXPECT_TRUE(w->Button1->isEnabled() && w->btndown->isEnabled());
  EXPECT_EQ(w->progress().window(), nullptr);
  const test::ReadStore store = test::ReadWithGdal(output);
  int lineClasses = 0;
  for (const auto& [name, layer] : store.layers) lineClasses += name.rfind("L_", 0) == 0;
  EXPECT_EQ(lineClasses, 3) << "the sheet after the confirmed abort is still drawn";
  EXPECT_TRUE(fs::is_regular_file(w.dir / "five.gpkg.qgs")) << "a stopped run keeps its project";
}

TEST(WindowFileModes, AreaRunFramesEachPolygonUnderItsName) {
  WindowUnderTest w;
  const std::string input = w.dir / "county.shp";
  // Two areas in Xi'an 1980 3-degree zone 29 without the zone number.
  test::WriteTestShapefile(
      input, 2374, {"NAME", "KIND"},
      {{{{"NAME", "甲"}, {"KIND", "x"}}, {test::Rectangle(500123.4, 3000000, 503876.6, 3004000)}},
       {{{"NAME", "乙"}, {"KIND", "x"}}, {test::Rectangle(510000, 3000000, 512000, 3002500)}}});
  const std::string output = w.dir / "out/county.gpkg";
  PickInput(w, 2, input, "", output);
  EXPECT_EQ(w->CbField->findText("KIND"), -1) << "KIND repeats and cannot name the frames";
  ASSERT_GE(w->CbField->findText("NAME"), 0);
  w->CbField->setCurrentIndex(w->CbField->findText("NAME"));
  w->CbFieldChange();
  w->edtFileName->setText(w->edtFileName->text() + U("图"));
  EXPECT_EQ(w->edtFileName->text(), U("[NAME]图"));
  w.dialogs.choiceAnswers = {test::kCloseBox};  // close the report
  w->Button1->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  const test::ReadStore store = test::ReadWithGdal(output);
  ASSERT_TRUE(store.has("L_甲图"));
  ASSERT_TRUE(store.has("L_乙图"));
  EXPECT_TRUE(store.has("a_甲图"));
  // The inner frame of 甲: its envelope widened by 160 m, cut to whole metres.
  bool innerWest = false;
  for (const auto& f : store.layers.at("L_甲图").features)
    for (const auto& path : f.parts)
      for (const auto& p : path) innerWest |= f.id() == 1 && p.x == 499963;
  EXPECT_TRUE(innerWest);
}

// A run that cannot be made never costs the user an existing output.
TEST(WindowFileModes, MissingInputIsReportedBeforeTheOutputIsTouched) {
  WindowUnderTest w;
  const std::string output = w.dir / "old.gdb";
  w->rgtype->setItemIndex(0);
  w->edtoutFile->setText(QString::fromStdString(output));
  w.dialogs.choiceAnswers = {test::kCloseBox};  // close the report
  w->Button1->click();
  ASSERT_TRUE(fs::exists(output));
  w.dialogs.answer = true;
  w.dialogs.questions.clear();
  w->rgtype->setItemIndex(1);
  w->CbField->addItem("Name");
  w->edtFileName->setText("[NAME]");
  const QString missing = QString::fromStdString(w.dir / "none.shp");
  w->edtFile->setText(missing);
  w->Button1->click();
  EXPECT_TRUE(w.dialogs.questions.empty());
  EXPECT_TRUE(fs::exists(output));
  EXPECT_EQ(w.dialogs.errors, std::vector<QString>{U("文件") + missing + U(",不存在")});
}

}  // namespace
}  // namespace tarvik

namespace tarvik {
namespace {

// A file in a system of its own: the box under the file says what it is and
// that the run reprojects it; across datums the seven parameters are needed.
TEST(WindowFileModes, AnInputInAnotherSystemIsReprojectedWithItsSystemShown) {
  WindowUnderTest w;
  const std::string utm = w.dir / "utm.shp";
  test::WriteTestShapefile(utm, 32650, {"NAME"},
                           {{{{"NAME", "A"}}, {test::Rectangle(413000, 4330000, 418000, 4334000)}}});
  PickInput(w, 2, utm, "[NAME]", w.dir / "utm.gpkg");
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  const QString shown = w->findChild<QLabel*>("lblInputSystem")->text();
  EXPECT_TRUE(shown.contains("EPSG:32650") && shown.contains(U("投影"))) << shown.toStdString();
  EXPECT_EQ(w->gb8054->itemIndex(), 2) << "the output defaults to the input's datum";
  w->gb8054->setItemIndex(3);  // into CGCS2000
  w.dialogs.choiceAnswers = {test::kCloseBox};
  w->Button1->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  ASSERT_EQ(w.dialogs.choices.size(), 1u);
  EXPECT_TRUE(w.dialogs.choices[0].first.contains(U("WGS 84 与 CGCS2000 视为相同"))) << w.dialogs.describe();
  EXPECT_EQ(test::ReadWithGdal(w.dir / "utm.gpkg").layers.at("L_A").epsg, 4548);

  // Xi'an 1980 into CGCS2000: refused until the parameters are given.
  const std::string xian = w.dir / "xian.shp";
  test::WriteTestShapefile(xian, 2385, {"NAME"},
                           {{{{"NAME", "B"}}, {test::Rectangle(440000, 4340000, 445000, 4344000)}}});
  PickInput(w, 2, xian, "[NAME]", w.dir / "xian.gpkg");
  w->gb8054->setItemIndex(3);
  w.dialogs.choices.clear();
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors[0].contains(U("七参数"))) << w.dialogs.describe();
  EXPECT_FALSE(fs::exists(w.dir / "xian.gpkg"));
  w->edtTowgs84->setText("-17.5,84.2,43.1,0.12,-0.21,0.34,1.2");
  w.dialogs.errors.clear();
  w.dialogs.choiceAnswers = {test::kCloseBox};
  w->Button1->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  EXPECT_TRUE(test::ReadWithGdal(w.dir / "xian.gpkg").has("L_B"));
}

}  // namespace
}  // namespace tarvik

namespace tarvik {
namespace {

// A path typed into the input box is read on leaving it; the map below the
// form shows what the condition selects; Enter generates; a dropped file
// chooses its mode.
TEST(WindowFileModes, TypedInputsTheMapOfTheRunAndEnter) {
  test::TempDir dir;
  const std::string index = WriteIndex(dir, {66}, {66, 67, 68});
  const std::string area = dir / "area.shp";
  test::WriteTestShapefile(
      area, 2374, {"NAME"},
      {{{{"NAME", "甲"}},
        {{{500000, 3000000}, {501300, 3000200}, {500900, 3001100}, {500100, 3000800}, {499800, 3000400}}}}});
  WindowUnderTest w;
  w->resize(700, 800);
  w->show();
  w->rgtype->setItemIndex(1);
  w->edtFile->setText(QString::fromStdString(index));
  emit w->edtFile->editingFinished();
  EXPECT_EQ(w->CbField->currentText(), "TFH") << "read on leaving the box";
  EXPECT_EQ(w->mapView->shapeCount(), 3);
  EXPECT_EQ(w->mapView->shownLabels(), 3) << "each sheet named where its name fits";
  w->reditwhere->setText("TFH = 'E45G066067'");
  emit w->reditwhere->editingFinished();
  EXPECT_EQ(w->mapView->shapeCount(), 1);
  w->edtFileName->setText("[TFH]");
  w->edtoutFile->setText(QString::fromStdString(w.dir / "enter.gpkg"));
  w.dialogs.choiceAnswers = {test::kCloseBox};
  emit w->edtoutFile->returnPressed();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  EXPECT_TRUE(test::ReadWithGdal(w.dir / "enter.gpkg").has("L_E45G066067"));

  // Dropped: a polygon file that is no index is framed as an area file.
  QMimeData drop;
  drop.setUrls({QUrl::fromLocalFile(QString::fromStdString(area))});
  EXPECT_TRUE(w->DropFiles(&drop, true));
  EXPECT_EQ(w->rgtype->itemIndex(), 2);
  drop.setUrls({QUrl::fromLocalFile(QString::fromStdString(index))});
  EXPECT_TRUE(w->DropFiles(&drop, true));
  EXPECT_EQ(w->rgtype->itemIndex(), 1);
}

}  // namespace
}  // namespace tarvik

namespace tarvik {
namespace {

// 分幅索引: the sheets of a typed sheet's area written as an index in the
// window's system, then framed.
TEST(WindowFileModes, AnIndexMadeFromTheWindowIsFramed) {
  WindowUnderTest w;
  const std::string index = w.dir / "made.shp";
  w->rgtype->setItemIndex(0);
  w->edtMapNO->setText("J50E001001");  // a 1:50 000 sheet: its 1:10 000 sheets
  w->gb8054->setItemIndex(3);
  QString offered;
  w->dialogs().askIndex = [&](const QString& number, const QString&) -> std::optional<IndexRequest> {
    offered = number;
    IndexRequest r;
    r.scale = 10000;
    const auto e = DecodeMapNo(number.toStdString());
    r.box = GeoBox{e->westLon, e->southLat, e->westLon + e->lonSize, e->southLat + e->latSize};
    r.output = index;
    return r;
  };
  w->btnIndexClick();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  EXPECT_EQ(offered, "J50E001001");
  ASSERT_EQ(w.dialogs.questions.size(), 1u);
  EXPECT_TRUE(w.dialogs.questions[0].first.startsWith(U("写入 16 个图幅到 "))) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.questions[0].first.contains("CGCS2000")) << w.dialogs.describe();
  EXPECT_EQ(w->rgtype->itemIndex(), 1);
  EXPECT_EQ(w->edtFile->text(), QString::fromStdString(index));
  EXPECT_EQ(w->edtFileName->text(), "[TFH]");
}

}  // namespace
}  // namespace tarvik
