// tarvik-cli settings [--settings FILE.set] [--set NAME=VALUE]... [--write FILE.set]:
// every setting by its control name, its value form and its current value.
#include <iostream>

#include "cli/args.h"
#include "cli/command.h"
#include "cli/run_options.h"
#include "common/error.h"
#include "settings/control_table.h"
#include "settings/settings_apply.h"
#include "settings/settings_file.h"

namespace tarvik::cli {
namespace {

const char* kUsage =
    "Usage: tarvik-cli settings [--settings FILE.set] [--set NAME=VALUE]... [--write FILE.set "
    "[--dialog-only]]\n\n"
    "Lists every setting the frame commands take with --set NAME=VALUE: its control\n"
    "name (as in the window and the settings file), caption, value form and value.\n"
    "The values are the defaults, or those of --settings FILE.set, after the --set\n"
    "options. --write saves them as a settings file that the window and\n"
    "--settings read; with --dialog-only it holds the settings dialog's values\n"
    "alone, leaving datum, zone, meridian and scale to whoever loads it.\n";

int Run(const std::vector<std::string>& argv) {
  const Args args(argv, {"--settings", "--write"}, {"--dialog-only"}, {"--set"});
  if (!args.positional().empty()) throw UsageError("多余的参数: " + args.positional()[0]);
  TFrameSettings s;
  if (const auto file = args.value("--settings")) LoadSettingsOption(*file, s);
  for (const std::string& assignment : args.values("--set")) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) throw UsageError("--set 需要 NAME=VALUE: " + assignment);
    if (const auto reason = ApplyControlValue(s, assignment.substr(0, eq), assignment.substr(eq + 1)))
      throw UsageError("--set " + assignment + ": " + *reason);
  }
  if (const auto out = args.value("--write")) {
    SettingsDocument document = BuildSettingsDocument(s);
    // Only the frame's own settings: datum, zone, meridian and scale stay
    // with the run that loads the file.
    if (args.flag("--dialog-only"))
      std::erase_if(document.forms,
                    [](const FormSettings& f) { return f.name != FormName(SettingsForm::Dialog); });
    for (const auto& warning : SaveSettingsFile(*out, document)) std::cerr << warning << "\n";
    std::cout << "已保存: " << *out << "\n";
    return kExitOk;
  }
  for (const ControlEntry& e : ControlTable()) {
    std::cout << e.name << " = " << ReadControlValue(s, e) << "\n    "
              << (e.caption.empty() ? std::string_view("") : e.caption) << (e.caption.empty() ? "" : "  ")
              << DescribeValueForm(e) << "\n";
  }
  return kExitOk;
}

const CommandRegistration kRegistration({"settings",
                                         "list the settings (--set names), or write a settings file", kUsage,
                                         &Run});

}  // namespace
}  // namespace tarvik::cli
