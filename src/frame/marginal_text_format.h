// Text rules of the marginal elements: field placeholders ("[NAME]" replaced
// by the framed feature's attribute), date placeholders, vertical text.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "coords/datum.h"

namespace tarvik {

// The trimmed text value of a field of the feature being framed; no value
// when the feature has no such field. An empty function means there is no
// feature to read from (a typed sheet number).
using FieldLookup = std::function<std::optional<std::string>(const std::string& field)>;

// Replaces the first "[Field]" with the feature's value of Field when there is
// a feature to read from and "[" comes before "]". After a replacement the
// first space is removed, and a result that is a current sheet number of
// the national series is spaced as "E45 G 095066" (other ten-character
// texts, such as a county code or a rectangular sheet number "623.0-10.0",
// are not). A missing field gives an empty value.
std::string ExpandFieldText(const std::string& text, const FieldLookup& lookup);

struct MainTitle {
  std::string text;
  int length = 0;  // characters after a replacement; 0 when nothing was replaced
};
// The main title's placeholder: as ExpandFieldText without the space rules;
// a 3-character result becomes "c1  c2  c3", a 2-character one "c1    c2".
MainTitle ExpandMainTitle(const std::string& text, const FieldLookup& lookup);

// Replaces every "[坐标系]" with the datum's name as maps print it
// ("2000国家大地坐标系", "1980西安坐标系", "1954年北京坐标系", "WGS84坐标系"),
// so that a note always names the system the frame is drawn in.
std::string ExpandCoordinateSystem(const std::string& text, Datum datum);

struct Date {
  int year = 2000, month = 1, day = 1;
  static Date Today();
};
// Replaces, in this order and everywhere: YYYY (year in Chinese numerals), YY
// (its last two characters), MM, DD (Chinese numerals), yyyy, yy, mm, dd
// (digits, no leading zeros).
std::string ExpandDate(const std::string& text, const Date& date);
// Chinese numerals of the date placeholders.
std::string ChineseYear(int year);         // 2009 -> 二○○九
std::string ChineseMonthOrDay(int value);  // 10 -> 十, 12 -> 十二, 20 -> 二十, 31 -> 三十一

// Every character on a line of its own (lines joined by CR LF).
std::string VerticalText(const std::string& text);
// Number of lines of a multi-line text.
int LineCount(const std::string& text);

}  // namespace tarvik
