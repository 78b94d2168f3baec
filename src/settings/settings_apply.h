// Between a settings document and TFrameSettings, through the control table:
// records of the main window's form "FrmTarvik" and the dialog's form
// "Frmset" set the members of their controls; fonts set the font members by
// button name. Records of controls that are not settings (the sheet number,
// the input and output paths, ...) are left alone.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/user_feedback.h"
#include "settings/frame_settings.h"
#include "settings/settings_document.h"

namespace tarvik {

struct SettingsApplyReport {
  // One line per record that was skipped because its property is not the
  // control's or its value does not convert; loading went on after it.
  std::vector<std::string> skipped;
  // A form the program does not have was met; nothing from it on was
  // applied. Empty when every form was known.
  std::string unknownForm;
};

// Applies the records and fonts of `document` in file order. A record with a
// property the control does not store or a value that does not convert is
// skipped (and listed); spin-edit numbers outside their range are clamped.
// Fonts of buttons the form does not have, and fonts without a description,
// are passed over. Loading stops at a form the program does not have.
SettingsApplyReport ApplySettingsDocument(const SettingsDocument& document, TFrameSettings& settings);

// Writes every setting into `document`: the record of each control (in the
// property the window writes: "Text", "Value", "itemindex", "checked",
// "lines", "items") and the font of each font button, replacing the control's
// earlier record and adding the forms and records that are missing. Records of
// other controls stay, so the window's own values survive a save from the
// command line.
void UpdateSettingsDocument(SettingsDocument& document, const TFrameSettings& settings);
// A document of the two forms with every setting.
SettingsDocument BuildSettingsDocument(const TFrameSettings& settings);

struct SettingsLoadReport {
  bool found = false;                 // a settings file existed
  bool damaged = false;               // it ended early or held a record that cannot be placed
  bool unreadable = false;            // nothing could be read (a folder, no permission, too large)
  std::vector<std::string> problems;  // everything left out, one line each
};

// Reads the settings file at `path` and hands its document to `apply`
// (which applies it to the settings or to the forms); the report gathers
// the file's damage, the records `apply` skipped and an unknown form.
SettingsLoadReport LoadSettingsFileWith(
    const std::filesystem::path& path,
    const std::function<SettingsApplyReport(const SettingsDocument&)>& apply);

// Loads the settings file at `path` (when it exists) into `settings`.
SettingsLoadReport LoadSettingsInto(const std::filesystem::path& path, TFrameSettings& settings);
// The one message to show after loading, or "" when everything loaded.
std::string SettingsLoadMessage(const SettingsLoadReport& report, const std::filesystem::path& path);
// LoadSettingsInto, then shows SettingsLoadMessage (if any) once. Returns
// whether a file was found.
bool LoadSettingsInto(const std::filesystem::path& path, TFrameSettings& settings, UserFeedback& feedback);

}  // namespace tarvik
