#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include "common/error.h"
#include "common/recording_feedback.h"
#include "settings/settings_apply.h"
#include "settings/settings_file.h"
#include "settings/settings_path.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

const ControlRecord* FindRecord(const SettingsDocument& doc, std::string_view form, std::string_view name) {
  const FormSettings* f = doc.findForm(form);
  if (!f) return nullptr;
  for (const auto& r : f->records)
    if (r.name == name) return &r;
  return nullptr;
}

TFrameSettings Changed() {
  TFrameSettings s;
  s.ScaleFactor = 5;
  s.GeodeticOutput = true;
  s.CreateMode = CreationMode::SheetNumber;
  s.CoordSysIndex = 1;
  s.centralMeridian = 117;
  s.is3DegreeZone = false;
  s.addZoneNumber = true;
  s.edtmian = "标题, with comma";
  s.morb = "一\r\n二\r\n三";
  s.edtrightbottom = "右下";
  s.senw = -5;
  s.seMain = 0;
  s.Rg4JAnn = false;
  s.sewd = 300.0L / 3600.0L;
  s.chkscaleBarShow = true;
  s.edtField = "NAME";
  s.SeX = -200;
  s.btntlitle1 = FontDesc::FromPoints("黑体", 36);
  s.btntlitle1.weight = 700;
  s.btntlitle1.color = 0x0000FF;
  s.btnleft.italic = true;
  return s;
}

TEST(SettingsApply, SettingsRoundTripThroughAFile) {
  test::TempDir dir;
  const fs::path file = dir / "tarvik.set";
  for (const TFrameSettings& original : {TFrameSettings{}, Changed()}) {
    SaveSettingsFile(file, BuildSettingsDocument(original));
    TFrameSettings loaded = original == TFrameSettings{} ? Changed() : TFrameSettings{};
    RecordingFeedback feedback;
    EXPECT_TRUE(LoadSettingsInto(file, loaded, feedback));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_TRUE(loaded == original);
  }
}

TEST(SettingsApply, RecordsUseTheWindowsPropertiesAndLineBreaks) {
  const SettingsDocument doc = BuildSettingsDocument(Changed());
  ASSERT_EQ(doc.forms.size(), 2u);
  EXPECT_EQ(doc.forms[0].name, "FrmTarvik");
  EXPECT_EQ(doc.forms[1].name, "Frmset");
  EXPECT_EQ(doc.forms[1].fonts.size(), 14u);
  const struct {
    const char* form;
    const char* name;
    ControlRecord record;
  } expected[] = {
      {"FrmTarvik", "cbFdf", {"cbFdf", "items", "1^3度分带法<Br>6度分带法<Br>"}},
      {"FrmTarvik", "gb8054", {"gb8054", "itemindex", "1"}},
      {"FrmTarvik", "centerL", {"centerL", "Value", "117"}},
      {"FrmTarvik", "edtMapscale1", {"edtMapscale1", "Text", "50000"}},
      {"Frmset", "morb", {"morb", "lines", "一<Br>二<Br>三<Br>"}},
      {"Frmset", "edtmian", {"edtmian", "Text", "标题, with comma"}},
      {"Frmset", "sewd", {"sewd", "Value", "300"}},
      {"Frmset", "chkscaleBarShow", {"chkscaleBarShow", "checked", "True"}},
      {"Frmset", "Rg4JAnn", {"Rg4JAnn", "itemindex", "0"}},
  };
  for (const auto& e : expected) {
    const ControlRecord* r = FindRecord(doc, e.form, e.name);
    ASSERT_NE(r, nullptr) << e.name;
    EXPECT_EQ(*r, e.record);
  }
}

TEST(SettingsApply, BadRecordsAreSkippedAndTheRestStillLoads) {
  SettingsDocument doc;
  doc.forms.push_back({"Frmset",
                       {{"senw", "Value", "abc"},
                        {"seMain", "Value", "5"},
                        {"rgGrid", "itemindex", "7"},
                        {"edtmian", "Value", "x"},
                        {"Chkiskmann", "checked", "maybe"},
                        {"seru", "Text", "12"},
                        {"SEW", "Value", "5000"},
                        {"edtNotASetting", "Text", "ignored"},
                        {"morb", "LINES", "x<br>y<br>"},
                        {"seleft", "Value", "44"}},
                       {}});
  doc.forms.push_back({"FrmTarvik",
                       {{"edtMapNO", "Text", "J-50-5"},
                        {"cbFdf", "items", "5^3度分带法<Br>6度分带法<Br>"},
                        {"rgjw", "itemindex", "1"}},
                       {}});
  TFrameSettings s;
  const auto report = ApplySettingsDocument(doc, s);
  ASSERT_EQ(report.skipped.size(), 5u);
  EXPECT_NE(report.skipped[0].find("senw,Value,abc"), std::string::npos) << report.skipped[0];
  EXPECT_NE(report.skipped[2].find("edtmian没有属性Value"), std::string::npos) << report.skipped[2];
  EXPECT_NE(report.skipped[4].find("cbFdf"), std::string::npos) << report.skipped[4];
  EXPECT_TRUE(report.unknownForm.empty());
  EXPECT_EQ(s.senw, 80);
  EXPECT_EQ(s.seMain, 5.0L);
  EXPECT_EQ(s.rgGrid, GridType::Kilometre);
  EXPECT_TRUE(s.Chkiskmann);
  EXPECT_EQ(s.seru, 12.0L);   // a spin edit's Text is its number
  EXPECT_EQ(s.SEW, 1000.0L);  // clamped as the spin edit does
  EXPECT_EQ(s.morb, "x\r\ny");
  EXPECT_EQ(s.seleft, 44.0L);
  EXPECT_TRUE(s.is3DegreeZone);
  EXPECT_TRUE(s.GeodeticOutput);

  // Through a file: one message lists every skipped record.
  test::TempDir dir;
  const fs::path file = dir / "tarvik.set";
  SaveSettingsFile(file, doc);
  RecordingFeedback feedback;
  TFrameSettings t;
  LoadSettingsInto(file, t, feedback);
  ASSERT_EQ(feedback.messages.size(), 1u);
  for (const char* part : {"senw,Value,abc", "rgGrid,itemindex,7", "edtmian,Value,x",
                           "Chkiskmann,checked,maybe", "cbFdf,items,5^"})
    EXPECT_NE(feedback.messages[0].find(part), std::string::npos) << part;
  EXPECT_TRUE(t == s);
}

TEST(SettingsApply, ComboRecords) {
  const struct {
    const char* value;
    bool threeDegree;
  } cases[] = {{"1^3度分带法<Br>6度分带法<Br>", false},
               {"0^3度分带法<Br>6度分带法<Br>", true},
               {"3度分带法<Br>6度分带法<Br>", true},
               {"1^A<Br>B<Br>", false},
               {"Itemindex", true}};
  for (const auto& c : cases) {
    TFrameSettings s;
    s.is3DegreeZone = !c.threeDegree;
    SettingsDocument doc;
    doc.forms.push_back({"FrmTarvik", {{"cbFdf", "items", c.value}}, {}});
    EXPECT_TRUE(ApplySettingsDocument(doc, s).skipped.empty());
    EXPECT_EQ(s.is3DegreeZone, c.threeDegree) << c.value;
  }
}

TEST(SettingsApply, AnUnknownFormEndsLoading) {
  SettingsDocument doc;
  doc.forms.push_back({"FrmTarvik", {{"rgtype", "itemindex", "2"}}, {}});
  doc.forms.push_back({"FrmOther", {{"senw", "Value", "1"}}, {}});
  doc.forms.push_back({"Frmset", {{"senw", "Value", "2"}}, {}});
  TFrameSettings s;
  const auto report = ApplySettingsDocument(doc, s);
  EXPECT_EQ(report.unknownForm, "FrmOther");
  EXPECT_EQ(s.CreateMode, CreationMode::PolygonFile);
  EXPECT_EQ(s.senw, 80);
}

TEST(SettingsApply, FontsByButtonName) {
  FontDesc red = FontDesc::FromPixels("黑体", 20);
  red.color = 0xFF;
  SettingsDocument doc;
  doc.forms.push_back({"Frmset", {}, {{"BTN4J", red}, {"btnDFont", std::nullopt}, {"btnNone", red}}});
  doc.forms.push_back({"FrmTarvik", {}, {{"btnXFont", red}}});  // not a button of that window
  TFrameSettings s;
  ApplySettingsDocument(doc, s);
  EXPECT_EQ(s.btn4j, red);
  EXPECT_EQ(s.btnDFont, TFrameSettings{}.btnDFont);
  EXPECT_EQ(s.btnXFont, TFrameSettings{}.btnXFont);
}

TEST(SettingsApply, UpdatingADocumentKeepsTheWindowsOtherControls) {
  SettingsDocument doc;
  doc.forms.push_back(
      {"frmtarvik",
       {{"edtMapNO", "Text", "J-50-5"}, {"GB8054", "itemindex", "2"}, {"gb8054", "itemindex", "1"}},
       {}});
  UpdateSettingsDocument(doc, TFrameSettings{});
  ASSERT_EQ(doc.forms.size(), 2u);
  const auto& records = doc.forms[0].records;
  EXPECT_EQ(records[0], (ControlRecord{"edtMapNO", "Text", "J-50-5"}));
  EXPECT_EQ(records[1], (ControlRecord{"gb8054", "itemindex", "0"}));
  EXPECT_EQ(std::count_if(records.begin(), records.end(),
                          [](const ControlRecord& r) { return r.name == "gb8054"; }),
            1);
  EXPECT_EQ(doc.forms[1].name, "Frmset");
}

TEST(SettingsApply, ADamagedFileKeepsWhatWasReadAndSaysSo) {
  TFrameSettings changed = Changed();
  const std::string bytes = WriteSettingsDocument(BuildSettingsDocument(changed));
  test::TempDir dir;
  const fs::path file = dir / "tarvik.set";
  test::WriteFile(file.string(), bytes.substr(0, bytes.size() / 2));
  TFrameSettings s;
  RecordingFeedback feedback;
  EXPECT_TRUE(LoadSettingsInto(file, s, feedback));
  ASSERT_EQ(feedback.messages.size(), 1u);
  EXPECT_NE(feedback.messages[0].find("已损坏"), std::string::npos) << feedback.messages[0];
  EXPECT_EQ(s.CreateMode, changed.CreateMode);  // the main window comes first
  EXPECT_EQ(s.edtmian, changed.edtmian);
  EXPECT_EQ(s.btntlitle1, TFrameSettings{}.btntlitle1);  // fonts come after the records

  // No file: nothing changes, nothing is said.
  TFrameSettings untouched;
  EXPECT_FALSE(LoadSettingsInto(dir / "missing.set", untouched, feedback));
  EXPECT_EQ(feedback.messages.size(), 1u);
  EXPECT_TRUE(untouched == TFrameSettings{});
}

TEST(SettingsSave, ReplacesTheFileWholeAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  const fs::path file = dir.path() / "sub" / "tarvik.set";  // folder made on saving
  SaveSettingsFile(file, BuildSettingsDocument(TFrameSettings{}));
  SaveSettingsFile(file, BuildSettingsDocument(Changed()));
  EXPECT_EQ(test::ReadFile(file.string()), WriteSettingsDocument(BuildSettingsDocument(Changed())));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(file.parent_path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(SettingsSave, AFailedRenameKeepsTheTargetAndRemovesTheTemporaryFile) {
  test::TempDir dir;
  const fs::path target = dir / "tarvik.set";
  fs::create_directory(target);
  test::WriteFile((target / "inside").string(), "x");
  try {
    SaveSettingsFile(target, BuildSettingsDocument(TFrameSettings{}));
    FAIL() << "saved over a folder";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("无法保存设置文件"), std::string::npos);
  }
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
  EXPECT_EQ(test::ReadFile((target / "inside").string()), "x");
}

TEST(SettingsSave, AWriteThatFailsHalfwayLeavesTheOldFileWhole) {
  test::TempDir dir;
  const fs::path file = dir / "tarvik.set";
  SaveSettingsFile(file, BuildSettingsDocument(TFrameSettings{}));
  const std::string before = test::ReadFile(file.string());
  SettingsDocument big = BuildSettingsDocument(Changed());
  big.forms[1].records.push_back({"edtmian", "Text", std::string(30000, 'x')});
  // In a child process, files may not grow past 2000 bytes: the write fails.
  EXPECT_EXIT(
      {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit;
        limit.rlim_cur = limit.rlim_max = 2000;
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
          SaveSettingsFile(file, big);
        } catch (const RunError&) {
          std::_Exit(3);
        }
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_EQ(test::ReadFile(file.string()), before);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(SettingsPath, BesideTheProgramOrInTheUsersConfiguration) {
  const struct {
    SettingsPathEnvironment env;
    const char* expected;
  } cases[] = {
      {{true, "/cfg", "/home/u"}, "/opt/tarvik/bin/tarvik.set"},
      {{false, "/cfg", "/home/u"}, "/cfg/tarvik/tarvik.set"},
      {{false, "", "/home/u"}, "/home/u/.config/tarvik/tarvik.set"},
      {{false, "relative", "/home/u"}, "/home/u/.config/tarvik/tarvik.set"},
      {{false, "", ""}, "/opt/tarvik/bin/tarvik.set"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SettingsFilePath("/opt/tarvik/bin/tarvik", c.env), fs::path(c.expected));
  EXPECT_EQ(SettingsFilePath("C/tools/frame.exe", SettingsPathEnvironment{}), fs::path("C/tools/frame.set"));

  test::TempDir dir;
  EXPECT_EQ(SettingsFilePath(dir.path() / "tarvik"), dir.path() / "tarvik.set");
  // A folder that cannot be written (here: one that does not exist).
  ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
  EXPECT_EQ(SettingsFilePath(dir.path() / "missing" / "tarvik"),
            dir.path() / "cfg" / "tarvik" / "tarvik.set");
  ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace tarvik
