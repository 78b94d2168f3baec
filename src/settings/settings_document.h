// The content of a settings file as data: forms, each with its control
// records and the fonts of its font buttons. The file codec reads and writes
// it (settings_file.h); the core adapter (settings_apply.h) and the window
// fill widgets or TFrameSettings from it.
//
// A control record is Name,Property,Value. Values of multi-line properties
// carry "<Br>" where the text has a line break:
//   memo "lines", rich edit "Lines", list "items": every line followed by <Br>;
//   combo box "items": "%d^" of the selected index, then every item followed
//   by <Br> (for example "0^3度分带法<Br>6度分带法<Br>").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/font_desc.h"

namespace tarvik {

struct ControlRecord {
  std::string name;
  std::string property;
  std::string value;  // UTF-8; may contain commas
  bool operator==(const ControlRecord&) const = default;
};

struct FontEntry {
  std::string button;
  std::optional<FontDesc> font;  // none: the file had no description ("S = 0")
  bool operator==(const FontEntry&) const = default;
};

struct FormSettings {
  std::string name;  // "FrmTarvik", "Frmset", ...
  std::vector<ControlRecord> records;
  std::vector<FontEntry> fonts;
  bool operator==(const FormSettings&) const = default;
};

struct SettingsDocument {
  std::vector<FormSettings> forms;

  // The form named `name` (any case), or nullptr.
  FormSettings* findForm(std::string_view name);
  const FormSettings* findForm(std::string_view name) const;
  bool operator==(const SettingsDocument&) const = default;
};

// "Name,Property,Value" split at the first two commas; no value for a record
// without two commas.
std::optional<ControlRecord> SplitControlRecord(std::string_view text);
std::string FormatControlRecord(const ControlRecord& record);

// Text with line breaks -> every line followed by "<Br>".
std::string LinesToRecordValue(std::string_view text);
// Every "<Br>" (any case) -> CR LF.
std::string RecordValueToText(std::string_view value);

struct ComboValue {
  int index = 0;
  std::vector<std::string> items;
  bool operator==(const ComboValue&) const = default;
};
// "1^A<Br>B<Br>" -> index 1, items A, B. The index is the part before the
// first "^" (0 when it is not a number); without "^" the whole value is the
// items and the index is 0.
ComboValue ParseComboValue(std::string_view value);
std::string FormatComboValue(const ComboValue& combo);

}  // namespace tarvik
