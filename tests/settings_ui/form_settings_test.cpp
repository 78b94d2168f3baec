#include <gtest/gtest.h>

#include <set>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>

#include "common/error.h"
#include "settings/settings_apply.h"
#include "settings/settings_file.h"
#include "settings_ui/control_widgets.h"
#include "settings_ui/font_button.h"
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

// The main window's settings controls and one control of every other kind
// the file knows, standing in for the main window.
class MainStandIn : public QWidget {
 public:
  MainStandIn() {
    setObjectName("FrmTarvik");
    for (const char* name : {"rgtype", "gb8054", "rgisband", "rgjw"}) {
      const ControlEntry* e = FindControl(SettingsForm::Main, name);
      auto* group = new TRadioGroup(QString(), this);
      group->setObjectName(name);
      QStringList items;
      for (auto item : e->items) items << QString::fromUtf8(item.data(), item.size());
      group->setItems(items);
    }
    cbFdf = new QComboBox(this);
    cbFdf->setObjectName("cbFdf");
    cbFdf->addItems({U("3度分带法"), U("6度分带法")});
    auto* centerL = new QSpinBox(this);
    centerL->setObjectName("centerL");
    centerL->setRange(75, 135);
    auto* scale = new QLineEdit(this);
    scale->setObjectName("edtMapscale1");
    list = new QListWidget(this);
    list->setObjectName("lbNames");
    rich = new QTextEdit(this);
    rich->setObjectName("reditwhere");
    oneLineRich = new QLineEdit(this);
    oneLineRich->setObjectName("reditOneLine");
    oneLineRich->setProperty("RichEdit", true);
    action = new QAction(this);
    action->setObjectName("N1");
    action->setCheckable(true);
    auto* label = new QLabel("label", this);
    label->setObjectName("Label1");
    auto* button = new QPushButton("button", this);
    button->setObjectName("Button1");
    child = new QDialog(this);  // a window of its own, not part of this form
    auto* foreign = new QLineEdit(child);
    foreign->setObjectName("edtInChild");
    ShowFormSettings(*this, SettingsForm::Main, TFrameSettings{});
  }

  QComboBox* cbFdf;
  QListWidget* list;
  QTextEdit* rich;
  QLineEdit* oneLineRich;
  QAction* action;
  QDialog* child;
};

const ControlRecord* Record(const FormSettings& form, const std::string& name) {
  for (const auto& r : form.records)
    if (r.name == name) return &r;
  return nullptr;
}

TEST(FormSettings, DialogGivesOneRecordPerControlAndItsFonts) {
  TFrmset dialog;
  const FormSettings form = FormSettingsOf(dialog);
  EXPECT_EQ(form.name, "Frmset");
  std::set<std::string> expected = {"SeTopMage", "SeBottomMage", "SeLeftMage", "SeRightMage"};
  std::set<std::string> expectedFonts;
  for (const ControlEntry& e : ControlTable()) {
    if (e.form != SettingsForm::Dialog) continue;
    (e.kind == ControlKind::FontButton ? expectedFonts : expected).insert(std::string(e.name));
  }
  std::set<std::string> names, fonts;
  for (const auto& r : form.records) {
    EXPECT_TRUE(names.insert(r.name).second) << "twice: " << r.name;
    const ControlEntry* e = FindControl(SettingsForm::Dialog, r.name);
    if (e) {
      EXPECT_EQ(r.property, FileProperty(e->kind)) << r.name;
    }
  }
  for (const auto& f : form.fonts) fonts.insert(f.button);
  EXPECT_EQ(names, expected);
  EXPECT_EQ(fonts, expectedFonts);

  // Values in the file's text forms.
  EXPECT_EQ(Record(form, "senw")->value, "80");
  EXPECT_EQ(Record(form, "rgGrid")->value, "1");
  EXPECT_EQ(Record(form, "Chkiskmann")->value, "True");
  EXPECT_EQ(Record(form, "chkscaleBarShow")->value, "False");
  EXPECT_EQ(Record(form, "edtscale")->value, "比例尺1:[scale]");
  EXPECT_EQ(Record(form, "molb")->value, "[坐标系]。<Br>1985国家高程基准。<Br>yyyy年mm月dd日<Br>");
}

TEST(FormSettings, EveryKindOfControlWithItsPropertyOnly) {
  MainStandIn main;
  main.cbFdf->setCurrentIndex(1);
  main.list->addItems({"A", "B"});
  main.rich->setPlainText("x = 1\nand y = 2");
  main.oneLineRich->setText("z = 3");
  main.action->setChecked(true);
  const FormSettings form = FormSettingsOf(main);
  const std::vector<ControlRecord> expected = {
      {"rgtype", "itemindex", "1"},
      {"gb8054", "itemindex", "0"},
      {"rgisband", "itemindex", "0"},
      {"rgjw", "itemindex", "0"},
      {"cbFdf", "items", "1^3度分带法<Br>6度分带法<Br>"},
      {"centerL", "Value", "87"},
      {"edtMapscale1", "Text", "10000"},
      {"lbNames", "items", "A<Br>B<Br>"},
      {"reditwhere", "Lines", "x = 1<Br>and y = 2<Br>"},
      {"reditOneLine", "Lines", "z = 3<Br>"},
      {"N1", "checked", "True"},
  };
  EXPECT_EQ(form.records, expected);
  EXPECT_TRUE(form.fonts.empty());
}

struct ComboCase {
  const char* value;
  QStringList items;
  int index;
};

TEST(FormSettings, ComboRecordsWithAndWithoutIndex) {
  MainStandIn main;
  for (const ComboCase& c : {ComboCase{"1^A<Br>B<Br>", {"A", "B"}, 1}, ComboCase{"A<Br>B<Br>", {"A", "B"}, 0},
                             ComboCase{"x^A<br>B<BR>", {"A", "B"}, 0},
                             ComboCase{"0^3度分带法<Br>6度分带法<Br>", {U("3度分带法"), U("6度分带法")}, 0},
                             ComboCase{"5^A<Br>", {"A"}, -1}, ComboCase{"1^", {}, -1}}) {
    FormSettings form{"FrmTarvik", {{"CBFDF", "Items", c.value}}, {}};
    EXPECT_TRUE(ApplyFormSettings(form, main).empty()) << c.value;
    QStringList items;
    for (int i = 0; i < main.cbFdf->count(); ++i) items << main.cbFdf->itemText(i);
    EXPECT_EQ(items, c.items) << c.value;
    EXPECT_EQ(main.cbFdf->currentIndex(), c.index) << c.value;
  }
}

TEST(FormSettings, ThreeLineMemoGoesThroughTheFileWithBreaks) {
  test::TempDir dir;
  const auto path = dir.path() / "t.set";
  TFrmset saved;
  Child<QPlainTextEdit>(saved, "molb")->setPlainText(U("一\n二,2\n三"));
  SaveAllSettings(path, {&saved});

  const auto read = LoadSettingsFile(path);
  ASSERT_TRUE(read && !read->damaged);
  EXPECT_EQ(Record(*read->document.findForm("Frmset"), "molb")->value, "一<Br>二,2<Br>三<Br>");

  TFrmset loaded;
  LoadAllSettings(path, {&loaded});
  QPlainTextEdit* memo = Child<QPlainTextEdit>(loaded, "molb");
  EXPECT_EQ(memo->blockCount(), 3);
  EXPECT_EQ(memo->toPlainText(), U("一\n二,2\n三"));
  TFrameSettings s;
  loaded.CollectSettings(s);
  EXPECT_EQ(s.molb, "一\r\n二,2\r\n三");
}

// Saved and loaded again, every control of both forms comes back: defaults,
// changed values, page margins, fonts with colour, style and LOGFONT fields.
TEST(FormSettings, BothFormsRoundTripThroughTheFile) {
  test::TempDir dir;
  const auto path = dir.path() / "sub" / "tarvik.set";
  for (bool changed : {false, true}) {
    const TFrameSettings main = changed ? test::ChangedSettings(SettingsForm::Main) : TFrameSettings{};
    const TFrameSettings dialogValues =
        changed ? test::ChangedSettings(SettingsForm::Dialog) : TFrameSettings{};
    MainStandIn mainForm;
    TFrmset dialog;
    ShowFormSettings(mainForm, SettingsForm::Main, main);
    dialog.ShowSettings(dialogValues);
    if (changed) {
      Child<QSpinBox>(dialog, "SeLeftMage")->setValue(7);
      FontDesc f = Child<TFontButton>(dialog, "btntlitle3")->fontDesc();
      f.underline = f.strikeOut = true;
      f.color = 0x00ABCDEF;
      f.escapement = 450;
      Child<TFontButton>(dialog, "btntlitle3")->setFontDesc(f);
    }
    EXPECT_TRUE(SaveAllSettings(path, {&mainForm, &dialog}).empty());

    MainStandIn mainLoaded;
    TFrmset dialogLoaded;
    Messages messages;
    ASSERT_TRUE(LoadAllSettings(path, {&mainLoaded, &dialogLoaded}, messages.function()));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(FormSettingsOf(mainLoaded), FormSettingsOf(mainForm)) << changed;
    EXPECT_EQ(FormSettingsOf(dialogLoaded), FormSettingsOf(dialog)) << changed;

    TFrameSettings collected;
    CollectFormSettings(mainLoaded, SettingsForm::Main, collected);
    dialogLoaded.CollectSettings(collected);
    TFrameSettings expected = dialogValues;
    CollectFormSettings(mainForm, SettingsForm::Main, expected);
    expected.btntlitle3 = Child<TFontButton>(dialog, "btntlitle3")->fontDesc();
    EXPECT_EQ(collected, expected) << changed << test::Differences(collected, expected);
  }
}

// The core's writer (the command line) and the window read and write the same
// file.
TEST(FormSettings, FilesOfTheCoreLoadIntoTheFormsAndBack) {
  test::TempDir dir;
  const auto path = dir.path() / "tarvik.set";
  TFrameSettings changed = test::ChangedSettings(SettingsForm::Dialog);
  changed.CreateMode = CreationMode::PolygonFile;
  changed.is3DegreeZone = false;
  changed.centralMeridian = 117;
  SaveSettingsFile(path, BuildSettingsDocument(changed));

  MainStandIn main;
  TFrmset dialog;
  Messages messages;
  ASSERT_TRUE(LoadAllSettings(path, {&main, &dialog}, messages.function()));
  EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].toStdString();
  TFrameSettings collected;
  CollectFormSettings(main, SettingsForm::Main, collected);
  dialog.CollectSettings(collected);
  EXPECT_EQ(collected, changed) << test::Differences(collected, changed);
  EXPECT_EQ(main.cbFdf->currentIndex(), 1);

  SaveAllSettings(path, {&main, &dialog});
  TFrameSettings read;
  const SettingsLoadReport report = LoadSettingsInto(path, read);
  EXPECT_TRUE(report.problems.empty());
  EXPECT_EQ(read, changed) << test::Differences(read, changed);
}

TEST(FormSettings, BadRecordsAreSkippedReportedOnceAndLoadingGoesOn) {
  test::TempDir dir;
  const auto path = dir.path() / "tarvik.set";
  SettingsDocument doc;
  doc.forms.push_back({"frmSET",
                       {{"seMain", "Value", "abc"},
                        {"edtmian", "itemindex", "3"},
                        {"rgGrid", "itemindex", "9"},
                        {"Chkiskmann", "checked", "Yes"},
                        {"btn4j", "Text", "x"},
                        {"nosuch", "Text", "x"},
                        {"SENW", "VALUE", "99"},
                        {"seYaDIS", "Value", "5000000"},
                        {"edtmian", "TEXT", "标题,带逗号"},
                        {"RGDMSMODE", "ItemIndex", "2"},
                        {"chkscalebarshow", "Checked", "true"}},
                       {{"BTNLEFT", FontDesc::FromPixels("黑体", 20)},
                        {"edtmian", FontDesc::FromPixels("黑体", 20)},
                        {"btnNone", FontDesc::FromPixels("黑体", 20)},
                        {"btnleftdown", std::nullopt}}});
  SaveSettingsFile(path, doc);

  TFrmset dialog;
  Messages messages;
  ASSERT_TRUE(LoadAllSettings(path, {&dialog}, messages.function()));
  ASSERT_EQ(messages.shown.size(), 1u);
  const std::string message = messages.shown[0].toStdString();
  for (const char* part : {"seMain,Value,abc", "edtmian,itemindex,3", "rgGrid,itemindex,9",
                           "Chkiskmann,checked,Yes", "btn4j,Text,x", "edtmian不是字体按钮"})
    EXPECT_NE(message.find(part), std::string::npos) << part << "\n" << message;
  EXPECT_EQ(message.find("nosuch"), std::string::npos);
  EXPECT_EQ(message.find("btnNone"), std::string::npos);

  TFrameSettings s;
  dialog.CollectSettings(s);
  TFrameSettings expected;
  expected.senw = 99;
  expected.seYaDIS = 1000000;  // clamped into the spin edit's range
  expected.edtmian = "标题,带逗号";
  expected.rgdmsmode = CornerLabelMode::Planar;
  expected.chkscaleBarShow = true;
  expected.btnleft = FontDesc::FromPixels("黑体", 20);
  EXPECT_EQ(s, expected) << test::Differences(s, expected);
  EXPECT_FALSE(Child<QWidget>(dialog, "gbCornerDigits")->isHidden());  // handlers followed
}

TEST(FormSettings, UnknownFormEndsLoadingAndDamageKeepsWhatCameBefore) {
  test::TempDir dir;
  const auto path = dir.path() / "tarvik.set";
  SettingsDocument doc;
  doc.forms.push_back({"Frmset", {{"senw", "Value", "11"}}, {}});
  doc.forms.push_back({"FrmOther", {{"senw", "Value", "22"}}, {}});
  doc.forms.push_back({"Frmset", {{"sentod", "Value", "33"}}, {}});
  SaveSettingsFile(path, doc);
  {
    TFrmset dialog;
    Messages messages;
    LoadAllSettings(path, {&dialog}, messages.function());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].contains("FrmOther"));
    TFrameSettings s;
    dialog.CollectSettings(s);
    EXPECT_EQ(s.senw, 11);
    EXPECT_EQ(s.sentod, 160);
  }
  // The file cut short inside the third form.
  doc.forms.erase(doc.forms.begin() + 1);
  std::string bytes = WriteSettingsDocument(doc);
  test::WriteFile(path.string(), bytes.substr(0, bytes.size() - 30));
  TFrmset dialog;
  Messages messages;
  LoadAllSettings(path, {&dialog}, messages.function());
  EXPECT_EQ(messages.shown.size(), 1u);
  TFrameSettings s;
  dialog.CollectSettings(s);
  EXPECT_EQ(s.senw, 11);
  EXPECT_EQ(s.sentod, 33);
}

TEST(FormSettings, NoFileChangesNothingAndSaysNothing) {
  test::TempDir dir;
  TFrmset dialog;
  Messages messages;
  EXPECT_FALSE(LoadAllSettings(dir.path() / "none.set", {&dialog}, messages.function()));
  EXPECT_TRUE(messages.shown.empty());
  TFrameSettings s;
  dialog.CollectSettings(s);
  EXPECT_EQ(s, TFrameSettings{});
}

TEST(FormSettings, SavingWhereNoFileCanBeMadeThrowsAndLeavesNothingBehind) {
  test::TempDir dir;
  test::WriteFile(dir / "plain", "x");
  std::filesystem::create_directory(dir.path() / "folder.set");
  TFrmset dialog;
  for (const auto& path : {dir.path() / "plain" / "tarvik.set", dir.path() / "folder.set"}) {
    try {
      SaveAllSettings(path, {&dialog});
      ADD_FAILURE() << "saved to " << path;
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
    }
  }
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 2);  // no half-written file left
  EXPECT_EQ(test::ReadFile(dir / "plain"), "x");
}

}  // namespace
}  // namespace tarvik
