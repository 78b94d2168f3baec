// The generation run of the main window: its checks in their order, the
// output prepared, whole runs read back with GDAL.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include <QLabel>
#include <QTimer>

#include "app_test_support.h"
#include "gdb/output_lock.h"
#include "settings_ui/pascoverset.h"
#include "support/gdal_readback.h"
#include "support/test_shapefile.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;
using test::U;
using test::WindowUnderTest;

bool StartsWith(const QString& text, const char* prefix) { return text.startsWith(U(prefix)); }

// A real File Geodatabase or GeoPackage from a run of the window.
void MakeStore(const std::string& path) {
  WindowUnderTest w;
  w->rgtype->setItemIndex(0);
  w->edtoutFile->setText(QString::fromStdString(path));
  w->Button1->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  ASSERT_TRUE(fs::exists(path));
}

TEST(WindowRun, ChecksInTheirOrderWithTheirMessages) {
  struct Case {
    const char* what;
    std::function<void(WindowUnderTest&)> setup;
    const char* error;
  };
  const Case cases[] = {
      {"blank output",
       [](WindowUnderTest& w) {
         w->rgtype->setItemIndex(0);
         w->edtoutFile->setText("   ");
       },
       "输出不能为空"},
      {"bare file name",
       [](WindowUnderTest& w) {
         w->rgtype->setItemIndex(0);
         w->edtoutFile->setText("map.gdb");
       },
       "输出路径，不能为空"},
      // The template is checked before the output.
      {"no template",
       [](WindowUnderTest& w) {
         w->rgtype->setItemIndex(1);
         w->edtoutFile->setText("");
       },
       "字段值没有设置，所以输出图层名为空"},
      {"template without brackets",
       [](WindowUnderTest& w) {
         w->rgtype->setItemIndex(2);
         w->CbField->addItem("Name");
         w->edtFileName->setText("abc");
       },
       "文件名格式不正确"},
      {"brackets the wrong way round",
       [](WindowUnderTest& w) {
         w->rgtype->setItemIndex(1);
         w->CbField->addItem("Name");
         w->edtFileName->setText("]x[");
       },
       "文件名中，必须包括字段"},
      {"template accepted, output blank",
       [](WindowUnderTest& w) {
         w->rgtype->setItemIndex(1);
         w->CbField->addItem("Name");
         w->edtFileName->setText("[NAME]");
         w->edtoutFile->setText(" ");
       },
       "输出不能为空"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WindowUnderTest w;
    c.setup(w);
    w->Button1->click();
    ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
    EXPECT_EQ(w.dialogs.errors[0], U(c.error));
    EXPECT_TRUE(w.dialogs.messages.empty()) << "no elapsed time after an error";
    EXPECT_TRUE(w->Button1->isEnabled());
  }
}

TEST(WindowRun, DatumIsKeptBeforeAnyCheck) {
  WindowUnderTest w;
  w->rgtype->setItemIndex(0);
  w->gb8054->setItemIndex(2);
  w->edtoutFile->setText("");
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 1u);
  EXPECT_EQ(w->frameSettings().CoordSysIndex, 2);
}

TEST(WindowRun, PersonalGeodatabaseIsRefusedBeforeAnythingIsMade) {
  WindowUnderTest w;
  const std::string folder = w.dir / "new/folder";
  w->rgtype->setItemIndex(0);
  w->edtoutFile->setText(QString::fromStdString(folder + "/frames.mdb"));
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 1u);
  EXPECT_TRUE(w.dialogs.errors[0].contains(".gpkg")) << w.dialogs.errors[0].toStdString();
  EXPECT_TRUE(w.dialogs.errors[0].contains(".mdb"));
  EXPECT_FALSE(fs::exists(folder));
}

TEST(WindowRun, SheetNumberIntoEachKindOfStore) {
  // The end of the run is one box; its default shows the picture of the
  // frame, another button opens the QGIS project written beside the output.
  const struct {
    const char* name;
    int button;
  } cases[] = {{"deep/er/E45G095066.gdb", 2}, {"E45G095066.gpkg", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WindowUnderTest w;
    const std::string output = w.dir / c.name;
    w->rgtype->setItemIndex(0);
    w->edtoutFile->setText(QString::fromStdString(output));
    w.dialogs.choiceAnswers = {c.button};
    // The desktop opens the project here: no QGIS on PATH.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray("/nonexistent"));
    w->Button1->click();
    qputenv("PATH", path);
    ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
    EXPECT_TRUE(w.dialogs.messages.empty() && w.dialogs.questions.empty()) << w.dialogs.describe();
    // The box comes back after the button, Enter then closing it.
    ASSERT_EQ(w.dialogs.choices.size(), 2u) << w.dialogs.describe();
    EXPECT_EQ(w.dialogs.choices[1], w.dialogs.choices[0]);
    const QString project = QString::fromStdString(output + ".qgs");
    const QString& text = w.dialogs.choices[0].first;
    EXPECT_TRUE(StartsWith(text, "完成，用时")) << text.toStdString();
    EXPECT_TRUE(text.contains(U("毫秒\n写入 1 个图廓到 ") + QString::fromStdString(output)))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(U("QGIS工程：") + project)) << text.toStdString();
    EXPECT_EQ(w.dialogs.choices[0].second,
              (QStringList{U("查看第一幅图廓E45G095066"), U("打开文件夹"), U("打开QGIS工程"), U("关闭")}));
    EXPECT_TRUE(fs::is_regular_file(project.toStdString()));
    if (c.button == 2) {
      EXPECT_EQ(w.dialogs.opened, std::vector<QUrl>{QUrl::fromLocalFile(project)});
      EXPECT_TRUE(w.dialogs.shownFrames.empty());
    } else {
      ASSERT_EQ(w.dialogs.shownFrames.size(), 1u);
      EXPECT_EQ(w.dialogs.shownFrames[0].output, QString::fromStdString(output));
      EXPECT_EQ(w.dialogs.shownFrames[0].frames, QStringList{"E45G095066"});
    }
    EXPECT_TRUE(w->Button1->isEnabled());
    EXPECT_EQ(w->runValues().ZoneNumberText, "29");  // 3-degree zone of 87 E, no prefix
    const test::ReadStore store = test::ReadWithGdal(output);
    ASSERT_TRUE(store.has("L_E45G095066"));
    ASSERT_TRUE(store.has("p_E45G095066"));
    ASSERT_TRUE(store.has("a_E45G095066"));
    const test::ReadLayer& lines = store.layers.at("L_E45G095066");
    EXPECT_EQ(lines.epsg, 2374);  // Xi'an 1980 3-degree CM 87 E, zone 29
    EXPECT_GT(lines.countId(1), 4);
    EXPECT_GT(lines.countId(2), 0);
  }
}

TEST(WindowRun, GeographicBeijingSheetTakesItsSettingsFromTheWindow) {
  WindowUnderTest w;
  const std::string output = w.dir / "J50.gpkg";
  w->rgtype->setItemIndex(0);
  w->edtMapNO->setText("J-50-5");
  w->centerL->setValue(117);
  w->gb8054->setItemIndex(1);
  w->rgjw->setItemIndex(1);
  w->edtoutFile->setText(QString::fromStdString(output));
  w->Button1->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  const test::ReadStore store = test::ReadWithGdal(output);
  ASSERT_TRUE(store.has("L_J_50_5"));
  EXPECT_EQ(store.layers.at("L_J_50_5").epsg, 4214);
  EXPECT_TRUE(w->frameSettings().GeodeticOutput);
  EXPECT_EQ(w->frameSettings().datum(), Datum::Beijing54);
}

TEST(WindowRun, RectangularSheetNumberAtTheTypedScale) {
  WindowUnderTest w;
  const std::string output = w.dir / "r.gpkg";
  w->rgtype->setItemIndex(0);
  w->edtMapscale1->setText("500");
  emit w->edtMapscale1->textEdited("500");
  w->edtoutFile->setText(QString::fromStdString(output));
  // Its meridian is not told by the number: with 自动 on the run is refused.
  w->edtMapNO->setText("3810.40-500.75");
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors[0].contains(U("取消中央经线的“自动”"))) << w.dialogs.describe();
  w.dialogs.errors.clear();
  w->edtMapNOExit();  // leaving the box hands the meridian to the person
  EXPECT_FALSE(w->chkAutoMeridian->isChecked());
  w->edtMapNO->setText("3810.41-500.75");  // off the 1:500 grid: refused, nothing made
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors[0].contains(U("西南角不在1:500矩形图幅的格网上")));
  EXPECT_FALSE(fs::exists(output));
  w.dialogs.errors.clear();
  w->edtMapNO->setText("3810.40-500.75");
  w->Button1->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  EXPECT_EQ(w->centerL->value(), 87);  // no meridian suggested from a rectangular number
  const test::ReadStore store = test::ReadWithGdal(output);
  ASSERT_TRUE(store.has("L_3810_40_500_75")) << w.dialogs.describe();
  EXPECT_EQ(store.layers.at("L_3810_40_500_75").epsg, 2374);
}

// A meridian the person typed far from the sheet is refused with the
// sheet's own suggested; with 自动 the run takes the sheet's zone and the
// box shows it. The scale box shows the number's scale, and the notes name
// the datum drawn in.
TEST(WindowRun, ASheetFarFromTheMeridianIsRefusedUnlessAutomatic) {
  WindowUnderTest w;
  const std::string output = w.dir / "J50.gpkg";
  w->rgtype->setItemIndex(0);
  w->gb8054->setItemIndex(3);
  w->edtMapNO->setText("J-50-5");
  w->chkAutoMeridian->setChecked(false);
  w->centerL->setValue(120);
  w->edtoutFile->setText(QString::fromStdString(output));
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors[0].contains(U("建议中央经线 117"))) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.choices.empty()) << w.dialogs.describe();
  EXPECT_FALSE(fs::exists(output));
  EXPECT_EQ(w->centerL->value(), 120);

  w.dialogs.errors.clear();
  w->chkAutoMeridian->setChecked(true);
  w.dialogs.choiceAnswers = {test::kCloseBox};  // close the report
  w->Button1->click();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  EXPECT_EQ(w->centerL->value(), 117);
  EXPECT_EQ(w->edtMapscale1->text(), "100000");
  const test::ReadStore store = test::ReadWithGdal(output);
  ASSERT_TRUE(store.has("a_J_50_5"));
  EXPECT_EQ(store.layers.at("L_J_50_5").epsg, 4548);  // CGCS2000 3-degree CM 117
  const auto texts = store.layers.at("a_J_50_5").texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "J-50-5"), texts.end()) << "the subtitle [TFH]";
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.rfind("2000国家大地坐标系。", 0) == 0; }));
}

// Every input is checked before the existing output is offered for
// deletion: a refused run leaves it as it was and asks nothing.
TEST(WindowRun, WrongInputsAreFoundBeforeTheOutputIsTouched) {
  test::TempDir dir;
  const std::string output = dir / "old.gdb";
  MakeStore(output);
  const std::string area = dir / "area.shp";
  test::WriteTestShapefile(area, 2374, {"NAME"},
                           {{{{"NAME", "甲"}}, {test::Rectangle(613000, 1774000, 617500, 1778200)}}});
  struct Case {
    const char* what;
    std::function<void(WindowUnderTest&)> setup;
    const char* error;  // the start of the error shown
  };
  const Case cases[] = {
      {"empty sheet number", [](WindowUnderTest& w) { w->edtMapNO->setText(""); }, "图幅号不能空"},
      {"nine characters", [](WindowUnderTest& w) { w->edtMapNO->setText("E45G09506"); }, "图幅号输入错误："},
      {"row letter", [](WindowUnderTest& w) { w->edtMapNO->setText("a50G001001"); },
       "输入的a50G001001,错误的图幅号："},
      {"crosshairs every metre",
       [](WindowUnderTest& w) {
         w->settingsDialog()->findChild<QSpinBox*>("Seinterval")->setValue(1);
         w->settingsDialog()->findChild<TRadioGroup*>("rgGrid")->setItemIndex(2);
       },
       "网格间隔Seinterval为1米太小"},
      {"condition selecting nothing",
       [&](WindowUnderTest& w) {
         w->rgtype->setItemIndex(2);
         w->CbField->addItem("NAME");
         w->edtFileName->setText("[NAME]");
         w->edtFile->setText(QString::fromStdString(area));
         w->reditwhere->setText("NAME = 'nowhere'");
       },
       "没有数据，可能条件设置错误"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WindowUnderTest w;
    w->rgtype->setItemIndex(0);
    w->edtoutFile->setText(QString::fromStdString(output));
    c.setup(w);
    w->Button1->click();
    EXPECT_TRUE(w.dialogs.questions.empty()) << w.dialogs.describe();
    ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
    EXPECT_TRUE(StartsWith(w.dialogs.errors[0], c.error)) << w.dialogs.errors[0].toStdString();
    EXPECT_TRUE(w.dialogs.messages.empty()) << w.dialogs.describe();
    EXPECT_TRUE(w->Button1->isEnabled());
    EXPECT_TRUE(test::ReadWithGdal(output).has("L_E45G095066"));
  }
}

TEST(WindowRun, AnOutputAnotherRunWritesIsNeitherRemovedNorWritten) {
  test::TempDir dir;
  const std::string output = dir / "old.gdb";
  MakeStore(output);
  const OutputLock otherRun = OutputLock::Acquire(output);
  WindowUnderTest w;
  w->rgtype->setItemIndex(0);
  w->edtoutFile->setText(QString::fromStdString(output));
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors[0].contains(U("正在被另一个程序写入"))) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.questions.empty()) << "not even asked to remove it";
  EXPECT_TRUE(test::ReadWithGdal(output).has("L_E45G095066"));
  EXPECT_TRUE(w->Button1->isEnabled());
}

TEST(WindowRun, KeepingAnExistingGeodatabaseEndsTheRunSilently) {
  test::TempDir dir;
  const std::string output = dir / "old.gdb";
  MakeStore(output);
  WindowUnderTest w;
  w->rgtype->setItemIndex(0);
  w->edtMapNO->setText("J-50-5");
  w->centerL->setValue(117);
  w->edtoutFile->setText(QString::fromStdString(output));
  w.dialogs.answer = false;
  w->Button1->click();
  EXPECT_EQ(w.dialogs.questions.size(), 1u);
  EXPECT_TRUE(w.dialogs.messages.empty()) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors.empty());
  const test::ReadStore store = test::ReadWithGdal(output);
  EXPECT_TRUE(store.has("L_E45G095066"));
  EXPECT_FALSE(store.has("L_J_50_5"));
}

TEST(WindowRun, KeepingAnExistingGeoPackageWritesIntoIt) {
  test::TempDir dir;
  const std::string output = dir / "old.gpkg";
  MakeStore(output);
  WindowUnderTest w;
  w->rgtype->setItemIndex(0);
  w->edtMapNO->setText("J-50-5");
  w->centerL->setValue(117);
  w->edtoutFile->setText(QString::fromStdString(output));
  // One question about the existing file: cancelled, nothing happens.
  w.dialogs.choiceAnswers = {2};
  w->Button1->click();
  ASSERT_EQ(w.dialogs.choices.size(), 1u) << w.dialogs.describe();
  EXPECT_EQ(w.dialogs.choices[0].second, (QStringList{U("替换"), U("加入其中"), U("取消")}));
  EXPECT_TRUE(
      w.dialogs.choices[0].first.startsWith(U("文件") + QString::fromStdString(output) + U("已存在")));
  EXPECT_FALSE(test::ReadWithGdal(output).has("L_J_50_5"));

  // Added to it when the person says so; the end offers the frame this run
  // wrote, not the one already there.
  w.dialogs.choices.clear();
  w.dialogs.choiceAnswers = {1, test::kCloseBox};
  w->Button1->click();
  ASSERT_EQ(w.dialogs.choices.size(), 2u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.choices[1].first.contains(U("写入 1 个图廓到"))) << w.dialogs.describe();
  EXPECT_EQ(w.dialogs.choices[1].second.front(), U("查看第一幅图廓J_50_5"));
  EXPECT_TRUE(w.dialogs.shownFrames.empty());
  EXPECT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  const test::ReadStore store = test::ReadWithGdal(output);
  EXPECT_TRUE(store.has("L_E45G095066"));
  EXPECT_TRUE(store.has("L_J_50_5"));

  // A frame the kept file already holds is refused before anything is written.
  w.dialogs.errors.clear();
  w->edtMapNO->setText("e45g095066");
  w->Button1->click();  // not a valid number: refused before the question
  w->edtMapNO->setText("E45G095066");
  w->centerL->setValue(87);
  w.dialogs.choiceAnswers = {1};
  w->Button1->click();
  ASSERT_EQ(w.dialogs.errors.size(), 2u) << w.dialogs.describe();
  EXPECT_TRUE(w.dialogs.errors[1].endsWith(U("中已经有图廓E45G095066"))) << w.dialogs.errors[1].toStdString();
  EXPECT_EQ(test::ReadWithGdal(output).layers.size(), store.layers.size());
}

TEST(WindowRun, ReplacingAnExistingGeoPackage) {
  test::TempDir dir;
  const std::string output = dir / "old.gpkg";
  MakeStore(output);
  WindowUnderTest w;
  w->rgtype->setItemIndex(0);
  w->edtMapNO->setText("J-50-5");
  w->centerL->setValue(117);
  w->edtoutFile->setText(QString::fromStdString(output));
  w->Button1->click();
  EXPECT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  const test::ReadStore store = test::ReadWithGdal(output);
  EXPECT_FALSE(store.has("L_E45G095066"));
  EXPECT_TRUE(store.has("L_J_50_5"));
}

TEST(WindowRun, TrailingSeparatorNamesTheSameGeodatabase) {
  test::TempDir dir;
  const std::string output = dir / "sub/old.gdb";
  MakeStore(output);
  WindowUnderTest w;
  w->rgtype->setItemIndex(0);
  w->edtMapNO->setText("J-50-5");
  w->centerL->setValue(117);
  w->edtoutFile->setText(QString::fromStdString(output + "/"));
  w->Button1->click();  // the question about the existing folder is answered with OK
  EXPECT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  const test::ReadStore store = test::ReadWithGdal(output);
  EXPECT_FALSE(store.has("L_E45G095066"));
  EXPECT_TRUE(store.has("L_J_50_5"));
}

TEST(WindowRun, FolderThatOnlyLooksLikeAGeodatabaseIsNeverDeleted) {
  WindowUnderTest w;
  const std::string fake = w.dir / "photos.gdb";
  fs::create_directories(fake);
  test::WriteFile(fake + "/holiday.jpg", "not a geodatabase");
  const std::string file = w.dir / "notes.gpkg";
  test::WriteFile(file, "plain text, not a GeoPackage");
  for (const std::string& output : {fake, file}) {
    SCOPED_TRACE(output);
    w.dialogs.errors.clear();
    w->rgtype->setItemIndex(0);
    w->edtoutFile->setText(QString::fromStdString(output));
    w->Button1->click();  // the question is answered with OK
    ASSERT_EQ(w.dialogs.errors.size(), 1u) << w.dialogs.describe();
    EXPECT_TRUE(w.dialogs.errors[0].contains(U("不删除"))) << w.dialogs.errors[0].toStdString();
    EXPECT_TRUE(w->Button1->isEnabled());
  }
  EXPECT_EQ(test::ReadFile(fake + "/holiday.jpg"), "not a geodatabase");
  EXPECT_EQ(test::ReadFile(file), "plain text, not a GeoPackage");
}

}  // namespace
}  // namespace tarvik

namespace tarvik {
namespace {

// Replacing an output takes a while with many frames: the progress window
// says so, and the window goes on processing its events meanwhile.
TEST(WindowRun, RemovingAnExistingOutputShowsAndTheWindowStaysAwake) {
  test::TempDir dir;
  const std::string index = dir / "i.shp";
  ASSERT_EQ(
      test::RunCli({"make-index", "--scale", "10000", "--bbox", "88", "16", "88.5", "16.3", "-o", index})
          .exitCode,
      0);
  const std::string output = dir / "many.gdb";
  ASSERT_EQ(test::RunCli({"index", index, "-o", output, "--name-template", "[TFH]"}).exitCode, 0);
  WindowUnderTest w;
  w->rgtype->setItemIndex(0);
  w->edtoutFile->setText(QString::fromStdString(output));
  bool removalShown = false;
  int ticks = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    ++ticks;
    if (TMyProgress* p = w->progress().window())
      removalShown |= p->timeLabel()->text() == U("正在删除已有的输出……");
  });
  poll.start(0);
  w.dialogs.choiceAnswers = {test::kCloseBox};
  w->Button1->click();
  poll.stop();
  ASSERT_TRUE(w.dialogs.errors.empty()) << w.dialogs.describe();
  EXPECT_TRUE(removalShown);
  EXPECT_GT(ticks, 5) << "the window processed its events during the run";
  EXPECT_TRUE(test::ReadWithGdal(output).has("L_E45G095066"));
}

}  // namespace
}  // namespace tarvik

namespace tarvik {
namespace {

// Without a desktop handler the end box finds QGIS and a file manager on
// PATH, or shows the path to copy; long runs read in seconds and minutes.
TEST(WindowRun, TheEndBoxOpensWhatItOffersWithoutADesktop) {
  test::TempDir bin;
  for (const char* program : {"qgis", "nautilus"}) {
    test::WriteFile(bin / program, "#!/bin/sh\nexit 0\n");
    fs::permissions(bin / program, fs::perms::owner_all);
  }
  const QByteArray path = qgetenv("PATH");
  WindowUnderTest w;
  const std::string output = w.dir / "e.gpkg";
  w->rgtype->setItemIndex(0);
  w->edtoutFile->setText(QString::fromStdString(output));
  w.dialogs.openSucceeds = false;       // no desktop handler
  w.dialogs.choiceAnswers = {2, 1, 3};  // the project, the folder, close
  qputenv("PATH", QByteArray(bin.path().c_str()));
  w->Button1->click();
  ASSERT_EQ(w.dialogs.choices.size(), 3u) << w.dialogs.describe();
  ASSERT_EQ(w.dialogs.started.size(), 2u);
  EXPECT_EQ(w.dialogs.started[0],
            (QStringList{QString::fromStdString(bin / "qgis"), QString::fromStdString(output + ".qgs")}));
  EXPECT_TRUE(w.dialogs.started[1][0].endsWith("nautilus")) << w.dialogs.started[1].join(" ").toStdString();
  EXPECT_TRUE(w.dialogs.shownPaths.empty());
  // Nothing on PATH: the path to copy.
  qputenv("PATH", QByteArray("/nonexistent"));
  w.dialogs.choices.clear();
  w.dialogs.choiceAnswers = {0, 1, 3};  // replace the output; the folder; close
  w->Button1->click();
  qputenv("PATH", path);
  ASSERT_EQ(w.dialogs.shownPaths.size(), 1u) << w.dialogs.describe();
  EXPECT_EQ(w.dialogs.shownPaths[0].second, QString::fromStdString(w.dir.path().string()));

  EXPECT_EQ(ElapsedText(2999), U("2999毫秒"));
  EXPECT_EQ(ElapsedText(8295), U("8.3秒"));
  EXPECT_EQ(ElapsedText(12345), U("12.3秒"));
  EXPECT_EQ(ElapsedText(96951), U("1分36秒"));
  EXPECT_EQ(ElapsedText(3725000), U("1小时2分5秒"));
}

}  // namespace
}  // namespace tarvik
