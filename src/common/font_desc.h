// A font as the frame engine and the settings file see it: the fields of a
// Windows LOGFONT plus a colour, with no toolkit type. The window converts it
// to and from QFont; the settings file stores it as a 60-byte LOGFONTA.
#pragma once

#include <cstdint>
#include <string>

namespace tarvik {

struct FontDesc {
  std::string face = "宋体";  // UTF-8; GBK in the settings file
  // Character height in pixels at 96 dpi, stored negative as LOGFONT does
  // (a negative height means the character height without internal leading).
  std::int32_t height = -13;
  std::int32_t width = 0;
  std::int32_t escapement = 0;
  std::int32_t orientation = 0;
  std::int32_t weight = 400;  // 400 normal, 700 bold
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  std::uint8_t charSet = 134;  // GB2312_CHARSET
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  // 0x00BBGGRR; a negative value is a system colour (drawn black).
  std::int32_t color = 0;

  // Point size: round(|height| x 72 / 96), halves away from zero
  // (67 px -> 50 pt, 13 px -> 10 pt).
  int pointSize() const;
  bool bold() const { return weight >= 600; }

  // A 宋体-style font of `pixels` height at 96 dpi.
  static FontDesc FromPixels(const std::string& face, int pixels);
  // A font of the given point size (height -round(pt x 96 / 72)).
  static FontDesc FromPoints(const std::string& face, int points);

  bool operator==(const FontDesc&) const = default;
};

}  // namespace tarvik
