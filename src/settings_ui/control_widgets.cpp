#include "settings_ui/control_widgets.h"

#include <climits>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>

#include "common/delphi.h"
#include "common/text_util.h"
#include "settings/font_value.h"
#include "settings/settings_document.h"
#include "settings_ui/font_button.h"
#include "settings_ui/radio_group.h"

namespace tarvik {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string S(const QString& text) { return text.toStdString(); }

// Lines of a memo or rich edit as one text with LF between them.
QString LinesText(const std::string& value) {
  return Q(JoinLines(SplitLines(RecordValueToText(value)), "\n"));
}

// An item index from its number or its text; -1 when neither.
int ChoiceIndex(const std::string& value, const QStringList& items) {
  if (const auto n = StrToInt(value); n && *n >= 0 && *n < items.size()) return static_cast<int>(*n);
  return static_cast<int>(items.indexOf(Q(value)));
}

std::string Missing(std::string_view name) { return "窗体上没有控件" + std::string(name); }

}  // namespace

QWidget* FindNamedWidget(const QWidget& form, const QString& name) {
  if (name.isEmpty()) return nullptr;
  QWidget* caseless = nullptr;
  for (QWidget* w : form.findChildren<QWidget*>()) {
    if (w->window() != form.window()) continue;  // a window of its own (another form)
    if (w->objectName() == name) return w;
    if (!caseless && w->objectName().compare(name, Qt::CaseInsensitive) == 0) caseless = w;
  }
  return caseless;
}

std::optional<std::string> WidgetControlValue(const QWidget& w, const ControlEntry& entry) {
  switch (entry.kind) {
    case ControlKind::Edit:
      if (auto* e = qobject_cast<const QLineEdit*>(&w)) return S(e->text());
      break;
    case ControlKind::SpinEdit:
      if (auto* e = qobject_cast<const QSpinBox*>(&w)) return std::to_string(e->value());
      break;
    case ControlKind::RadioGroup:
      if (auto* e = qobject_cast<const TRadioGroup*>(&w)) return std::to_string(e->itemIndex());
      break;
    case ControlKind::CheckBox:
      if (auto* e = qobject_cast<const QCheckBox*>(&w)) return e->isChecked() ? "True" : "False";
      break;
    case ControlKind::Memo:
      if (auto* e = qobject_cast<const QPlainTextEdit*>(&w))
        return JoinLines(SplitLines(S(e->toPlainText())));
      break;
    case ControlKind::ComboBox:
      if (auto* e = qobject_cast<const QComboBox*>(&w)) return std::to_string(e->currentIndex());
      break;
    case ControlKind::RichEdit:
      if (auto* e = qobject_cast<const QTextEdit*>(&w)) return S(e->toPlainText());
      if (auto* e = qobject_cast<const QLineEdit*>(&w)) return S(e->text());
      break;
    case ControlKind::FontButton:
      if (auto* e = qobject_cast<const TFontButton*>(&w)) return FormatFontValue(e->fontDesc());
      break;
  }
  return std::nullopt;
}

bool SetWidgetControlValue(QWidget& w, const ControlEntry& entry, const std::string& value) {
  switch (entry.kind) {
    case ControlKind::Edit:
      if (auto* e = qobject_cast<QLineEdit*>(&w)) {
        e->setText(Q(value));
        return true;
      }
      return false;
    case ControlKind::SpinEdit:
      if (auto* e = qobject_cast<QSpinBox*>(&w)) {
        const auto n = StrToInt(value);
        if (!n || *n < INT_MIN || *n > INT_MAX) return false;
        e->setValue(static_cast<int>(*n));  // clamped into the spin edit's range
        return true;
      }
      return false;
    case ControlKind::RadioGroup:
      if (auto* e = qobject_cast<TRadioGroup*>(&w)) {
        const int index = ChoiceIndex(value, e->items());
        if (index < 0) return false;
        e->setItemIndex(index);
        return true;
      }
      return false;
    case ControlKind::CheckBox:
      if (auto* e = qobject_cast<QCheckBox*>(&w)) {
        const std::string v = Trim(value);
        if (EqualsNoCase(v, "True") || v == "1")
          e->setChecked(true);
        else if (EqualsNoCase(v, "False") || v == "0")
          e->setChecked(false);
        else
          return false;
        return true;
      }
      return false;
    case ControlKind::Memo:
      if (auto* e = qobject_cast<QPlainTextEdit*>(&w)) {
        e->setPlainText(LinesText(value));
        return true;
      }
      return false;
    case ControlKind::ComboBox:
      if (auto* e = qobject_cast<QComboBox*>(&w)) {
        QStringList items;
        for (int i = 0; i < e->count(); ++i) items << e->itemText(i);
        const int index = ChoiceIndex(value, items);
        if (index < 0) return false;
        e->setCurrentIndex(index);
        return true;
      }
      return false;
    case ControlKind::RichEdit:
      if (auto* e = qobject_cast<QTextEdit*>(&w)) {
        e->setPlainText(Q(value));
        return true;
      }
      if (auto* e = qobject_cast<QLineEdit*>(&w)) {
        e->setText(Q(value));
        return true;
      }
      return false;
    case ControlKind::FontButton:
      if (auto* e = qobject_cast<TFontButton*>(&w)) {
        std::string error;
        auto font = ParseFontValue(value, error);
        if (!font) return false;
        e->setFontDesc(*font);
        return true;
      }
      return false;
  }
  return false;
}

std::vector<std::string> CollectFormSettings(const QWidget& form, SettingsForm which,
                                             TFrameSettings& settings) {
  std::vector<std::string> problems;
  for (const ControlEntry& entry : ControlTable()) {
    if (entry.form != which) continue;
    const QWidget* w = FindNamedWidget(form, Q(entry.name));
    if (!w) {
      problems.push_back(Missing(entry.name));
      continue;
    }
    if (entry.kind == ControlKind::FontButton) {
      // The whole font, with the LOGFONT fields the text form does not carry.
      if (auto* b = qobject_cast<const TFontButton*>(w)) {
        settings.*std::get<FontDesc TFrameSettings::*>(entry.member) = b->fontDesc();
        continue;
      }
    }
    const auto value = WidgetControlValue(*w, entry);
    if (!value) {
      problems.push_back(std::string(entry.name) + "不是该类控件");
      continue;
    }
    if (auto error = ApplyControlValue(settings, entry, *value)) problems.push_back(*error);
  }
  return problems;
}

std::vector<std::string> ShowFormSettings(QWidget& form, SettingsForm which, const TFrameSettings& settings) {
  std::vector<std::string> problems;
  for (const ControlEntry& entry : ControlTable()) {
    if (entry.form != which) continue;
    QWidget* w = FindNamedWidget(form, Q(entry.name));
    if (!w) {
      problems.push_back(Missing(entry.name));
      continue;
    }
    if (entry.kind == ControlKind::FontButton) {
      if (auto* b = qobject_cast<TFontButton*>(w)) {
        b->setFontDesc(settings.*std::get<FontDesc TFrameSettings::*>(entry.member));
        continue;
      }
    }
    const std::string value = ReadControlValue(settings, entry);
    if (!SetWidgetControlValue(*w, entry, value))
      problems.push_back(std::string(entry.name) + "不接受值“" + value + "”");
  }
  return problems;
}

}  // namespace tarvik
