// Helpers of the settings-dialog tests.
#pragma once

#include <string>
#include <vector>

#include <QString>
#include <QWidget>

#include "settings/control_table.h"
#include "settings/frame_settings.h"
#include "settings_ui/message_function.h"

namespace tarvik::test {

// A value of the entry's control form that differs from its default.
inline std::string OtherValue(const ControlEntry& e) {
  switch (e.kind) {
    case ControlKind::Edit:
      return e.name == "edtMapscale1" ? "50000" : "其他[X], 值";
    case ControlKind::Memo:
      return "一<Br>二, 2<Br>三";
    case ControlKind::SpinEdit:
      return e.range ? std::to_string(e.range->max) : "-7";
    case ControlKind::RadioGroup:
    case ControlKind::ComboBox:
      return e.defaultValue == "0" ? std::to_string(e.items.size() - 1) : "0";
    case ControlKind::CheckBox:
      return e.defaultValue == "True" ? "False" : "True";
    case ControlKind::FontButton:
      return "黑体,33,bold,italic,#102030";
    case ControlKind::RichEdit:
      return "x";
  }
  return "";
}

// Settings whose every member of `form`'s controls differs from the default.
// Fonts also differ in LOGFONT fields the text form of a font cannot carry.
inline TFrameSettings ChangedSettings(SettingsForm form) {
  TFrameSettings s;
  for (const ControlEntry& e : ControlTable()) {
    if (e.form != form) continue;
    ApplyControlValue(s, e, OtherValue(e));
    if (e.kind == ControlKind::FontButton) {
      FontDesc& f = s.*std::get<FontDesc TFrameSettings::*>(e.member);
      f.charSet = 0;
      f.outPrecision = 3;
      f.quality = 1;
      f.pitchAndFamily = 49;
    }
  }
  return s;
}

// The controls whose values differ between `a` and `b`, for failure
// messages ("" when none; members no control feeds are not compared).
inline std::string Differences(const TFrameSettings& a, const TFrameSettings& b) {
  std::string out;
  for (const ControlEntry& e : ControlTable()) {
    std::string va = ReadControlValue(a, e), vb = ReadControlValue(b, e);
    if (e.kind == ControlKind::FontButton) {
      const auto m = std::get<FontDesc TFrameSettings::*>(e.member);
      if (a.*m == b.*m) continue;
      va += " charset " + std::to_string((a.*m).charSet);
      vb += " charset " + std::to_string((b.*m).charSet);
    } else if (va == vb) {
      continue;
    }
    out += std::string(e.name) + ": " + va + " | " + vb + "\n";
  }
  return out;
}

// Records the messages a form shows.
struct Messages {
  std::vector<QString> shown;
  MessageFunction function() {
    return [this](const QString& text) { shown.push_back(text); };
  }
};

template <typename T>
T* Child(const QWidget& parent, const char* name) {
  return parent.findChild<T*>(QString::fromUtf8(name));
}

}  // namespace tarvik::test
