#include "frame/marginal_text_format.h"

#include <ctime>

#include "common/gbk.h"
#include "common/text_util.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

// The characters (code points) of a UTF-8 text.
std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = 1;
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead >= 0xF0)
      n = 4;
    else if (lead >= 0xE0)
      n = 3;
    else if (lead >= 0xC0)
      n = 2;
    chars.push_back(text.substr(i, n));
    i += n;
  }
  return chars;
}

struct Replacement {
  std::string text;
  bool replaced = false;
};

Replacement ReplaceField(const std::string& text, const FieldLookup& lookup) {
  Replacement r{text, false};
  if (!lookup) return r;
  const auto open = text.find('[');
  const auto close = text.find(']');
  if (open == std::string::npos || close == std::string::npos || open > close) return r;
  const std::string name = text.substr(open + 1, close - open - 1);
  const std::string value = Trim(lookup(name).value_or(""));
  r.text = ReplaceFirst(text, "[" + name + "]", value);
  r.replaced = true;
  return r;
}

const char* const kDigits[] = {"○", "一", "二", "三", "四", "五", "六", "七", "八", "九"};

}  // namespace

std::string ExpandFieldText(const std::string& text, const FieldLookup& lookup) {
  Replacement r = ReplaceField(text, lookup);
  if (!r.replaced) return r.text;
  if (const auto space = r.text.find(' '); space != std::string::npos) r.text.erase(space, 1);
  const auto chars = Characters(r.text);
  // A sheet number of the national series is spaced as maps print it; any
  // other ten characters (a county code 1101050000, a name, a rectangular
  // sheet's "623.0-10.0") keep their form.
  if (chars.size() == 10 && !CurrentMapNoProblem(r.text)) {
    std::string spaced;
    for (std::size_t i = 0; i < chars.size(); ++i) {
      if (i == 3 || i == 4) spaced += ' ';
      spaced += chars[i];
    }
    r.text = spaced;
  }
  return r.text;
}

MainTitle ExpandMainTitle(const std::string& text, const FieldLookup& lookup) {
  Replacement r = ReplaceField(text, lookup);
  MainTitle title{r.text, 0};
  if (!r.replaced) return title;
  const auto chars = Characters(r.text);
  title.length = static_cast<int>(chars.size());
  if (chars.size() == 3)
    title.text = chars[0] + "  " + chars[1] + "  " + chars[2];
  else if (chars.size() == 2)
    title.text = chars[0] + "    " + chars[1];
  return title;
}

std::string ExpandCoordinateSystem(const std::string& text, Datum datum) {
  return ReplaceAll(text, "[坐标系]", InfoOf(datum).marginName);
}

Date Date::Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string ChineseYear(int year) {
  std::string out;
  for (char c : std::to_string(year)) out += (c >= '0' && c <= '9') ? kDigits[c - '0'] : std::string(1, c);
  return out;
}

std::string ChineseMonthOrDay(int value) {
  if (value < 10) return kDigits[value < 0 ? 0 : value];
  if (value < 20) return std::string("十") + (value % 10 ? kDigits[value % 10] : "");
  return std::string(kDigits[value / 10 % 10]) + "十" + (value % 10 ? kDigits[value % 10] : "");
}

std::string ExpandDate(const std::string& text, const Date& date) {
  const std::string year = ChineseYear(date.year);
  const auto yearChars = Characters(year);
  std::string lastTwo;
  for (std::size_t i = yearChars.size() >= 2 ? yearChars.size() - 2 : 0; i < yearChars.size(); ++i)
    lastTwo += yearChars[i];
  const std::string digits = std::to_string(date.year);
  std::string t = ReplaceAll(text, "YYYY", year);
  t = ReplaceAll(t, "YY", lastTwo);
  t = ReplaceAll(t, "MM", ChineseMonthOrDay(date.month));
  t = ReplaceAll(t, "DD", ChineseMonthOrDay(date.day));
  t = ReplaceAll(t, "yyyy", digits);
  t = ReplaceAll(t, "yy", digits.size() >= 2 ? digits.substr(digits.size() - 2) : digits);
  t = ReplaceAll(t, "mm", std::to_string(date.month));
  t = ReplaceAll(t, "dd", std::to_string(date.day));
  return t;
}

std::string VerticalText(const std::string& text) { return JoinLines(Characters(text), "\r\n"); }

int LineCount(const std::string& text) { return static_cast<int>(SplitLines(text).size()); }

}  // namespace tarvik
