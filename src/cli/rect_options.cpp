#include "cli/rect_options.h"

#include "common/error.h"
#include "common/text_util.h"

namespace tarvik::cli {

const char* RectOptionHelp() {
  return "  --rect 50x50|40x50|40x40 sheet size on paper in cm, north-south x east-west\n"
         "                           (default: the first of these whose grid holds the\n"
         "                           number; 1:5000 sheets are 40x40)\n";
}

std::optional<RectLayout> RectLayoutOption(const Args& args) {
  const auto text = args.value("--rect");
  if (!text) return std::nullopt;
  const auto layout = ParseRectLayout(*text);
  if (!layout) throw UsageError("--rect 只能是 50x50、40x50 或 40x40: " + *text);
  return layout;
}

RectSheet RectSheetOfNumber(const std::string& number, long denominator, const Args& args) {
  auto parsed = ParseRectNumber(number, denominator, RectLayoutOption(args));
  if (auto* reason = std::get_if<std::string>(&parsed)) throw RunError(*reason);
  return std::get<RectSheet>(parsed);
}

bool RectSystemStated(const Args& args) {
  const auto sets = [&](std::string_view control) {
    for (const std::string& assignment : args.values("--set")) {
      const auto eq = assignment.find('=');
      if (eq != std::string::npos && EqualsNoCase(std::string_view(assignment).substr(0, eq), control))
        return true;
    }
    return false;
  };
  return (args.value("--datum") || sets("gb8054")) && (args.value("--central-meridian") || sets("centerL"));
}

bool AsksForRectIndex(const std::vector<std::string>& argv) {
  for (const auto& a : argv)
    if (a == "--rect" || a.rfind("--rect=", 0) == 0) return true;
  return false;
}

}  // namespace tarvik::cli
