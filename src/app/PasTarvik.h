// TFrmTarvik: the main window, form name "FrmTarvik". The person picks how
// frames are created (a typed sheet number, a standard sheet index file or an
// administrative division file), the datum, zones and central meridian, the
// scale, planar or geographic output and the output store, and starts the
// run with "生成图廓". The settings dialog (TFrmset) is created with the
// window and kept.
//
// Every control carries its object name; the names are also the keys of the
// settings file, and the controls that feed TFrameSettings are found through
// the one control table (CollectParameters).
//
// The handlers carry the names of the events they serve and can be called
// directly; a handler that fails throws RunError. Connected to the widgets,
// they run guarded: an error is shown in an error box titled "Tarvik" and the
// window stays usable. Every dialog goes through dialogs(), so tests answer
// them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include <QString>
#include <QWidget>

#include "app/utProgress.h"
#include "app/window_dialogs.h"
#include "app/window_feedback.h"
#include "app/window_rules.h"
#include "frame/input_facts.h"
#include "frame/utTkBaseClass.h"
#include "run/run_execute.h"
#include "run/run_plan.h"
#include "settings/frame_settings.h"
#include "sheets/rect_sheets.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QDragEnterEvent;
class QDropEvent;
class QLineEdit;
class QListWidget;
class QMimeData;
class QMenu;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace tarvik {
class InputMapView;
}

namespace tarvik {

class SpatialReference;
class TFrmset;
class TRadioGroup;

class TFrmTarvik : public QWidget {
  Q_OBJECT

 public:
  // `programPath` decides where the settings file and the manual are
  // (beside the program); empty: the running program's own path.
  explicit TFrmTarvik(const std::filesystem::path& programPath = {}, QWidget* parent = nullptr);
  ~TFrmTarvik() override;

  WindowDialogs& dialogs() { return dialogs_; }
  TFrmset* settingsDialog() const { return dlg; }
  ProgressState& progress() { return progress_; }
  UserFeedback& feedback() { return feedback_; }

  // The values of the last run (also after a failure) and its result.
  const TFrameSettings& frameSettings() const { return FSettings; }
  const RunValues& runValues() const { return FRun; }
  // Where the settings file is written and the manual is looked for.
  std::filesystem::path settingsFilePath() const;
  std::filesystem::path manualPath() const;
  // Whether a run is going on (the button is disabled meanwhile).
  bool running() const { return running_; }

  // ---- Event handlers ----
  void FormCreate();
  void FormShow();
  void FormClose();
  void rgtypeClick();
  void btnoutClick();
  void btnfileClick();
  // An input file picked (dialog, drop or recent list): its coordinate
  // system presets the window, its fields fill the field box.
  void PickInput(const QString& path);
  // Local files in `data`: a .shp is picked as the input, a .gdb or .gpkg
  // becomes the output. False when nothing in it is either; with `take`
  // false only tells whether a drop would be taken.
  bool DropFiles(const QMimeData* data, bool take);
  void CbFieldChange();
  void edtMapNOExit();
  void N15001Click(QAction* sender);
  // Something typed or pasted into the scale box that no scale can hold was
  // refused: a beep, a red frame and a tooltip saying what the box takes.
  void edtMapscale1Refused();
  void btndownClick();
  void Button9Click();
  void Button10Click();
  void Button1Click();
  void btnIndexClick();

  // ---- Operations ----
  void CheckMapNo();
  QString GetNameField();
  void ApplyInputSpatialRef(const SpatialReference& reference);
  // The run the widgets ask for (CollectParameters first). The coordinate
  // controls state the output system; the meridian only when 自动 is off,
  // the scale only when it was not taken from the sheets (按图幅).
  RunRequest GatherRequest(CreationMode mode);
  // What to do with the plan's existing output, as the person answers;
  // none when they keep it (the run ends silently).
  std::optional<ExistingOutput> AskAboutExistingOutput(const RunPlan& plan);
  void CollectParameters();
  void RightAlignTagged();
  bool ConfirmBox(const QString& text, const QString& caption);
  // Hands the file to the desktop; false (after the error box) when nothing opened it.
  bool ShellOpen(const QString& path, const QString& verb = "open");

  // Runs a handler as the application's default handler would: an error is
  // shown in the error box and goes no further.
  template <typename Fn>
  void Guarded(Fn&& fn) {
    try {
      fn();
    } catch (const std::exception& e) {
      ShowError(e);
    }
  }

  // ---- Controls (object names as in the settings file) ----
  TRadioGroup* rgtype = nullptr;
  QGroupBox* gbMapno = nullptr;
  QLineEdit* edtMapNO = nullptr;
  QGroupBox* gbFile = nullptr;
  QLineEdit* edtFile = nullptr;
  QPushButton* btnfile = nullptr;
  QComboBox* CbField = nullptr;
  QLineEdit* edtFileName = nullptr;
  QLineEdit* reditwhere = nullptr;
  // Seven parameters for an input on another datum than the output's.
  QLineEdit* edtTowgs84 = nullptr;
  TRadioGroup* gb8054 = nullptr;
  TRadioGroup* rgisband = nullptr;
  QGroupBox* gbFdf = nullptr;
  QComboBox* cbFdf = nullptr;
  QSpinBox* centerL = nullptr;
  QCheckBox* chkAutoMeridian = nullptr;
  QGroupBox* gbScale = nullptr;
  QLineEdit* edtMapscale1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  TRadioGroup* rgjw = nullptr;
  QGroupBox* gboutfile = nullptr;
  QLineEdit* edtoutFile = nullptr;
  QComboBox* cbLayout = nullptr;
  QPushButton* btnout = nullptr;
  // Menus of the recent inputs and outputs, and the lists that keep them.
  QToolButton* btnRecentInputs = nullptr;
  QToolButton* btnRecentOutputs = nullptr;
  QListWidget* lstRecentInputs = nullptr;
  QListWidget* lstRecentOutputs = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* btndown = nullptr;
  // 分幅索引: a standard sheet index for an area, then framed if wanted.
  QPushButton* btnIndex = nullptr;
  QPushButton* Button9 = nullptr;
  QPushButton* Button10 = nullptr;
  // Below the form: what the run would frame.
  InputMapView* mapView = nullptr;

 signals:
  // A run ended without an error; `firstFrame` is the class name stem of the
  // first frame written ("" when none was written).
  void runFinished(const QString& output, const QString& firstFrame);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildScaleMenu();
  void Connect();
  void ShowError(const std::exception& e);
  void ClearScaleRefusal();
  // Puts a path first in a recent list (kept to its last eight).
  void RememberPath(QListWidget* list, const QString& path);
  void FillRecentMenu(QMenu* menu, QListWidget* list, bool inputs);
  // The table's name field (edtField) follows the field naming the frames.
  void FollowNameField(const QString& field);
  // The manual in a window of the program (when the desktop opens nothing).
  void ShowManual(const QString& path);
  // Writes the scale a sheet number names into the scale box and says so.
  void SetScaleFromSheetNumbers(int scaleIndex);
  // 生成图廓 as a click or Enter gives it: the sheet-number box's exit first
  // when the click took its focus.
  void GenerateFromForm();
  // The path typed into the input box, read as 浏览 reads a chosen one.
  void PickTypedInput();
  // With 自动, the meridian box shows the meridian of the typed sheet's zone.
  void ShowSheetMeridian();
  // What the plan decided (meridian, scale from the sheets) shown in the boxes.
  void ShowPlan(const RunPlan& plan);
  // The map below the form: the typed sheet and its neighbours, or the
  // input's selected features named by the naming field.
  void ShowMap();
  void SaveSettings();
  // The end of a run in one box: how many frames, where, in what time, or
  // that it was cancelled and what it kept; elements the store refused
  // ("保存失败"), which the output lacks; features skipped; what the run
  // decided; buttons for the picture of the first frame (the default), the
  // folder and the QGIS project.
  void ReportRun(const RunPlan& plan, const RunResult& result);
  // Every frame of the output printed at its scale into one PDF the person
  // names.
  void PrintAllFrames(const QString& output);
  // Shows the frames the run wrote, read back from the output.
  void ShowFramePicture(const QString& output, const QStringList& frames);
  // A run going on: the window's controls are disabled (the progress window
  // stays usable) and the progress window is held until the output is closed.
  void SetRunning(bool running);

  std::filesystem::path programPath_;
  WindowDialogs dialogs_;
  ProgressState progress_;
  WindowFeedback feedback_;
  TFrmset* dlg = nullptr;
  QLabel* lblMapNoHint = nullptr;
  // Beside the scale box when the scale came from a sheet number.
  QLabel* lblScaleSource = nullptr;
  // Under the file box: the input's own system and what the run does with it.
  QLabel* lblInputSystem = nullptr;
  QWidget* manualWindow_ = nullptr;
  // The name field the table's field last followed.
  QString followedField_;
  // What the engine said during the last run (listed in its end box).
  QStringList runMessages_;
  // The input the map shows, open.
  std::optional<InputInspection> mapInput_;
  // The last sheet-number exit found the number wrong (the click that
  // caused it starts no run: the message was shown once).
  bool numberRefused_ = false;
  QString pickedInput_;  // the input the controls were last preset from

  // The settings and run values of the program, overwritten before every run.
  TFrameSettings FSettings;
  RunValues FRun;

  bool shown_ = false;
  bool running_ = false;
  // The sheet-number box lost the focus to a mouse press; its exit runs once
  // the mouse button is released (the run button runs it before the run).
  bool exitAtRelease_ = false;
};

}  // namespace tarvik
