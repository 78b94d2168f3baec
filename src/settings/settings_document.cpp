#include "settings/settings_document.h"

#include <climits>

#include "common/delphi.h"
#include "common/text_util.h"

namespace tarvik {

FormSettings* SettingsDocument::findForm(std::string_view name) {
  for (auto& form : forms)
    if (EqualsNoCase(form.name, name)) return &form;
  return nullptr;
}

const FormSettings* SettingsDocument::findForm(std::string_view name) const {
  for (const auto& form : forms)
    if (EqualsNoCase(form.name, name)) return &form;
  return nullptr;
}

std::optional<ControlRecord> SplitControlRecord(std::string_view text) {
  const std::size_t first = text.find(',');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = text.find(',', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  return ControlRecord{std::string(text.substr(0, first)),
                       std::string(text.substr(first + 1, second - first - 1)),
                       std::string(text.substr(second + 1))};
}

std::string FormatControlRecord(const ControlRecord& record) {
  return record.name + "," + record.property + "," + record.value;
}

std::string LinesToRecordValue(std::string_view text) {
  std::string out;
  for (const auto& line : SplitLines(text)) out += line + "<Br>";
  return out;
}

std::string RecordValueToText(std::string_view value) { return ReplaceAllNoCase(value, "<Br>", "\r\n"); }

ComboValue ParseComboValue(std::string_view value) {
  ComboValue combo;
  std::string_view items = value;
  if (const std::size_t caret = value.find('^'); caret != std::string_view::npos) {
    const auto index = StrToInt(value.substr(0, caret));
    combo.index = index && *index >= INT_MIN && *index <= INT_MAX ? static_cast<int>(*index) : 0;
    items = value.substr(caret + 1);
  }
  combo.items = SplitLines(RecordValueToText(items));
  return combo;
}

std::string FormatComboValue(const ComboValue& combo) {
  std::string out = std::to_string(combo.index) + "^";
  for (const auto& item : combo.items) out += item + "<Br>";
  return out;
}

}  // namespace tarvik
