#include "settings/settings_apply.h"

#include "common/delphi.h"
#include "common/gbk.h"
#include "common/text_util.h"
#include "settings/control_table.h"
#include "settings/settings_file.h"

namespace tarvik {
namespace {

std::optional<SettingsForm> KnownForm(std::string_view name) {
  for (SettingsForm form : {SettingsForm::Main, SettingsForm::Dialog})
    if (EqualsNoCase(name, FormName(form))) return form;
  return std::nullopt;
}

// Whether a record's property is one under which the control's value can be
// stored. Besides the property the window writes, a spin edit, memo or rich
// edit also takes its "Text", and a combo box its "itemindex".
bool PropertyFits(ControlKind kind, std::string_view property) {
  if (EqualsNoCase(property, FileProperty(kind)) && kind != ControlKind::FontButton) return true;
  switch (kind) {
    case ControlKind::SpinEdit:
    case ControlKind::Memo:
    case ControlKind::RichEdit:
      return EqualsNoCase(property, "Text");
    case ControlKind::ComboBox:
      return EqualsNoCase(property, "itemindex");
    default:
      return false;
  }
}

// The record's value in the control form of the table.
std::string ControlValue(const ControlEntry& entry, const ControlRecord& record) {
  if (entry.kind == ControlKind::ComboBox && EqualsNoCase(record.property, "items"))
    return std::to_string(ParseComboValue(record.value).index);
  if (entry.kind == ControlKind::Memo || entry.kind == ControlKind::RichEdit)
    return RecordValueToText(record.value);
  return record.value;
}

// The control's value as the window writes it into the file.
std::string FileValue(const ControlEntry& entry, const TFrameSettings& settings) {
  const std::string value = ReadControlValue(settings, entry);
  switch (entry.kind) {
    case ControlKind::Memo:
    case ControlKind::RichEdit:
      return LinesToRecordValue(RecordValueToText(value));
    case ControlKind::ComboBox: {
      ComboValue combo;
      combo.index = static_cast<int>(StrToInt(value).value_or(0));
      combo.items.assign(entry.items.begin(), entry.items.end());
      return FormatComboValue(combo);
    }
    default:
      return value;
  }
}

std::string Shortened(const std::string& text) {
  constexpr std::size_t kMax = 80;
  if (CodePointCount(text) <= kMax) return text;
  return std::string(Utf8Prefix(text, kMax)) + "...";
}

// Sets the first element of `list` for which `same` holds to `value`, removes
// the other matches, or appends `value` when there is none.
template <typename T, typename Same>
void Replace(std::vector<T>& list, T value, Same same) {
  bool placed = false;
  for (auto it = list.begin(); it != list.end();) {
    if (!same(*it)) {
      ++it;
    } else if (!placed) {
      *it++ = value;
      placed = true;
    } else {
      it = list.erase(it);
    }
  }
  if (!placed) list.push_back(std::move(value));
}

}  // namespace

SettingsApplyReport ApplySettingsDocument(const SettingsDocument& document, TFrameSettings& settings) {
  SettingsApplyReport report;
  for (const auto& form : document.forms) {
    const auto which = KnownForm(form.name);
    if (!which) {
      report.unknownForm = form.name;
      break;
    }
    for (const auto& record : form.records) {
      const ControlEntry* entry = FindControl(*which, record.name);
      if (!entry) continue;  // a control that is not a setting
      const std::string shown = form.name + "：" + Shortened(FormatControlRecord(record));
      if (!PropertyFits(entry->kind, record.property)) {
        report.skipped.push_back(shown + "（" + std::string(entry->name) + "没有属性" + record.property +
                                 "）");
        continue;
      }
      if (auto error = ApplyControlValue(settings, *entry, ControlValue(*entry, record), RangeRule::Clamp))
        report.skipped.push_back(shown + "（" + *error + "）");
    }
    for (const auto& font : form.fonts) {
      const ControlEntry* entry = FindControl(*which, font.button);
      if (entry && entry->kind == ControlKind::FontButton && font.font)
        settings.*std::get<FontDesc TFrameSettings::*>(entry->member) = *font.font;
    }
  }
  return report;
}

void UpdateSettingsDocument(SettingsDocument& document, const TFrameSettings& settings) {
  for (SettingsForm which : {SettingsForm::Main, SettingsForm::Dialog}) {
    FormSettings* form = document.findForm(FormName(which));
    if (!form) {
      form = &document.forms.emplace_back();
      form->name = std::string(FormName(which));
    }
    for (const auto& entry : ControlTable()) {
      if (entry.form != which) continue;
      const std::string name(entry.name);
      if (entry.kind == ControlKind::FontButton) {
        Replace(form->fonts, FontEntry{name, settings.*std::get<FontDesc TFrameSettings::*>(entry.member)},
                [&](const FontEntry& f) { return EqualsNoCase(f.button, name); });
      } else {
        Replace(form->records,
                ControlRecord{name, std::string(FileProperty(entry.kind)), FileValue(entry, settings)},
                [&](const ControlRecord& r) { return EqualsNoCase(r.name, name); });
      }
    }
  }
}

SettingsDocument BuildSettingsDocument(const TFrameSettings& settings) {
  SettingsDocument document;
  UpdateSettingsDocument(document, settings);
  return document;
}

SettingsLoadReport LoadSettingsFileWith(
    const std::filesystem::path& path,
    const std::function<SettingsApplyReport(const SettingsDocument&)>& apply) {
  SettingsLoadReport report;
  auto read = LoadSettingsFile(path);
  if (!read) return report;
  report.found = true;
  report.damaged = read->damaged;
  report.unreadable = read->unreadable;
  report.problems = std::move(read->problems);
  const SettingsApplyReport applied = apply(read->document);
  report.problems.insert(report.problems.end(), applied.skipped.begin(), applied.skipped.end());
  if (!applied.unknownForm.empty())
    report.problems.push_back("不认识的窗体“" + applied.unknownForm + "”，从它起的设置没有读入");
  return report;
}

SettingsLoadReport LoadSettingsInto(const std::filesystem::path& path, TFrameSettings& settings) {
  return LoadSettingsFileWith(
      path, [&](const SettingsDocument& document) { return ApplySettingsDocument(document, settings); });
}

std::string SettingsLoadMessage(const SettingsLoadReport& report, const std::filesystem::path& path) {
  if (report.problems.empty() && !report.damaged) return "";
  if (report.unreadable) return report.problems.front();
  std::string text = "设置文件" + path.string() +
                     (report.damaged ? "已损坏，只读入了损坏处之前的设置。"
                                     : "中有些设置无法读入，已跳过，其余设置照常读入：");
  for (const auto& line : report.problems) text += "\n" + line;
  return text;
}

bool LoadSettingsInto(const std::filesystem::path& path, TFrameSettings& settings, UserFeedback& feedback) {
  const SettingsLoadReport report = LoadSettingsInto(path, settings);
  const std::string message = SettingsLoadMessage(report, path);
  if (!message.empty()) feedback.message(message);
  return report.found;
}

}  // namespace tarvik
