// The settings file on the Qt side: every named control of every form saved
// and restored by its kind, with the fonts of the font buttons in a section of
// their own. The file layout, its codec and atomic saving are the core's
// (settings_file.h); this file turns widgets into a SettingsDocument and back.
//
// A form is a window with an object name ("FrmTarvik", "Frmset"); its
// controls are the named widgets and actions inside it, not counting child
// windows (they are forms of their own) nor the parts of a control. Each
// control gives one record Name,Property,Value:
//
//   QListWidget                      "items"     every item followed by "<Br>"
//   QTextEdit (rich edit)            "Lines"     every line followed by "<Br>"
//   QComboBox                        "items"     "%d^" of the current index, then
//                                                every item followed by "<Br>"
//   QPlainTextEdit (memo)            "lines"     every line followed by "<Br>"
//   QLineEdit                        "Text"      the text
//   TRadioGroup                      "itemindex" the index in decimal
//   QCheckBox, QRadioButton,
//   checkable QAction                "checked"   "True" or "False"
//   QSpinBox                         "Value"     the number in decimal
//
// A QLineEdit with the dynamic property "RichEdit" set true is a one-line rich
// edit ("Lines"). TFontButton widgets with the "Tag" 89 go to the font
// section. Other widgets give no record.
//
// Loading matches names and properties without regard to case. A record for
// a control the form does not have is passed over. A record whose property
// the control does not have, or whose value does not convert, is skipped and
// reported; loading goes on. A form that is not among the forms given ends
// the loading (what came before stays) and is reported.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings_apply.h"
#include "settings/settings_document.h"
#include "settings_ui/message_function.h"

class QWidget;

namespace tarvik {

// The records and fonts of one form, in the order of its controls.
FormSettings FormSettingsOf(const QWidget& form);
// The document of all `forms` (those without a name are left out).
SettingsDocument SettingsDocumentOf(const std::vector<const QWidget*>& forms);

// Applies one form's records and fonts to `form`. Returns one line per
// skipped record.
std::vector<std::string> ApplyFormSettings(const FormSettings& settings, QWidget& form);
// Applies a document to the forms, matched by name (any case).
SettingsApplyReport ApplySettingsToForms(const SettingsDocument& document,
                                         const std::vector<QWidget*>& forms);

// Writes the settings of `forms` to `path`, replacing the file in one step.
// Throws RunError naming the file and the reason when it cannot be written
// (the old file then stays as it was). Returns warnings about texts too long
// for a record (they are cut).
std::vector<std::string> SaveAllSettings(const std::filesystem::path& path,
                                         const std::vector<QWidget*>& forms);

// Restores `forms` from `path` when that file exists.
SettingsLoadReport LoadAllSettings(const std::filesystem::path& path, const std::vector<QWidget*>& forms);
// The same, then shows what was left out in one message (nothing when all
// loaded). Returns whether a file was found.
bool LoadAllSettings(const std::filesystem::path& path, const std::vector<QWidget*>& forms,
                     const MessageFunction& show);

}  // namespace tarvik
