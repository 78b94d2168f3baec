// The two file modes of the main window: picking the input file. Its
// coordinate system presets the window, its identifying fields fill the
// field list, and what was set for another input is not carried over
// silently: the condition is cleared, the meridian goes back to 自动, and the
// scale of an index is taken from its sheets again.
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "app/PasTarvik.h"
#include "app/input_map.h"
#include "app/run_worker.h"
#include "common/error.h"
#include "coords/datum.h"
#include "frame/input_facts.h"
#include "frame/name_template.h"
#include "run/make_index.h"
#include "settings/control_table.h"
#include "settings_ui/radio_group.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

std::string Text(const QString& text) { return text.toStdString(); }

}  // namespace

void TFrmTarvik::btnfileClick() {
  if (!dialogs_.openFile) return;
  const auto chosen = dialogs_.openFile(edtFile->text(), {U("*.shp (*.shp)")});
  if (chosen) PickInput(*chosen);
}

void TFrmTarvik::PickInput(const QString& path) {
  const bool newInput = path != pickedInput_;
  edtFile->setText(path);
  pickedInput_ = path;
  RememberPath(lstRecentInputs, path);
  if (newInput && !reditwhere->text().trimmed().isEmpty()) {
    // A condition written for another file would frame this one in part.
    reditwhere->setPlaceholderText(U("已清除上一个文件的条件：") + reditwhere->text().trimmed());
    reditwhere->clear();
  }
  // An index is drawn at its sheets' scale unless a scale is typed for it;
  // a polygon file at the scale in the box.
  if (rgtype->itemIndex() == 1)
    lblScaleSource->show();
  else
    lblScaleSource->hide();
  // Only inspected: nothing written.
  const InputInspection inspection = InspectInput(Text(path));
  const InputUse use = DefaultInputUse(inspection);
  lblInputSystem->setText(QString::fromStdString((inspection.ref.empty() ? std::string("没有坐标系统")
                                                  : inspection.coords    ? inspection.coords->description
                                                                         : std::string()) +
                                                 "：" + use.text));
  lblInputSystem->setToolTip(lblInputSystem->text());
  if (inspection.ref.empty()) {
    // Nothing says what its coordinates are: the person sets the system,
    // the meridian included, and the run checks it against the coordinates.
    chkAutoMeridian->setChecked(false);
    throw RunError("没有定义坐标系统");
  }
  ApplyInputSpatialRef(inspection.ref);
  const std::vector<std::string>& fields = inspection.nameFields;
  QStringList names;
  for (const std::string& field : fields) names << QString::fromStdString(field);
  const std::string field = FieldOfNewInput(Text(CbField->currentText()), fields, rgtype->itemIndex() == 1);
  CbField->clear();
  CbField->addItems(names);
  CbField->setCurrentIndex(static_cast<int>(names.indexOf(QString::fromStdString(field))));
  // A template naming a field the new file lacks gets the chosen one.
  bool templateNamesAField = false;
  try {
    templateNamesAField = !tarvik::GetNameField(Text(edtFileName->text()), fields).empty();
  } catch (const RunError&) {}
  if (!templateNamesAField && !field.empty())
    edtFileName->setText(QString::fromStdString(TemplateWithField(Text(edtFileName->text()), field)));
  FollowNameField(CbField->currentText());
  ShowMap();
}

void TFrmTarvik::btnIndexClick() {
  if (!dialogs_.askIndex) return;
  const QString folder = QFileInfo(edtoutFile->text().trimmed()).absolutePath();
  auto request = dialogs_.askIndex(rgtype->itemIndex() == 0 ? edtMapNO->text() : QString(),
                                   edtoutFile->text().trimmed().isEmpty() ? QString() : folder);
  if (!request) return;
  // The index's system is the one the window's controls choose.
  request->datum = DatumOfIndex(gb8054->itemIndex());
  request->is3DegreeZone = cbFdf->currentIndex() == 0;
  request->zonePrefix = rgisband->itemIndex() == 1;
  request->geographic = rgjw->itemIndex() == 1;
  if (!chkAutoMeridian->isChecked()) request->centralMeridian = centerL->value();
  // A cover on another datum reaches the index's by the seven parameters.
  if (const QString seven = edtTowgs84->text().trimmed(); !seven.isEmpty()) {
    const HelmertParse parsed = ParseHelmert(seven.toStdString());
    if (!parsed.parameters) throw RunError("七参数" + seven.toStdString() + "：" + parsed.reason);
    request->transformation = *parsed.parameters;
  }
  const std::string output = request->output;
  // A file of the same name is only replaced when the person says so.
  std::error_code ec;
  if (std::filesystem::exists(output, ec)) {
    const QString question = U("文件") + QString::fromStdString(output) + U("已存在，是否删除");
    if (!ConfirmBox(question, question)) return;
    request->overwrite = true;
  }
  const IndexResult result = RunOffTheWindow([&] { return MakeStandardIndex(*request); });
  QString text = U("写入 ") + QString::number(static_cast<qulonglong>(result.sheets)) + U(" 个图幅到 ") +
                 QString::fromStdString(output) + U("（") + QString::fromStdString(result.system) + U("）");
  for (const std::string& line : result.skipped) text += U("\n跳过") + QString::fromStdString(line);
  if (!ConfirmBox(text + U("\n\n用这个索引生成图廓？"), U("分幅索引"))) return;
  rgtype->setItemIndex(1);
  PickInput(QString::fromStdString(output));
  edtFileName->setText("[TFH]");
}

void TFrmTarvik::ShowMap() {
  if (!mapView) return;
  if (rgtype->itemIndex() == 0) {
    const long denominator =
        std::lround(static_cast<double>(ScaleDenominatorOfText(Text(edtMapscale1->text())).value_or(10000)));
    mapView->showShapes(SheetMapShapes(Text(edtMapNO->text()), denominator));
    return;
  }
  const std::string path = Text(edtFile->text());
  if (path.empty()) {
    mapView->showText(U("选择输入文件后，这里显示要生成图廓的要素"));
    return;
  }
  try {
    if (!mapInput_ || mapInput_->path != path) mapInput_ = InspectInput(path);
    mapView->showShapes(
        InputMapShapes(*mapInput_, Text(reditwhere->text()), Text(CbField->currentText()), 5000));
  } catch (const RunError& e) {
    mapInput_.reset();
    mapView->showText(QString::fromUtf8(e.what()));
  }
}

}  // namespace tarvik
