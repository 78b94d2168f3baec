// The generation run of the main window: the widgets become a run request,
// the core plans it (every rule and check), the window asks what the plan
// needs asked (an existing output), the core runs it, and the window shows
// what came of it. Nothing here decides a meridian, a scale, a name or an
// output.
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>

#include "app/PasTarvik.h"
#include "app/run_worker.h"
#include "common/error.h"
#include "coords/datum.h"
#include "gdb/coordinate_transform.h"
#include "gdb/output_kind.h"
#include "run/coordinate_rules.h"
#include "run/run_execute.h"
#include "run/run_plan.h"
#include "settings_ui/control_widgets.h"
#include "settings_ui/pascoverset.h"
#include "settings_ui/radio_group.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

std::string Text(const QString& text) { return text.toStdString(); }

}  // namespace

RunRequest TFrmTarvik::GatherRequest(CreationMode mode) {
  CollectParameters();
  RunRequest r;
  r.mode = mode;
  r.settings = FSettings;
  r.sheetNumber = Text(edtMapNO->text());
  r.inputPath = Text(edtFile->text());
  r.where = Text(reditwhere->text());
  r.nameTemplate = Text(edtFileName->text());
  // The window's coordinate controls are always the person's statement
  // (picking an input presets them from its system); the meridian only when
  // 自动 is off, the scale only when it was not taken from the sheets.
  r.coords.datum = DatumOfIndex(gb8054->itemIndex());
  r.coords.is3DegreeZone = cbFdf->currentIndex() == 0;
  r.coords.zonePrefix = rgisband->itemIndex() == 1;
  r.coords.geographic = rgjw->itemIndex() == 1;
  if (!chkAutoMeridian->isChecked()) r.coords.centralMeridian = centerL->value();
  if (lblScaleSource->isHidden()) r.scale = Text(edtMapscale1->text());
  if (!FSettings.towgs84.empty()) {
    const HelmertParse parsed = ParseHelmert(FSettings.towgs84);
    if (!parsed.parameters) throw RunError("七参数" + FSettings.towgs84 + "：" + parsed.reason);
    r.transformation = *parsed.parameters;
  }
  r.output = Text(edtoutFile->text());
  r.existing = ExistingOutput::Refuse;
  return r;
}

std::optional<ExistingOutput> TFrmTarvik::AskAboutExistingOutput(const RunPlan& plan) {
  const QString P = QString::fromStdString(plan.output);
  if (!plan.outputExists) return ExistingOutput::Replace;  // nothing to replace
  if (IsFileGdbPath(plan.output)) {
    const QString question = U("目录") + P + U("已存在，是否删除");
    if (!ConfirmBox(question, question)) return std::nullopt;
    return ExistingOutput::Replace;
  }
  if (!plan.appendable) {
    const QString question = U("文件") + P + U("已存在，是否删除");
    if (!ConfirmBox(question, question)) return std::nullopt;
    return ExistingOutput::Replace;
  }
  // One question, replacing the default: frames are never added to an
  // existing file unless the person says so.
  const int answer =
      dialogs_.choose ? dialogs_.choose(U("文件") + P + U("已存在。替换它，还是把这次的图廓加入其中？"),
                                        U("输出已存在"), {U("替换"), U("加入其中"), U("取消")}, 0, QString())
                      : 2;
  if (answer == 0) return ExistingOutput::Replace;
  if (answer == 1) return ExistingOutput::Append;
  return std::nullopt;
}

void TFrmTarvik::ShowPlan(const RunPlan& plan) {
  if (plan.input)
    lblInputSystem->setText(QString::fromStdString(
        (plan.inputSystem.empty() ? std::string("没有坐标系统") : plan.inputSystem) + "：" + plan.inputUse));
  if (plan.input) lblInputSystem->setToolTip(lblInputSystem->text());
  // What the run decided is what the window shows.
  if (chkAutoMeridian->isChecked()) centerL->setValue(static_cast<int>(plan.settings.centralMeridian));
  if (plan.scaleFromSheets) {
    edtMapscale1->setText(
        QString::number(std::lround(static_cast<double>(plan.settings.ScaleFactor * 10000))));
    ClearScaleRefusal();
    lblScaleSource->show();
  }
}

void TFrmTarvik::Button1Click() {
  // The datum is kept before anything is checked.
  FSettings.CoordSysIndex = gb8054->itemIndex();
  const auto mode = static_cast<CreationMode>(rgtype->itemIndex());
  const RunRequest request = GatherRequest(mode);
  SetRunning(true);
  auto enableAgain = qScopeGuard([this] { SetRunning(false); });
  // The checks of a large input take a while: off the window's thread, the
  // window repainting and the check stoppable (nothing is written yet).
  if (mode != CreationMode::SheetNumber) progress_.ShowBusy(U("正在检查输入"), U("正在检查输入文件……"), true);
  std::optional<RunPlan> plan;
  try {
    plan = RunOffTheWindow([&] { return PlanRun(request, [this] { return progress_.aborted(); }); });
  } catch (const RunStopped&) {
    return;  // the person stopped it; nothing was written
  }
  progress_.EndRun();
  FSettings = plan->settings;
  ShowPlan(*plan);
  const auto existing = AskAboutExistingOutput(*plan);
  // A run of hours is not started without a word.
  if (!plan->layoutAdvice.empty() &&
      !ConfirmBox(QString::fromStdString(plan->layoutAdvice) + U("。\n仍按每幅一组图层生成吗？"),
                  U("图廓很多")))
    return;
  if (!existing) return;  // the person keeps the output as it is
  // The paths of a run that starts are the ones worth offering again.
  const QString P = QString::fromStdString(plan->output);
  RememberPath(lstRecentOutputs, P);
  if (mode != CreationMode::SheetNumber) RememberPath(lstRecentInputs, edtFile->text());

  RunHooks hooks;
  // The progress window names the frame just kept.
  hooks.frameDone = [this](int, int, const std::string& name) {
    feedback_.onWindowThread([&] { progress_.SetCurrentName(QString::fromStdString(name)); });
  };
  hooks.phase = [this](const std::string& what) {
    feedback_.onWindowThread([&] { progress_.ShowBusy(U("Tarvik"), QString::fromStdString(what), false); });
  };
  progress_.BeginRun();
  runMessages_.clear();
  feedback_.collectMessages(&runMessages_);
  const auto showAgain = qScopeGuard([this] { feedback_.collectMessages(nullptr); });
  const RunResult result = RunOffTheWindow([&] { return ExecuteRun(*plan, *existing, feedback_, hooks); });
  // The run is over: the window is the person's again while the box is open.
  enableAgain.dismiss();
  SetRunning(false);
  FRun.ZoneNumberText = result.run.ZoneNumberText;
  emit runFinished(P, result.frames.empty() ? QString() : QString::fromStdString(result.frames.front()));
  ReportRun(*plan, result);
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

void TFrmTarvik::ApplyInputSpatialRef(const SpatialReference& reference) {
  const InputCoordinates c = InputCoordinatesOf(reference);
  if (c.geographic) rgjw->setItemIndex(*c.geographic ? 1 : 0);
  // The output defaults to the input's system, or to the datum it is on;
  // the run reprojects the input into whatever the controls then say.
  chkAutoMeridian->setChecked(true);
  if (c.coordSysIndex) {
    gb8054->setItemIndex(*c.coordSysIndex);
  } else if (const auto datum = DatumPairOf(reference, reference).source) {
    gb8054->setItemIndex(IndexOf(*datum));
  } else {
    // On a datum the program has no row for: the person sets the output's,
    // and gives the seven parameters that lead there.
    feedback_.message("无法自动识别坐标系统，自己设置有关参数");
  }
  // A prefix chosen for another input is not kept for one whose system
  // does not say.
  rgisband->setItemIndex(c.addZoneNumber.value_or(false) ? 1 : 0);
  if (c.is3DegreeZone) cbFdf->setCurrentIndex(*c.is3DegreeZone ? 0 : 1);
  if (c.centralMeridian) centerL->setValue(static_cast<int>(*c.centralMeridian));
}

}  // namespace tarvik
