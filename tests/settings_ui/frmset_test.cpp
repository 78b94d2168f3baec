#include <gtest/gtest.h>

#include <climits>
#include <set>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include "settings_ui/font_button.h"
#include "settings_ui/font_dialog.h"
#include "settings_ui/form_settings.h"
#include "settings_ui/pascoverset.h"
#include "settings_ui/radio_group.h"
#include "settings_ui_support.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

using test::Child;
using test::Messages;

QString U(const char* text) { return QString::fromUtf8(text); }

TEST(Frmset, DefaultsAreTheDefaultSettings) {
  TFrmset dialog;
  TFrameSettings collected = test::ChangedSettings(SettingsForm::Dialog);
  collected.ScaleFactor = 2.5L;  // a main-window member: collecting leaves it alone
  ASSERT_NE(collected, TFrameSettings{});
  EXPECT_TRUE(dialog.CollectSettings(collected).empty());
  TFrameSettings expected;
  expected.ScaleFactor = 2.5L;
  EXPECT_EQ(collected, expected) << test::Differences(collected, expected);
}

TEST(Frmset, ShowsAndCollectsEverySettingWhole) {
  const TFrameSettings changed = test::ChangedSettings(SettingsForm::Dialog);
  TFrmset dialog;
  dialog.ShowSettings(changed);
  TFrameSettings collected;
  EXPECT_TRUE(dialog.CollectSettings(collected).empty());
  EXPECT_EQ(collected, changed) << test::Differences(collected, changed);
  EXPECT_EQ(Child<QPlainTextEdit>(dialog, "morb")->blockCount(), 3);
}

TEST(Frmset, FormPagesAndCaptions) {
  TFrmset dialog;
  EXPECT_EQ(dialog.objectName(), "Frmset");
  EXPECT_EQ(dialog.windowTitle(), U("参数设置(距离单位为0.1毫米)"));
  QTabWidget* pages = Child<QTabWidget>(dialog, "PageControl1");
  ASSERT_NE(pages, nullptr);
  const char* captions[] = {"基本信息",     "四周标注", "图廓信息",  "网格信息",
                            "接合图表信息", "比例尺条", "页边距设置"};
  ASSERT_EQ(pages->count(), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(pages->tabText(i), U(captions[i]));
  for (const char* title : {"经纬差", "网格标注字体大小设置", "相对内图廓左上角的位置(单位0.1毫米)",
                            "大小尺寸(单位0.1毫米)", "是否标注比例尺条", "主标题", "副标题1", "副标题2",
                            "地图下边中部", "右下角", "右上角", "左边单位信息", "左下角"}) {
    bool found = false;
    for (QGroupBox* g : dialog.findChildren<QGroupBox*>()) found = found || g->title() == U(title);
    EXPECT_TRUE(found) << title;
  }
  EXPECT_EQ(Child<QCheckBox>(dialog, "chkscaleBarShow")->text(), U("标注比例尺条"));
  EXPECT_EQ(Child<QCheckBox>(dialog, "chkSetDa")->text(), U("为00重新设置大数"));
}

// Every control of the table is on the dialog with its kind, items, range and
// tag; the page margins are there too, with their own defaults.
TEST(Frmset, EveryControlWithKindItemsRangeAndTag) {
  const std::set<std::string> tagged = {
      "seMain",       "semian1",       "semian2",      "sescale",         "serb", "seru",   "seMapTitleTop",
      "semapTitler",  "seleft",        "selb",         "sentod",          "senw", "seoutw", "Seinterval",
      "SeLineLength", "seJd",          "sewd",         "sejwcrosslen",    "SeX",  "SeY",    "SEW",
      "SeH",          "seScaleBarlen", "sescalebarkd", "seScaleBarHeight"};
  TFrmset dialog;
  int fonts = 0;
  for (const ControlEntry& e : ControlTable()) {
    if (e.form != SettingsForm::Dialog) continue;
    const std::string name(e.name);
    QWidget* w = Child<QWidget>(dialog, name.c_str());
    ASSERT_NE(w, nullptr) << name;
    switch (e.kind) {
      case ControlKind::SpinEdit: {
        auto* spin = qobject_cast<QSpinBox*>(w);
        ASSERT_NE(spin, nullptr) << name;
        EXPECT_EQ(spin->minimum(), e.range ? e.range->min : INT_MIN) << name;
        EXPECT_EQ(spin->maximum(), e.range ? e.range->max : INT_MAX) << name;
        EXPECT_EQ(spin->property("Tag").toInt(), tagged.count(name) ? 1 : 0) << name;
        break;
      }
      case ControlKind::RadioGroup: {
        auto* group = qobject_cast<TRadioGroup*>(w);
        ASSERT_NE(group, nullptr) << name;
        EXPECT_EQ(group->title(), QString::fromUtf8(e.caption.data(), e.caption.size()));
        ASSERT_EQ(group->count(), static_cast<int>(e.items.size())) << name;
        for (int i = 0; i < group->count(); ++i)
          EXPECT_EQ(group->items()[i], QString::fromUtf8(e.items[i].data(), e.items[i].size()));
        break;
      }
      case ControlKind::FontButton:
        EXPECT_NE(qobject_cast<TFontButton*>(w), nullptr) << name;
        EXPECT_EQ(w->property("Tag").toInt(), 89) << name;
        ++fonts;
        break;
      case ControlKind::Edit:
        EXPECT_NE(qobject_cast<QLineEdit*>(w), nullptr) << name;
        break;
      case ControlKind::Memo:
        EXPECT_NE(qobject_cast<QPlainTextEdit*>(w), nullptr) << name;
        break;
      case ControlKind::CheckBox:
        EXPECT_NE(qobject_cast<QCheckBox*>(w), nullptr) << name;
        break;
      default:
        ADD_FAILURE() << "unexpected kind of " << name;
    }
  }
  EXPECT_EQ(fonts, 14);

  struct Margin {
    const char* name;
    int value;
  };
  for (const Margin& m : {Margin{"SeTopMage", 400}, Margin{"SeBottomMage", 400}, Margin{"SeLeftMage", 500},
                          Margin{"SeRightMage", 500}}) {
    QSpinBox* spin = Child<QSpinBox>(dialog, m.name);
    ASSERT_NE(spin, nullptr) << m.name;
    EXPECT_EQ(spin->value(), m.value);
    EXPECT_EQ(spin->minimum(), 0);
    EXPECT_EQ(spin->maximum(), 3000);
    EXPECT_EQ(spin->property("Tag").toInt(), 0);
  }
}

// At its own size every caption, item and button text of every page fits.
TEST(Frmset, NoCaptionIsCutOnAnyPage) {
  TFrmset dialog;
  dialog.setSaveAllSettings([] {});
  for (int grid : {1, 2, 4}) {
    Child<TRadioGroup>(dialog, "rgGrid")->setItemIndex(grid);
    dialog.show();
    for (int page = 0; page < TFrmset::kPageCount; ++page) {
      dialog.pageControl()->setCurrentIndex(page);
      ASSERT_EQ(dialog.pageControl()->currentIndex(), page);
      QWidget* shown = dialog.pageControl()->currentWidget();
      QApplication::processEvents();
      for (QWidget* w : shown->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QGroupBox*>(w))
          continue;
        const QSize need = w->minimumSizeHint();
        EXPECT_GE(w->width(), need.width()) << page << " " << w->objectName().toStdString();
        EXPECT_GE(w->height(), need.height()) << page << " " << w->objectName().toStdString();
        const QRect inPage(w->mapTo(shown, QPoint(0, 0)), w->size());
        EXPECT_TRUE(shown->rect().contains(inPage)) << page << " " << w->objectName().toStdString();
      }
    }
    dialog.hide();
  }
}

TEST(Frmset, FreeSpinEditsTakeZeroNegativesAndExtremes) {
  TFrmset dialog;
  QSpinBox* senw = Child<QSpinBox>(dialog, "senw");
  for (int v : {0, -1, INT_MIN, INT_MAX}) {
    senw->setValue(v);
    TFrameSettings s;
    dialog.CollectSettings(s);
    EXPECT_EQ(s.senw, v);
  }
  QSpinBox* seX = Child<QSpinBox>(dialog, "SeX");
  seX->setValue(-500);
  EXPECT_EQ(seX->value(), -200);
}

TEST(Frmset, ShowingRightAlignsTheTaggedSpinEdits) {
  TFrmset dialog;
  for (QSpinBox* spin : dialog.findChildren<QSpinBox*>())
    EXPECT_FALSE(spin->alignment() & Qt::AlignRight) << spin->objectName().toStdString();
  dialog.show();
  for (QSpinBox* spin : dialog.findChildren<QSpinBox*>()) {
    const bool right = (spin->alignment() & Qt::AlignRight) != 0;
    EXPECT_EQ(right, spin->property("Tag").toInt() == 1) << spin->objectName().toStdString();
  }
  dialog.hide();
}

struct GridCase {
  int g;
  bool graticule, fonts, lineLength, interval, cross;
};

TEST(Frmset, GridTypeShowsItsGroups) {
  TFrmset dialog;
  TRadioGroup* rgGrid = Child<TRadioGroup>(dialog, "rgGrid");
  for (const GridCase& c :
       {GridCase{0, false, false, false, false, false}, GridCase{1, false, true, false, true, false},
        GridCase{2, false, true, true, true, false}, GridCase{3, true, true, false, false, false},
        GridCase{4, true, true, false, false, true}, GridCase{1, false, true, false, true, false}}) {
    rgGrid->button(c.g)->click();  // as a person chooses it
    EXPECT_EQ(!Child<QWidget>(dialog, "gbJwc")->isHidden(), c.graticule) << c.g;
    EXPECT_EQ(!Child<QWidget>(dialog, "gbGridFont")->isHidden(), c.fonts) << c.g;
    EXPECT_EQ(!Child<QWidget>(dialog, "pnlLineLength")->isHidden(), c.lineLength) << c.g;
    EXPECT_EQ(!Child<QWidget>(dialog, "pnlInterval")->isHidden(), c.interval) << c.g;
    EXPECT_EQ(!Child<QWidget>(dialog, "pnlJwCross")->isHidden(), c.cross) << c.g;
  }
  // Values set in code (loading) take effect the same way.
  TFrameSettings s;
  s.rgGrid = GridType::GraticuleCrosses;
  dialog.ShowSettings(s);
  EXPECT_FALSE(Child<QWidget>(dialog, "pnlJwCross")->isHidden());
  EXPECT_TRUE(Child<QWidget>(dialog, "pnlInterval")->isHidden());
}

TEST(Frmset, LabelModeIntervalAndCornerChoicesShowTheirControls) {
  TFrmset dialog;
  auto shown = [&](const char* name) { return !Child<QWidget>(dialog, name)->isHidden(); };

  // Defaults: 度分秒 corners, 1000 m interval, corners labelled.
  EXPECT_TRUE(shown("rgwdalignmode"));
  EXPECT_FALSE(shown("gbCornerDigits"));
  EXPECT_TRUE(shown("rgHor"));
  EXPECT_FALSE(shown("gbGridDigits"));
  EXPECT_TRUE(shown("btn4j"));

  TRadioGroup* mode = Child<TRadioGroup>(dialog, "rgdmsmode");
  for (int m : {1, 2, 0}) {
    mode->button(m)->click();
    EXPECT_EQ(shown("rgwdalignmode"), m == 0) << m;
    EXPECT_EQ(shown("gbCornerDigits"), m == 2) << m;
  }

  QSpinBox* interval = Child<QSpinBox>(dialog, "Seinterval");
  for (int v : {999, 1000, -5, 100000, 0}) {
    interval->setValue(v);
    const bool below = v < 1000;
    EXPECT_EQ(shown("rgHor"), !below) << v;
    EXPECT_EQ(shown("rgver"), !below) << v;
    EXPECT_EQ(shown("gbGridDigits"), below) << v;
  }

  TRadioGroup* corners = Child<TRadioGroup>(dialog, "Rg4JAnn");
  corners->button(0)->click();
  EXPECT_FALSE(shown("btn4j"));
  corners->button(1)->click();
  EXPECT_TRUE(shown("btn4j"));
}

class PageChange : public ::testing::Test {
 protected:
  void SetUp() override { dialog.setMessageFunction(messages.function()); }
  void Go(int page) { dialog.pageControl()->setCurrentIndex(page); }
  int Page() const { return dialog.pageControl()->currentIndex(); }
  void SetGrid(int type, int interval, int length) {
    Child<TRadioGroup>(dialog, "rgGrid")->setItemIndex(type);
    Child<QSpinBox>(dialog, "Seinterval")->setValue(interval);
    Child<QSpinBox>(dialog, "SeLineLength")->setValue(length);
  }

  TFrmset dialog;
  Messages messages;
};

TEST_F(PageChange, CrosshairLongerThanTheIntervalKeepsTheGridPage) {
  SetGrid(2, 40, 50);
  Go(TFrmset::kGridPage);
  ASSERT_EQ(Page(), TFrmset::kGridPage);  // entering is never checked
  Go(TFrmset::kTablePage);
  EXPECT_EQ(Page(), TFrmset::kGridPage);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], U("十字丝的长度，不能大于间隔"));
  Go(TFrmset::kBasicPage);
  EXPECT_EQ(Page(), TFrmset::kGridPage);
  EXPECT_EQ(messages.shown.size(), 2u);

  // Equal lengths, or a grid without crosshairs, may leave.
  SetGrid(2, 50, 50);
  Go(TFrmset::kTablePage);
  EXPECT_EQ(Page(), TFrmset::kTablePage);
  Go(TFrmset::kGridPage);
  SetGrid(1, 40, 50);
  Go(TFrmset::kFramePage);
  EXPECT_EQ(Page(), TFrmset::kFramePage);
  EXPECT_EQ(messages.shown.size(), 2u);
}

// Closing by 关闭, Esc or the close box makes the same check, whatever page
// is shown, and shows the grid page.
TEST_F(PageChange, CrosshairLongerThanTheIntervalKeepsTheDialogOpen) {
  for (const int how : {0, 1, 2}) {
    SCOPED_TRACE(how);
    messages.shown.clear();
    Go(TFrmset::kBasicPage);
    SetGrid(2, 1000, 2000);
    dialog.show();
    if (how == 0) dialog.accept();
    if (how == 1) {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(&dialog, &escape);
    }
    if (how == 2) dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Page(), TFrmset::kGridPage);
    EXPECT_EQ(messages.shown, std::vector<QString>{U("十字丝的长度，不能大于间隔")});
    SetGrid(2, 1000, 1000);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
  }
}

TEST_F(PageChange, BracketsInTheFieldNameAreRemovedOnceAndThePageStays) {
  struct Case {
    const char *typed, *cleaned;
  };
  for (const Case& c : {Case{"[NAME]", "NAME"}, Case{"a]b[c]", "abc]"}, Case{"[[x]]", "[x]"}}) {
    messages.shown.clear();
    Go(TFrmset::kTablePage);
    ASSERT_EQ(Page(), TFrmset::kTablePage);
    QLineEdit* field = Child<QLineEdit>(dialog, "edtField");
    field->setText(U(c.typed));
    Go(TFrmset::kScaleBarPage);
    EXPECT_EQ(Page(), TFrmset::kTablePage) << c.typed;
    EXPECT_EQ(field->text(), U(c.cleaned));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], U("这里是字段名,不支持嵌套,自动更新了"));
    if (!field->text().contains('[')) {
      Go(TFrmset::kScaleBarPage);
      EXPECT_EQ(Page(), TFrmset::kScaleBarPage) << c.typed;
      EXPECT_EQ(messages.shown.size(), 1u);
    }
    field->clear();
    Go(TFrmset::kBasicPage);
  }
  // Field names without brackets leave at once.
  Go(TFrmset::kTablePage);
  Child<QLineEdit>(dialog, "edtField")->setText("NAME]");
  Go(TFrmset::kBasicPage);
  EXPECT_EQ(Page(), TFrmset::kBasicPage);
}

TEST(Frmset, FontButtonsOpenTheFontDialogAndKeepWhatQFontLacks) {
  TFrmset dialog;
  TFontButton* button = Child<TFontButton>(dialog, "btnleftdown");
  FontDesc start = button->fontDesc();
  start.color = 0x0000FF00;
  start.charSet = 0;
  start.quality = 2;
  button->setFontDesc(start);

  QFont offered;
  std::optional<QFont> answer;
  int asked = 0;
  dialog.setFontDialogFunction([&](const QFont& initial, QWidget*) {
    ++asked;
    offered = initial;
    return answer;
  });

  button->click();  // cancelled
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(offered.family(), U("宋体"));
  EXPECT_EQ(offered.pointSize(), 10);  // 13 px
  EXPECT_EQ(button->fontDesc(), start);

  QFont chosen(U("黑体"));
  chosen.setPointSize(28);
  chosen.setItalic(true);
  answer = chosen;
  button->click();
  FontDesc expected = start;
  expected.face = "黑体";
  expected.height = -37;
  expected.italic = true;
  EXPECT_EQ(button->fontDesc(), expected);
  TFrameSettings s;
  dialog.CollectSettings(s);
  EXPECT_EQ(s.btnleftdown, expected);

  // All fourteen buttons share the handler.
  for (TFontButton* b : dialog.findChildren<TFontButton*>()) b->click();
  EXPECT_EQ(asked, 2 + 14);
}

// The font dialog keeps a face as given, installed here or not: the name is
// what ArcGIS draws the texts with.
TEST(Frmset, FontDialogKeepsTheFaceAsGiven) {
  TFrmset dialog;
  TFontButton* button = Child<TFontButton>(dialog, "btntlitle1");
  const struct {
    const char* typed;  // nullptr: OK without touching the face
    const char* face;
  } cases[] = {{nullptr, "宋体"}, {"仿宋", "仿宋"}, {" 方正小标宋简体 ", "方正小标宋简体"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    QString note;
    QTimer::singleShot(0, [&] {
      auto* font = qobject_cast<TFontDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(font, nullptr);
      if (c.typed) font->familyBox()->setEditText(U(c.typed));
      note = font->substituteNote();
      font->accept();
    });
    button->click();
    EXPECT_EQ(button->fontDesc().face, c.face);
    EXPECT_EQ(button->fontDesc().pointSize(), 50);
    EXPECT_TRUE(note.contains(U(c.face))) << "shown with a stand-in: " << note.toStdString();
  }
  TFrameSettings s;
  dialog.CollectSettings(s);
  EXPECT_EQ(s.btntlitle1.face, "方正小标宋简体");
}

TEST(Frmset, ClosingSavesAllFormsEveryTime) {
  TFrmset dialog;
  int saves = 0;
  dialog.setSaveAllSettings([&] { ++saves; });
  dialog.show();
  dialog.accept();
  dialog.show();
  dialog.reject();
  dialog.show();
  dialog.close();
  EXPECT_EQ(saves, 3);
}

TEST(Frmset, ClosingWithoutAMainWindowSavesTheDialogToItsSettingsFile) {
  test::TempDir dir;
  const auto path = dir.path() / "tarvik.set";
  TFrameSettings changed = test::ChangedSettings(SettingsForm::Dialog);
  {
    TFrmset dialog;
    dialog.setSettingsPath(path);
    dialog.ShowSettings(changed);
    dialog.show();
    dialog.accept();
  }
  TFrmset restored;
  Messages messages;
  ASSERT_TRUE(LoadAllSettings(path, {&restored}, messages.function()));
  EXPECT_TRUE(messages.shown.empty());
  TFrameSettings s;
  restored.CollectSettings(s);
  EXPECT_EQ(s, changed) << test::Differences(s, changed);
}

TEST(Frmset, AFailedSaveIsShown) {
  test::TempDir dir;
  test::WriteFile(dir / "file", "x");
  TFrmset dialog;
  Messages messages;
  dialog.setMessageFunction(messages.function());
  dialog.setSettingsPath(dir.path() / "file" / "tarvik.set");  // below a plain file
  dialog.show();
  dialog.accept();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_TRUE(messages.shown[0].startsWith(U("无法保存设置文件"))) << messages.shown[0].toStdString();
}

TEST(Frmset, ModalOpeningsKeepTheValues) {
  TFrmset dialog;
  dialog.setSaveAllSettings([] {});
  QSpinBox* senw = Child<QSpinBox>(dialog, "senw");
  for (int round = 0; round < 2; ++round) {
    QTimer::singleShot(0, &dialog, [&] {
      EXPECT_TRUE(dialog.isModal());
      if (round == 0) senw->setValue(123);
      dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(senw->value(), 123);
  }
}

}  // namespace
}  // namespace tarvik

namespace tarvik {
namespace {

// Named settings: the shipped layout of rectangular sheets loaded, saved
// under a name of one's own, and back to the defaults.
TEST(Frmset, NamedSettingsLoadSaveAndReset) {
  test::TempDir dir;
  TFrmset dialog;
  dialog.setSaveAllSettings([] {});
  std::vector<QString> answers = {QString::fromStdString(test::SharedFile("rect_sheets.set")),
                                  QString::fromStdString(dir / "mine")};
  std::vector<bool> saving;
  dialog.setSettingsFileFunction([&](bool save, const QString&) -> std::optional<QString> {
    saving.push_back(save);
    const QString answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  auto* senw = Child<QSpinBox>(dialog, "senw");
  EXPECT_EQ(senw->value(), 80);
  dialog.LoadNamedSettings();
  EXPECT_EQ(senw->value(), 120);
  EXPECT_EQ(Child<QLineEdit>(dialog, "edtru")->text(), QString::fromUtf8("秘密"));
  dialog.SaveNamedSettings();
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "mine.set"));
  EXPECT_EQ(saving, (std::vector<bool>{false, true}));
  dialog.ResetSettings();
  EXPECT_EQ(senw->value(), 80);
  answers = {QString::fromStdString(dir / "mine.set")};
  dialog.LoadNamedSettings();
  EXPECT_EQ(senw->value(), 120);
}

}  // namespace
}  // namespace tarvik
