// Between the widgets of a form and TFrameSettings, through the control
// table (control_table.h): every table entry of a form names its widget (the
// widget's object name) and says how its value becomes the member.
//
// Widgets by control kind:
//   edit        QLineEdit                      spin edit   QSpinBox
//   radio group TRadioGroup                    check box   QCheckBox
//   memo        QPlainTextEdit                 combo box   QComboBox
//   rich edit   QTextEdit (or a QLineEdit)     font button TFontButton
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "settings/control_table.h"
#include "settings/frame_settings.h"

class QWidget;

namespace tarvik {

// The widget's value in the control form of `entry`'s kind; fonts are handled
// by the callers (a font button's FontDesc goes to its member whole).
// No value when the widget is not of the entry's kind.
std::optional<std::string> WidgetControlValue(const QWidget& widget, const ControlEntry& entry);
// Sets the widget from a value in control form. False when the widget is not
// of the entry's kind or the value does not fit it.
bool SetWidgetControlValue(QWidget& widget, const ControlEntry& entry, const std::string& value);

// Copies every control of `form` (the table entries of `which`) into
// `settings`. Returns one line per control that is missing from the form or
// whose value the table refuses (such members keep their values).
std::vector<std::string> CollectFormSettings(const QWidget& formWidget, SettingsForm which,
                                             TFrameSettings& settings);

// Sets every control of `form` (the table entries of `which`) from
// `settings`. Returns one line per control that is missing or does not take
// the value.
std::vector<std::string> ShowFormSettings(QWidget& formWidget, SettingsForm which,
                                          const TFrameSettings& settings);

// The widget of `form` named `name` (any case), or nullptr. Child windows
// (other forms) are not searched.
QWidget* FindNamedWidget(const QWidget& form, const QString& name);

}  // namespace tarvik
