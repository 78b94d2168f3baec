// Sheet numbers of the Chinese national topographic map series.
//
// Current numbers have ten characters, e.g. E45G095066:
//   1     row letter of the 1:1,000,000 sheet (4 degrees of latitude, "A" = 0..4 N)
//   2-3   column of the 1:1,000,000 sheet (6 degrees of longitude, column 31 starts at 0 E)
//   4     scale letter "A" (1:1,000,000) .. "H" (1:5,000)
//   5-7   row inside the 1:1,000,000 sheet, from the north, from 1
//   8-10  column inside the 1:1,000,000 sheet, from the west, from 1
// Older dash-separated numbers (J-50, J-50-5, J-50-5-(24)-b, ...) are converted
// to the current form. All angles are decimal degrees, east and north positive.
//
// Every part is checked against its range (row letter A..V, column 01..60,
// scale letter A..H, row and column within the sheets of that scale; old
// numbers with their subdivisions, brackets closed, nothing trailing), so a
// wrong number is refused rather than read as some other sheet.
//
// The codec tells the user itself when a number is wrong (through the
// UserFeedback given), always with the reason, and returns its failure value;
// callers decide what follows. ReadMapNo does the same without telling anyone.
#pragma once

#include <optional>
#include <string>

#include "common/user_feedback.h"

namespace tarvik {

// South-west corner and size of one sheet, decimal degrees.
struct SheetExtent {
  long double westLon = 0;
  long double southLat = 0;
  int scaleIndex = 0;  // 0 for 1:1,000,000 ("A") .. 7 for 1:5,000 ("H")
  long double latSize = 0;
  long double lonSize = 0;
};

// Sizes of a sheet of the given scale letter ("A".."H"). Leaves both untouched
// and returns false for any other letter.
bool SheetSize(char letter, long double& lonSize, long double& latSize);
// "A" + scaleIndex.
char ScaleLetter(int scaleIndex);
// The decimal value left-padded with "0" to three characters ("-1" -> "0-1").
std::string Pad3(int value);
// Scale denominator of a scale index: 1000000, 500000, 250000, 100000, 50000,
// 25000, 10000 (index 6 and anything unknown), 5000.
long ScaleDenominatorOfIndex(int scaleIndex);

// Rows (and columns) of sheets of a scale index inside one 1:1,000,000
// sheet: 1, 2, 4, 12, 24, 48, 96, 192; 0 for an index outside 0..7.
int SheetsPerSide(int scaleIndex);

// Why `number` is not a valid current sheet number (ten characters, or the
// three of a whole 1:1,000,000 sheet such as J50), as a short reason naming
// the part ("第5～7位应为行号001～096（1:1万）"); nothing when it is valid.
std::optional<std::string> CurrentMapNoProblem(const std::string& number);

// A current or old number read without telling anyone.
struct MapNoReading {
  std::string number;   // the current form; empty when the text is refused
  int scaleIndex = 0;   // of the number read
  std::string problem;  // when refused: the whole message for the user, reason included
};
// The reading NormalizeMapNo makes, with its message in `problem` instead of
// shown. Current numbers are checked in full here.
MapNoReading ReadMapNo(const std::string& text);

// South-west corner and size of a current sheet number. Shows
// "输入的" + number + ",错误的图幅号：" + reason when a part does not read or
// lies outside its range; an empty (or blank) number fails without a message.
std::optional<SheetExtent> DecodeMapNo(const std::string& number, UserFeedback& feedback);
// The same without telling anyone: the message goes into `why` (when
// given; empty for a blank number).
std::optional<SheetExtent> DecodeMapNo(const std::string& number, std::string* why = nullptr);

// The current number of a current or old number; empty (after telling the user
// why) when the text is not a sheet number. A text without "-" must have
// ten characters, or three for a whole 1:1,000,000 sheet (J50) ("图幅号输入错误："
// + what the forms are), and valid parts (the message of DecodeMapNo).
std::string NormalizeMapNo(const std::string& text, UserFeedback& feedback);

// Converts an old dash-separated number; empty when it cannot, after
// "输入的" + text + ",错误的旧图幅号：" + reason. A whole 1:1,000,000 sheet
// keeps its two-digit column (J-07 gives J07).
std::string OldToNewMapNo(const std::string& text, int& scaleIndex, UserFeedback& feedback);

// Central meridian of the 3-degree zone holding the sheet's west edge, or -1
// when the text is not a valid sheet number. The west longitude is read as a
// decimal number (87.9375 lies in the zone of 87).
long double SuggestCentralMeridian(const std::string& text, UserFeedback& feedback);

}  // namespace tarvik
