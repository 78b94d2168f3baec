#include "settings_ui/form_settings.h"

#include <climits>
#include <functional>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QWidget>

#include "common/delphi.h"
#include "common/gbk.h"
#include "common/text_util.h"
#include "settings/settings_file.h"
#include "settings_ui/font_button.h"
#include "settings_ui/radio_group.h"

namespace tarvik {
namespace {

// How a control is kept in the file.
enum class Kept { None, List, RichEdit, Combo, Memo, Text, ItemIndex, Checked, Value, Font };

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string S(const QString& text) { return text.toStdString(); }

Kept KindOf(const QObject& o) {
  if (qobject_cast<const QListWidget*>(&o)) return Kept::List;
  if (qobject_cast<const QTextEdit*>(&o)) return Kept::RichEdit;
  if (qobject_cast<const QComboBox*>(&o)) return Kept::Combo;
  if (qobject_cast<const QPlainTextEdit*>(&o)) return Kept::Memo;
  if (qobject_cast<const QLineEdit*>(&o))
    return o.property("RichEdit").toBool() ? Kept::RichEdit : Kept::Text;
  if (qobject_cast<const TRadioGroup*>(&o)) return Kept::ItemIndex;
  if (qobject_cast<const QCheckBox*>(&o) || qobject_cast<const QRadioButton*>(&o)) return Kept::Checked;
  if (auto* a = qobject_cast<const QAction*>(&o); a && a->isCheckable()) return Kept::Checked;
  if (qobject_cast<const QSpinBox*>(&o)) return Kept::Value;
  if (qobject_cast<const TFontButton*>(&o) && o.property("Tag").toInt() == kFontButtonTag) return Kept::Font;
  return Kept::None;
}

bool Named(const QObject& o) {
  return !o.objectName().isEmpty() && !o.objectName().startsWith(QLatin1String("qt_"));
}

// Visits the named objects of `form` in creation order, depth first. A
// control's own parts and child windows (forms of their own) are not
// visited.
void ForEachControl(const QObject& parent, const std::function<void(QObject&, Kept)>& visit) {
  for (QObject* child : parent.children()) {
    if (auto* w = qobject_cast<QWidget*>(child); w && w->isWindow()) continue;
    const Kept kind = KindOf(*child);
    if (Named(*child)) visit(*child, kind);
    // A radio group's own buttons have no names; controls placed into the
    // group beside them are the form's.
    if (kind == Kept::None || kind == Kept::ItemIndex) ForEachControl(*child, visit);
  }
}

QObject* FindControl(QWidget& form, const std::string& name) {
  const QString wanted = Q(name);
  QObject* found = nullptr;
  ForEachControl(form, [&](QObject& o, Kept) {
    if (!found && o.objectName().compare(wanted, Qt::CaseInsensitive) == 0) found = &o;
  });
  return found;
}

std::string LinesValue(const QString& text) { return LinesToRecordValue(S(text)); }
QString LinesText(std::string_view value) { return Q(JoinLines(SplitLines(RecordValueToText(value)), "\n")); }

std::optional<ControlRecord> RecordOf(QObject& o, Kept kind) {
  ControlRecord r;
  r.name = S(o.objectName());
  switch (kind) {
    case Kept::List: {
      auto& list = static_cast<QListWidget&>(o);
      r.property = "items";
      for (int i = 0; i < list.count(); ++i) r.value += S(list.item(i)->text()) + "<Br>";
      break;
    }
    case Kept::RichEdit:
      r.property = "Lines";
      if (auto* e = qobject_cast<QTextEdit*>(&o))
        r.value = LinesValue(e->toPlainText());
      else
        r.value = LinesValue(static_cast<QLineEdit&>(o).text());
      break;
    case Kept::Combo: {
      auto& combo = static_cast<QComboBox&>(o);
      ComboValue v;
      // An editable box keeps the item its text shows (its index may lag
      // behind text set in code).
      v.index = combo.isEditable() ? combo.findText(combo.currentText()) : combo.currentIndex();
      for (int i = 0; i < combo.count(); ++i) v.items.push_back(S(combo.itemText(i)));
      r.property = "items";
      r.value = FormatComboValue(v);
      break;
    }
    case Kept::Memo:
      r.property = "lines";
      r.value = LinesValue(static_cast<QPlainTextEdit&>(o).toPlainText());
      break;
    case Kept::Text:
      r.property = "Text";
      r.value = S(static_cast<QLineEdit&>(o).text());
      break;
    case Kept::ItemIndex:
      r.property = "itemindex";
      r.value = std::to_string(static_cast<TRadioGroup&>(o).itemIndex());
      break;
    case Kept::Checked: {
      bool on = false;
      if (auto* a = qobject_cast<QAction*>(&o))
        on = a->isChecked();
      else
        on = static_cast<QAbstractButton&>(o).isChecked();
      r.property = "checked";
      r.value = on ? "True" : "False";
      break;
    }
    case Kept::Value:
      r.property = "Value";
      r.value = std::to_string(static_cast<QSpinBox&>(o).value());
      break;
    case Kept::None:
    case Kept::Font:
      return std::nullopt;
  }
  return r;
}

std::optional<int> Int(std::string_view value) {
  const auto n = StrToInt(value);
  if (!n || *n < INT_MIN || *n > INT_MAX) return std::nullopt;
  return static_cast<int>(*n);
}

std::optional<bool> Bool(std::string_view value) {
  const std::string v = Trim(value);
  if (EqualsNoCase(v, "True") || v == "1") return true;
  if (EqualsNoCase(v, "False") || v == "0") return false;
  return std::nullopt;
}

// Why the record cannot be applied; none when it was.
std::optional<std::string> Apply(QObject& o, Kept kind, const ControlRecord& r) {
  const auto is = [&](std::string_view property) { return EqualsNoCase(r.property, property); };
  const std::string noProperty = S(o.objectName()) + "没有属性" + r.property;
  const std::string badValue = "值“" + r.value + "”不能用于" + S(o.objectName()) + "的" + r.property;
  switch (kind) {
    case Kept::List:
      if (!is("items")) return noProperty;
      {
        auto& list = static_cast<QListWidget&>(o);
        list.clear();
        for (const auto& line : SplitLines(RecordValueToText(r.value))) list.addItem(Q(line));
      }
      return std::nullopt;
    case Kept::RichEdit:
      if (!is("Lines") && !is("Text")) return noProperty;
      if (auto* e = qobject_cast<QTextEdit*>(&o))
        e->setPlainText(LinesText(r.value));
      else  // one line: the lines run on, as a one-line rich edit shows them
        static_cast<QLineEdit&>(o).setText(Q(JoinLines(SplitLines(RecordValueToText(r.value)), " ")));
      return std::nullopt;
    case Kept::Combo: {
      auto& combo = static_cast<QComboBox&>(o);
      if (is("items")) {
        const ComboValue v = ParseComboValue(r.value);
        combo.clear();
        for (const auto& item : v.items) combo.addItem(Q(item));
        combo.setCurrentIndex(v.index < combo.count() ? v.index : -1);
      } else if (is("itemindex")) {
        const auto n = Int(r.value);
        if (!n) return badValue;
        combo.setCurrentIndex(*n < combo.count() ? *n : -1);
      } else if (is("Text")) {
        combo.setCurrentText(Q(r.value));
      } else {
        return noProperty;
      }
      return std::nullopt;
    }
    case Kept::Memo:
      if (!is("lines") && !is("Text")) return noProperty;
      static_cast<QPlainTextEdit&>(o).setPlainText(LinesText(r.value));
      return std::nullopt;
    case Kept::Text:
      if (!is("Text")) return noProperty;
      static_cast<QLineEdit&>(o).setText(Q(r.value));
      return std::nullopt;
    case Kept::ItemIndex: {
      if (!is("itemindex")) return noProperty;
      auto& group = static_cast<TRadioGroup&>(o);
      const auto n = Int(r.value);
      // The index must name an item: a choice of none would leave the setting
      // without a value.
      if (!n || *n < 0 || *n >= group.count()) return badValue;
      group.setItemIndex(*n);
      return std::nullopt;
    }
    case Kept::Checked: {
      if (!is("checked")) return noProperty;
      const auto on = Bool(r.value);
      if (!on) return badValue;
      if (auto* a = qobject_cast<QAction*>(&o))
        a->setChecked(*on);
      else
        static_cast<QAbstractButton&>(o).setChecked(*on);
      return std::nullopt;
    }
    case Kept::Value: {
      if (!is("Value") && !is("Text")) return noProperty;
      const auto n = Int(r.value);
      if (!n) return badValue;
      static_cast<QSpinBox&>(o).setValue(*n);  // clamped into the range, as a spin edit does
      return std::nullopt;
    }
    case Kept::Font:
    case Kept::None:
      return noProperty;
  }
  return noProperty;
}

std::string Shortened(const std::string& text) {
  constexpr std::size_t kMax = 80;
  if (CodePointCount(text) <= kMax) return text;
  return std::string(Utf8Prefix(text, kMax)) + "...";
}

}  // namespace

FormSettings FormSettingsOf(const QWidget& form) {
  FormSettings out;
  out.name = S(form.objectName());
  ForEachControl(form, [&](QObject& o, Kept kind) {
    if (kind == Kept::Font)
      out.fonts.push_back({S(o.objectName()), static_cast<TFontButton&>(o).fontDesc()});
    else if (auto record = RecordOf(o, kind))
      out.records.push_back(std::move(*record));
  });
  return out;
}

SettingsDocument SettingsDocumentOf(const std::vector<const QWidget*>& forms) {
  SettingsDocument document;
  for (const QWidget* form : forms)
    if (form && !form->objectName().isEmpty()) document.forms.push_back(FormSettingsOf(*form));
  return document;
}

std::vector<std::string> ApplyFormSettings(const FormSettings& settings, QWidget& form) {
  std::vector<std::string> skipped;
  for (const ControlRecord& record : settings.records) {
    QObject* control = FindControl(form, record.name);
    if (!control) continue;  // a control this form does not have
    if (auto why = Apply(*control, KindOf(*control), record))
      skipped.push_back(settings.name + "：" + Shortened(FormatControlRecord(record)) + "（" + *why + "）");
  }
  for (const FontEntry& entry : settings.fonts) {
    QObject* control = FindControl(form, entry.button);
    if (!control || !entry.font) continue;
    if (KindOf(*control) != Kept::Font) {
      skipped.push_back(settings.name + "：" + entry.button + "不是字体按钮，其字体没有读入");
      continue;
    }
    static_cast<TFontButton&>(*control).setFontDesc(*entry.font);
  }
  return skipped;
}

SettingsApplyReport ApplySettingsToForms(const SettingsDocument& document,
                                         const std::vector<QWidget*>& forms) {
  SettingsApplyReport report;
  for (const FormSettings& settings : document.forms) {
    QWidget* form = nullptr;
    for (QWidget* candidate : forms)
      if (candidate && candidate->objectName().compare(Q(settings.name), Qt::CaseInsensitive) == 0)
        form = candidate;
    if (!form) {
      report.unknownForm = settings.name;
      break;
    }
    auto skipped = ApplyFormSettings(settings, *form);
    report.skipped.insert(report.skipped.end(), skipped.begin(), skipped.end());
  }
  return report;
}

std::vector<std::string> SaveAllSettings(const std::filesystem::path& path,
                                         const std::vector<QWidget*>& forms) {
  return SaveSettingsFile(path, SettingsDocumentOf(std::vector<const QWidget*>(forms.begin(), forms.end())));
}

SettingsLoadReport LoadAllSettings(const std::filesystem::path& path, const std::vector<QWidget*>& forms) {
  return LoadSettingsFileWith(
      path, [&](const SettingsDocument& document) { return ApplySettingsToForms(document, forms); });
}

bool LoadAllSettings(const std::filesystem::path& path, const std::vector<QWidget*>& forms,
                     const MessageFunction& show) {
  const SettingsLoadReport report = LoadAllSettings(path, forms);
  const std::string message = SettingsLoadMessage(report, path);
  if (!message.empty() && show) show(Q(message));
  return report.found;
}

}  // namespace tarvik
