// The generation run of the main window and what it needs: the checks in
// their order, the output prepared, the parameters collected, the builder of
// the chosen mode, the elapsed time; and the input file's coordinate system
// and naming fields when a file is picked.
#include <cmath>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>

#include "app/PasTarvik.h"
#include "common/error.h"
#include "common/text_util.h"
#include "frame/dxf_frame_store.h"
#include "frame/gdb_frame_store.h"
#include "coords/zone_reach.h"
#include "frame/index_sheets.h"
#include "frame/input_coordinates.h"
#include "frame/run_checks.h"
#include "gdb/class_queries.h"
#include "sheets/uttfhao.h"
#include "gdb/output_kind.h"
#include "gdb/output_lock.h"
#include "gdb/output_reader.h"
#include "gdb/output_removal.h"
#include "settings_ui/control_widgets.h"
#include "settings_ui/pascoverset.h"
#include "settings_ui/radio_group.h"
#include "frame/utCreateTkByTfhao.h"

namespace tarvik {
namespace fs = std::filesystem;
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

std::string Text(const QString& text) { return text.toStdString(); }

// The names of the frames a store holds, in the order they were written;
// none when it does not open.
std::vector<std::string> FrameNames(const std::string& output) {
  std::vector<std::string> names;
  try {
    if (!OutputExists(output)) return names;
    const OutputReader reader(output);
    for (const FrameInfo& f : reader.frames()) names.push_back(f.frame);
  } catch (const std::exception&) {
  }
  return names;
}

// The frames of the store that are not among `before`, in the order written.
std::vector<std::string> NewFrames(const std::string& output, const std::vector<std::string>& before) {
  const std::set<std::string> old(before.begin(), before.end());
  std::vector<std::string> added;
  for (const std::string& name : FrameNames(output))
    if (!old.count(name)) added.push_back(name);
  return added;
}

}  // namespace

void TFrmTarvik::Button1Click() {
  // 1. The datum is kept before anything is checked.
  FSettings.CoordSysIndex = gb8054->itemIndex();
  const auto mode = static_cast<CreationMode>(rgtype->itemIndex());
  // 2. The field of the output-name template.
  QString fieldName;
  if (mode != CreationMode::SheetNumber) fieldName = GetNameField();
  // 3., 4. The output and its folder.
  // A trailing separator ("…/x.gdb/") still names the same output.
  const QString P = QString::fromStdString(WithoutTrailingSeparators(Text(edtoutFile->text())));
  if (P.trimmed().isEmpty()) throw RunError("输出不能为空");
  const QString directory = DirectoryPart(P);
  if (directory.isEmpty()) throw RunError("输出路径，不能为空");
  const std::string output = Text(P);
  // The kind of store follows the ending; anything but .gdb and .gpkg is
  // refused before a folder is made for it.
  const OutputKind kind = OutputKindOf(output);
  // 7., 8. Every parameter of both windows, and every check of the inputs
  // and their coordinates, before the output is touched: a refused run
  // leaves an existing output as it was.
  // The scale of a typed sheet number is its scale letter's: the box shows
  // what the run draws.
  if (mode == CreationMode::SheetNumber && !LooksLikeRectNumber(Text(edtMapNO->text()))) {
    const MapNoReading reading = ReadMapNo(Text(edtMapNO->text()));
    if (!reading.number.empty()) SetScaleFromSheetNumbers(reading.scaleIndex);
  }
  CollectParameters();
  const auto checked = CheckRunInputs(mode, fieldName);
  if (!checked) return;  // the person kept settings the run cannot use
  const std::vector<std::string>& frames = *checked;
  // 5. The folder, with its parents (a failure shows when the store is made).
  std::error_code ec;
  fs::create_directories(fs::path(Text(directory)), ec);
  // 6. The output is locked against other runs for the whole run, before an
  // existing one is removed. An existing output: removed after confirmation,
  // and only when it is a store of ours.
  OutputLock lock = OutputLock::Acquire(output);
  if (kind == OutputKind::FileGdb) {
    if (fs::is_directory(output, ec)) {
      const QString question = U("目录") + P + U("已存在，是否删除");
      if (!ConfirmBox(question, question)) return;
      DeleteDirectory(P);
    }
  } else if (fs::exists(output, ec) && !fs::is_directory(output, ec)) {
    // One question, replacing the default: frames are never added to an
    // existing file unless the person says so.
    const int answer =
        dialogs_.choose ? dialogs_.choose(U("文件") + P + U("已存在。替换它，还是把这次的图廓加入其中？"),
                                          U("输出已存在"), {U("替换"), U("加入其中"), U("取消")}, 0)
                        : 2;
    if (answer == 0) {
      RemoveOutputStore(output);
    } else if (answer != 1) {
      return;
    } else {
      // Written into as it is: a frame it already holds (letter case
      // ignored, as the store compares names) cannot be made again.
      std::set<std::string> held;
      for (const std::string& name : FrameNames(output)) held.insert(ToUpperAscii(name));
      for (const std::string& name : frames)
        if (held.count(ToUpperAscii(name))) throw RunError("输出" + output + "中已经有图廓" + name);
    }
  }
  // The paths of a run that starts are the ones worth offering again.
  RememberPath(lstRecentOutputs, P);
  if (mode != CreationMode::SheetNumber) RememberPath(lstRecentInputs, edtFile->text());
  // 9.-11.
  const std::vector<std::string> framesBefore = FrameNames(output);
  QElapsedTimer clock;
  clock.start();
  SetRunning(true);
  TtkBaseClass::Counts counts;
  {
    const auto enableAgain = qScopeGuard([this] { SetRunning(false); });
    // 12. The builder of the mode.
    counts = mode == CreationMode::SheetNumber ? CreateByMapNo(output) : CreateByFile(mode, output, fieldName);
  }  // 14.
  // The run is over: the output is free for others while the box is open.
  lock.release();
  // 13. What was written, where, in what time; the ways to look at it.
  const std::vector<std::string> written = NewFrames(output, framesBefore);
  emit runFinished(P, written.empty() ? QString() : QString::fromStdString(written.front()));
  ReportRun(P, written, clock.elapsed(), progress_.runAborted(), counts.refused);
}

std::optional<std::vector<std::string>> TFrmTarvik::CheckRunInputs(CreationMode mode, const QString& fieldName) {
  std::vector<std::string> names;
  if (mode == CreationMode::SheetIndex) {
    // The sheet numbers of an index name their scale: the run draws at it,
    // and the box says so. Without such numbers the sheets' size is checked
    // against the scale in the box.
    if (const FeatureClass input = OpenShapefileClass(Text(edtFile->text()))) {
      if (const auto scale = IndexNumberScale(input, Text(reditwhere->text().trimmed()),
                                              {Text(fieldName), FSettings.edtField})) {
        SetScaleFromSheetNumbers(*scale);
        FSettings.ScaleFactor = static_cast<long double>(ScaleDenominatorOfIndex(*scale)) / 10000;
      }
    }
  }
  if (mode == CreationMode::SheetNumber) {
    CheckMapNo();
    // A rectangular number is checked on its grid with the coordinates below.
    if (!LooksLikeRectNumber(Text(edtMapNO->text()))) CheckSheetRun(Text(edtMapNO->text()), FSettings);
    names.push_back(CleanFrameName(Text(edtMapNO->text())));
  } else {
    names = CheckFileRun({mode, Text(edtFile->text()), Text(reditwhere->text().trimmed()), Text(fieldName),
                          Text(edtFileName->text())},
                         FSettings)
                .names;
  }
  if (!CheckRunCoordinates(mode)) return std::nullopt;
  return names;
}

TtkBaseClass::Counts TFrmTarvik::CreateByMapNo(const std::string& output) {
  const std::string number = Text(edtMapNO->text());
  if (LooksLikeRectNumber(number)) {
    // Checked with the coordinates before the output was touched.
    const RectSheet sheet = TypedRectSheet(number);
    TCreateTkByTfhao builder(sheet, FSettings, FRun, OpenFrameStore(output, feedback_, OutputLayoutOf(FSettings)),
                             feedback_);
    // Geographic output was told and refused by the builder.
    builder.RunAndClose(output);
    FRun.ZoneNumberText = builder.run().ZoneNumberText;
    return builder.counts();
  }
  TCreateTkByTfhao builder(number, FSettings, FRun, OpenFrameStore(output, feedback_, OutputLayoutOf(FSettings)),
                           feedback_);
  // A wrong number was reported by the codec; nothing is written then.
  builder.RunAndClose(output);
  FRun.ZoneNumberText = builder.run().ZoneNumberText;
  return builder.counts();
}

void TFrmTarvik::CollectParameters() {
  FRun.ZoneNumberText.clear();
  std::vector<std::string> problems = CollectFormSettings(*this, SettingsForm::Main, FSettings);
  for (std::string& line : dlg->CollectSettings(FSettings)) problems.push_back(std::move(line));
  if (!problems.empty()) {
    std::string text = "参数读取失败：";
    for (const std::string& line : problems) text += "\n" + line;
    throw RunError(text);
  }
}

int TFrmTarvik::DeleteDirectory(const QString& path) {
  std::error_code ec;
  if (!fs::is_directory(Text(path), ec)) return 0;
  RemoveOutputStore(Text(path));
  return 0;
}

void TFrmTarvik::ApplyInputSpatialRef(const SpatialReference& reference) {
  const InputCoordinates c = InputCoordinatesOf(reference);
  if (c.geographic) rgjw->setItemIndex(*c.geographic ? 1 : 0);
  // A system the program does not know: the person sets the rest, and the
  // run checks what they set against the file's coordinates.
  if (!c.recognised) feedback_.message("无法自动识别坐标系统，自己设置有关参数");
  if (c.coordSysIndex) gb8054->setItemIndex(*c.coordSysIndex);
  if (c.addZoneNumber) rgisband->setItemIndex(*c.addZoneNumber ? 1 : 0);
  if (c.is3DegreeZone) cbFdf->setCurrentIndex(*c.is3DegreeZone ? 0 : 1);
  if (c.centralMeridian) centerL->setValue(static_cast<int>(*c.centralMeridian));
}

RectSheet TFrmTarvik::TypedRectSheet(const std::string& number) const {
  const long denominator = std::lround(static_cast<double>(FSettings.ScaleFactor * 10000));
  auto parsed = ParseRectNumber(number, denominator);
  if (auto* reason = std::get_if<std::string>(&parsed)) throw RunError(*reason);
  return std::get<RectSheet>(parsed);
}

bool TFrmTarvik::CheckRunCoordinates(CreationMode mode) {
  if (mode == CreationMode::SheetNumber) {
    SilentFeedback quiet;  // a wrong number is reported by the run itself
    const std::string number = Text(edtMapNO->text());
    // A rectangular sheet at the typed scale, on its grid and in the chosen
    // Gauss-Krueger system.
    if (LooksLikeRectNumber(number)) {
      CheckRectSheetCoordinates(CoordParamsOf(FSettings), TypedRectSheet(number));
      return true;
    }
    const std::string current = NormalizeMapNo(number, quiet);
    if (current.empty()) return true;
    const auto extent = DecodeMapNo(current, quiet);
    if (!extent) return true;
    const long double west = extent->westLon, east = west + extent->lonSize;
    try {
      CheckSheetCoordinates(FSettings, west, east, number);
    } catch (const RunError& e) {
      // A meridian left from other data: offered the sheet's own, and the
      // run goes on with it when the person agrees.
      const auto suggested = static_cast<int>(ZoneMeridianOf((west + east) / 2, FSettings.is3DegreeZone));
      if (suggested == static_cast<int>(FSettings.centralMeridian) || suggested < centerL->minimum() ||
          suggested > centerL->maximum() || !dialogs_.choose)
        throw;
      const QString change = U("改用中央经线 ") + QString::number(suggested);
      if (dialogs_.choose(QString::fromUtf8(e.what()) + U("\n\n") + change + U("，继续生成图廓？"), U("中央经线"),
                          {change, U("取消")}, 0) != 0)
        return false;
      centerL->setValue(suggested);
      FSettings.centralMeridian = suggested;
      CheckSheetCoordinates(FSettings, west, east, number);
    }
    return true;
  }
  const std::string input = Text(edtFile->text());
  const FeatureClass cls = OpenShapefileClass(input);
  if (!cls) return true;  // the builder says what is wrong with the file
  const SpatialReference ref = DatasetSpatialReference(cls);
  const InputCoordinates c = InputCoordinatesOf(ref);
  if (const auto extent = SelectionExtent(cls, Text(reditwhere->text().trimmed())))
    CheckInputCoordinates(c, ref, FSettings, *extent, input);
  return true;
}

}  // namespace tarvik
