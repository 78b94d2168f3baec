// TFrmset: the settings dialog, form name "Frmset". Seven pages of frame
// parameters (distances in units of 0.1 mm); every control's object name is
// its name in the control table and in the settings file.
//
// The controls are the settings' home while the program runs:
// CollectSettings copies them into TFrameSettings, ShowSettings sets them
// from it, and the settings file stores them control by control
// (form_settings.h). Created once with the main window and shown modally
// (exec) as often as needed; closing only hides it, so values stay.
//
// Tags ("Tag" dynamic property): 1 on the distance, size and interval spin
// edits (right-aligned when the dialog is shown), 89 on the fourteen font
// buttons.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QFont>

#include "settings/frame_settings.h"
#include "settings_ui/message_function.h"

class QLineEdit;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace tarvik {

class TFontButton;
class TRadioGroup;

class TFrmset : public QDialog {
  Q_OBJECT

 public:
  // Page indexes of PageControl1.
  enum Page {
    kBasicPage,
    kNotesPage,
    kFramePage,
    kGridPage,
    kTablePage,
    kScaleBarPage,
    kMarginPage,
    kPageCount
  };

  explicit TFrmset(QWidget* parent = nullptr);
  ~TFrmset() override;

  // Copies the dialog's controls into the dialog members of `settings`
  // (main-window members stay). Returns what could not be copied (nothing,
  // unless the dialog was changed in code).
  std::vector<std::string> CollectSettings(TFrameSettings& settings) const;
  // Sets the dialog's controls from the dialog members of `settings`.
  void ShowSettings(const TFrameSettings& settings);

  // Messages the dialog shows (the two refused page changes, a failed save).
  void setMessageFunction(MessageFunction show);
  // Asks for a font; no value when the person cancels.
  using FontDialogFunction = std::function<std::optional<QFont>(const QFont& initial, QWidget* parent)>;
  void setFontDialogFunction(FontDialogFunction ask);
  // What FormClose does: save the settings of all forms. The main window sets
  // this to save its own form too; until it does, the dialog saves itself to
  // the settings file set with setSettingsPath (nothing when none is set).
  void setSaveAllSettings(std::function<void()> save);
  void setSettingsPath(const std::filesystem::path& path);
  // Asks for a settings file to open (`save` false) or to save to; no value
  // when the person cancels. Starts in `folder`.
  using SettingsFileFunction = std::function<std::optional<QString>(bool save, const QString& folder)>;
  void setSettingsFileFunction(SettingsFileFunction ask);
  // The folder 打开设置 starts in: the settings shipped with the program.
  void setShippedFolder(const QString& folder) { shippedFolder_ = folder; }

  // Named settings: the dialog's values from a settings file (the shipped
  // rect_sheets.set among them), to one, or back to the defaults.
  void LoadNamedSettings();
  void SaveNamedSettings();
  void ResetSettings();

  QTabWidget* pageControl() const { return PageControl1; }

  // Event handlers; they run on the events named and can be called directly.
 public slots:
  void FormShow();                             // tag-1 spin edits right-aligned
  void FormClose();                            // saves all forms' settings
  void Rg4JAnnClick();                         // corner-label font only when corners are labelled
  void rgGridClick();                          // the groups and panels of the chosen grid type
  void rgdmsmodeClick();                       // latitude placement and digits of the label mode
  void SeintervalChange();                     // line positions from 1000 m on, digits below
  void btnleftdownClick(TFontButton* sender);  // font dialog of a font button

 public:
  // Whether the current page may be left; shows the reason when not.
  void PageControl1Changing(bool& AllowChange);

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void BuildBasicPage(QWidget* page);
  void BuildNotesPage(QWidget* page);
  void BuildFramePage(QWidget* page);
  void BuildGridPage(QWidget* page);
  void BuildTablePage(QWidget* page);
  void BuildScaleBarPage(QWidget* page);
  void BuildMarginPage(QWidget* page);

  // Controls named after their table entries, with the entry's caption,
  // items and range.
  QLineEdit* MakeEdit(const char* name);
  QSpinBox* MakeSpin(const char* name, int tag);
  TRadioGroup* MakeRadio(const char* name, int columns);
  TFontButton* MakeFontButton(const char* name);
  QWidget* MakeCheck(const char* name);
  QWidget* MakeMemo(const char* name);

  void OnPageChanged(int index);
  // The crosshairs (grid type 2) are no longer than their interval.
  bool CrosshairFitsInterval() const;
  void SaveDialogOnly();

  QTabWidget* PageControl1 = nullptr;

  // Controls the handlers read or switch.
  TRadioGroup* Rg4JAnn = nullptr;
  TFontButton* btn4j = nullptr;
  QWidget* btn4jLabel = nullptr;
  TRadioGroup* rgdmsmode = nullptr;
  TRadioGroup* rgwdalignmode = nullptr;
  QWidget* gbCornerDigits = nullptr;
  TRadioGroup* rgGrid = nullptr;
  QWidget* gbJwc = nullptr;
  QWidget* gbGridFont = nullptr;
  QWidget* pnlLineLength = nullptr;
  QWidget* pnlInterval = nullptr;
  QWidget* pnlJwCross = nullptr;
  QSpinBox* Seinterval = nullptr;
  QSpinBox* SeLineLength = nullptr;
  TRadioGroup* rgHor = nullptr;
  TRadioGroup* rgver = nullptr;
  QWidget* gbGridDigits = nullptr;
  QLineEdit* edtField = nullptr;

  MessageFunction showMessage_;
  FontDialogFunction askFont_;
  std::function<void()> saveAll_;
  std::filesystem::path settingsPath_;
  SettingsFileFunction askFile_;
  QString shippedFolder_;
  int currentPage_ = 0;
  bool switchingPage_ = false;
};

}  // namespace tarvik
