// The generation run of the main window and what it needs: the checks in
// their order, the output prepared, the parameters collected, the builder of
// the chosen mode, the elapsed time; and the input file's coordinate system
// and naming fields when a file is picked.
#include <cmath>
#include <filesystem>
#include <set>
#include <system_error>

#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QUrl>

#include "app/PasTarvik.h"
#include "common/error.h"
#include "common/text_util.h"
#include "deliver/qgis_project.h"
#include "frame/dxf_frame_store.h"
#include "frame/gdb_frame_store.h"
#include "frame/input_coordinates.h"
#include "frame/run_checks.h"
#include "gdb/class_queries.h"
#include "sheets/uttfhao.h"
#include "gdb/output_kind.h"
#include "gdb/output_reader.h"
#include "gdb/output_removal.h"
#include "settings/qt/control_widgets.h"
#include "settings/qt/pascoverset.h"
#include "settings/qt/radio_group.h"
#include "sheets/utCreateTkByTfhao.h"
#ifdef TARVIK_HAVE_PREVIEW
#include "preview/preview.h"
#endif

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

// The first frame of the store that is not among `before`.
std::string FirstNewFrame(const std::string& output, const std::vector<std::string>& before) {
  const std::set<std::string> old(before.begin(), before.end());
  for (const std::string& name : FrameNames(output))
    if (!old.count(name)) return name;
  return {};
}

// Offers to open the QGIS project written beside the output.
void OfferProject(WindowDialogs& dialogs, const std::string& project) {
  const QString path = QString::fromStdString(project);
  if (!dialogs.confirm || !dialogs.confirm(U("QGIS工程已写入") + path + U("，是否打开？"), U("QGIS工程"))) return;
  if (dialogs.openUrl && !dialogs.openUrl(QUrl::fromLocalFile(path)) && dialogs.errorWithCaption)
    dialogs.errorWithCaption(U("没有程序能打开") + path + U("，请安装QGIS"), U("打开文件") + path);
}

// Resolution of the preview picture: a 1:10 000 sheet (about 60 cm on paper)
// comes to some 2 300 pixels, enough to read its texts when zoomed in.
constexpr int kPreviewDpi = 96;

}  // namespace

void TFrmTarvik::Button1Click() {
  // 1. The datum is kept before anything is checked.
  FSettings.CoordSysIndex = gb8054->itemIndex();
  const int mode = rgtype->itemIndex();
  // 2. The field of the output-name template.
  QString fieldName;
  if (mode == 1 || mode == 2) fieldName = GetNameField();
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
  CollectParameters();
  const std::vector<std::string> frames = CheckRunInputs(mode, fieldName);
  // 5. The folder, with its parents (a failure shows when the store is made).
  std::error_code ec;
  fs::create_directories(fs::path(Text(directory)), ec);
  // 6. An existing output: removed after confirmation, and only when it is a
  // store of ours.
  if (kind == OutputKind::FileGdb) {
    if (fs::is_directory(output, ec)) {
      const QString question = U("目录") + P + U("已存在，是否删除");
      if (!ConfirmBox(question, question)) return;
      DeleteDirectory(P);
    }
  } else if (fs::exists(output, ec) && !fs::is_directory(output, ec)) {
    const QString question = U("文件") + P + U("已存在，是否删除");
    if (ConfirmBox(question, question)) {
      RemoveOutputStore(output);
    } else {
      // Written into as it is: a frame it already holds (letter case
      // ignored, as the store compares names) cannot be made again.
      std::set<std::string> held;
      for (const std::string& name : FrameNames(output)) held.insert(ToUpperAscii(name));
      for (const std::string& name : frames)
        if (held.count(ToUpperAscii(name))) throw RunError("输出" + output + "中已经有图廓" + name);
    }
  }
  // 9.-11.
  FRun.StandardSheetMode = mode < 2;
  const std::vector<std::string> framesBefore = FrameNames(output);
  QElapsedTimer clock;
  clock.start();
  Button1->setEnabled(false);
  running_ = true;
  {
    const auto enableAgain = qScopeGuard([this] {
      Button1->setEnabled(true);
      running_ = false;
    });
    // 12. The builder of the mode.
    if (mode == 2)
      CreateByAreaFile(output, fieldName);
    else if (mode == 1)
      CreateByStandardFile(output, fieldName);
    else
      CreateByMapNo(output);
    // 13.
    if (dialogs_.message)
      dialogs_.message(U("完成，用时") + QString::number(clock.elapsed()) + U("毫秒"));
  }  // 14.
  const QString firstFrame = QString::fromStdString(FirstNewFrame(output, framesBefore));
  emit runFinished(P, firstFrame);
  if (firstFrame.isEmpty()) return;
  // The project is written before anything is offered, so that it is there
  // whatever the answers.
  const deliver::DeliveredFiles project = deliver::WriteQgisProject(output);
  OfferPreview(P, firstFrame);
  OfferProject(dialogs_, project.project);
}

std::vector<std::string> TFrmTarvik::CheckRunInputs(int mode, const QString& fieldName) {
  std::vector<std::string> names;
  if (mode == 0) {
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
  CheckRunCoordinates(mode);
  return names;
}

void TFrmTarvik::CreateByMapNo(const std::string& output) {
  const std::string number = Text(edtMapNO->text());
  if (LooksLikeRectNumber(number)) {
    // Checked with the coordinates before the output was touched.
    const RectSheet sheet = TypedRectSheet(number);
    TCreateTkByTfhao builder(sheet, FSettings, FRun, OpenFrameStore(output, feedback_), feedback_);
    builder.Run();  // geographic output was told and refused by the builder
    FRun.ZoneNumberText = builder.run().ZoneNumberText;
    builder.CloseOutput();
    return;
  }
  TCreateTkByTfhao builder(number, FSettings, FRun, OpenFrameStore(output, feedback_), feedback_);
  builder.Run();  // a wrong number was reported by the codec; nothing is written then
  FRun.ZoneNumberText = builder.run().ZoneNumberText;
  builder.CloseOutput();
}

void TFrmTarvik::OfferPreview(const QString& output, const QString& frame) {
#ifdef TARVIK_HAVE_PREVIEW
  if (!ConfirmBox(U("是否预览第一幅图廓") + frame + U("？"), U("预览"))) return;
  const QImage image = RenderFrameImage(Text(output), Text(frame), kPreviewDpi);
  if (dialogs_.showImage) dialogs_.showImage(image, U("预览 ") + frame);
#else
  (void)output;
  (void)frame;
#endif
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

void TFrmTarvik::CheckRunCoordinates(int mode) {
  if (mode == 0) {
    SilentFeedback quiet;  // a wrong number is reported by the run itself
    const std::string number = Text(edtMapNO->text());
    // A rectangular sheet at the typed scale, on its grid and in the chosen
    // Gauss-Krueger system.
    if (LooksLikeRectNumber(number)) {
      CheckRectSheetCoordinates(CoordParamsOf(FSettings), TypedRectSheet(number));
      return;
    }
    const std::string current = NormalizeMapNo(number, quiet);
    if (current.empty()) return;
    if (const auto extent = DecodeMapNo(current, quiet))
      CheckSheetCoordinates(FSettings, extent->westLon, extent->westLon + extent->lonSize, number);
    return;
  }
  const std::string input = Text(edtFile->text());
  const FeatureClass cls = OpenShapefileClass(input);
  if (!cls) return;  // the builder says what is wrong with the file
  const SpatialReference ref = DatasetSpatialReference(cls);
  const InputCoordinates c = InputCoordinatesOf(ref);
  if (const auto extent = SelectionExtent(cls, Text(reditwhere->text().trimmed())))
    CheckInputCoordinates(c, ref, FSettings, *extent, input);
}

}  // namespace tarvik
