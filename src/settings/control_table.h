// The one table from control names to TFrameSettings members. The window's
// collecting step, the settings file and the command line's --set NAME=VALUE
// all go through it, so a setting means the same everywhere.
//
// Every control has a "control form" of its value, the text a person or the
// settings file gives for it:
//   edit        the text as typed (UTF-8)
//   spin edit   a whole number (32-bit), e.g. "150"
//   radio group the 0-based item index, e.g. "1"; the item text is accepted too
//   check box   "True" or "False" (any case; "1" and "0" are accepted)
//   memo        lines separated by "<Br>" (any case) or line breaks;
//               read back with "<Br>" between the lines (held with CR LF)
//   combo box   the 0-based selected index; an item text is accepted too
//   rich edit   the text as typed
//   font button see font_value.h ("宋体,10,bold")
// and a conversion to its member (seconds of arc to degrees, index to flag,
// bracket stripping, trimming, scale text to ScaleFactor).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/font_desc.h"
#include "settings/frame_settings.h"

namespace tarvik {

enum class ControlKind { Edit, SpinEdit, RadioGroup, CheckBox, Memo, ComboBox, RichEdit, FontButton };

// The window a control lives on.
enum class SettingsForm { Main, Dialog };

// The form's name in the settings file: "FrmTarvik" (main window), "Frmset"
// (settings dialog).
std::string_view FormName(SettingsForm form);

// The property under which the settings file stores a control of this kind:
// "Text", "Value", "itemindex", "checked", "lines", "items", "Lines"; empty for
// font buttons (their fonts have a section of their own).
std::string_view FileProperty(ControlKind kind);

// How the control's value becomes the member.
enum class Conversion {
  Plain,             // as it stands: number, index, flag, text, font
  SecondsToDegrees,  // spin edit in seconds of arc -> degrees (/3600)
  IndexIsOne,        // choice index -> flag, true for index 1
  IndexIsZero,       // choice index -> flag, true for index 0
  StripBrackets,     // the text loses its first "[" and its first "]"
  Trimmed,           // the text without surrounding blanks
  ScaleText,         // scale text (ScaleDenominatorOfText) -> ScaleFactor =
                     // denominator / 10000; a text that is no scale is refused
};

// The scale denominator a scale text gives: a number ("10000"), optionally
// after "1:" (or the full-width "1："), optionally counted in 万 ("5万" is
// 50000, "1:2.5万" 25000); blanks around the parts are ignored. No value for
// anything else, or for a denominator that is not a positive number. A
// scale that does not read must never quietly become another: it draws a
// different map.
std::optional<long double> ScaleDenominatorOfText(std::string_view text);

using SettingsMember =
    std::variant<int TFrameSettings::*, long double TFrameSettings::*, bool TFrameSettings::*,
                 std::string TFrameSettings::*, FontDesc TFrameSettings::*, CreationMode TFrameSettings::*,
                 GridType TFrameSettings::*, CornerLabelMode TFrameSettings::*>;

struct SpinRange {
  int min;
  int max;
};

struct ControlEntry {
  std::string_view name;  // exact case; looked up without regard to case
  SettingsForm form;
  ControlKind kind;
  SettingsMember member;
  Conversion conversion;
  std::string_view defaultValue;        // in control form
  std::string_view caption;             // the control's caption or label (may be empty)
  std::string_view unit;                // of the control form: "0.1毫米", "米", "秒", "度", ...
  std::optional<SpinRange> range;       // spin edits with limits
  std::vector<std::string_view> items;  // radio groups and combo boxes
};

// Every control that feeds TFrameSettings: the main window's first, then the
// settings dialog's in tab order.
const std::vector<ControlEntry>& ControlTable();

// The entry named `name` (any case), or nullptr.
const ControlEntry* FindControl(std::string_view name);
const ControlEntry* FindControl(SettingsForm form, std::string_view name);

// What a spin edit does with a number outside its range: the command line
// refuses it, loading a settings file clamps it into the range as the
// dialog's spin edit itself does.
enum class RangeRule { Refuse, Clamp };

// Sets the member of `entry` from `value` in control form. Returns the reason
// (UTF-8, for the user) when the value is refused; the settings are then
// unchanged. Never throws for bad input.
std::optional<std::string> ApplyControlValue(TFrameSettings& settings, const ControlEntry& entry,
                                             std::string_view value, RangeRule rule = RangeRule::Refuse);
// The same by control name (any case, either window); an unknown name is
// refused with a reason.
std::optional<std::string> ApplyControlValue(TFrameSettings& settings, std::string_view name,
                                             std::string_view value, RangeRule rule = RangeRule::Refuse);

// The member of `entry` in control form (what ApplyControlValue takes back).
std::string ReadControlValue(const TFrameSettings& settings, const ControlEntry& entry);

// One line describing the control form of `entry`, for help texts, e.g.
// "整数，75..135（度）" or "选项序号：0=西安80 1=北京54 2=WGS84".
std::string DescribeValueForm(const ControlEntry& entry);

}  // namespace tarvik
