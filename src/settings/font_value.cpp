#include "settings/font_value.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/delphi.h"
#include "common/text_util.h"

namespace tarvik {
namespace {

std::vector<std::string> SplitCommas(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(Trim(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start)));
    if (comma == std::string_view::npos) return parts;
    start = comma + 1;
  }
}

// Pixel height from "N" (points) or "Npx"; no value when not a size.
std::optional<std::int32_t> ParseSize(std::string_view text) {
  const bool pixels = EndsWithNoCase(text, "px");
  if (pixels) text.remove_suffix(2);
  const auto n = StrToInt(Trim(text));
  if (!n || *n < 1 || *n > 1000) return std::nullopt;
  if (pixels) return static_cast<std::int32_t>(*n);
  return -FontDesc::FromPoints("", static_cast<int>(*n)).height;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#RRGGBB" -> 0x00BBGGRR.
std::optional<std::int32_t> ParseWebColour(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  int rgb[3];
  for (int k = 0; k < 3; ++k) {
    const int hi = HexDigit(text[1 + 2 * k]), lo = HexDigit(text[2 + 2 * k]);
    if (hi < 0 || lo < 0) return std::nullopt;
    rgb[k] = hi * 16 + lo;
  }
  return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
}

}  // namespace

std::optional<FontDesc> ParseFontValue(std::string_view text, std::string& error) {
  const std::vector<std::string> parts = SplitCommas(text);
  if (parts.size() < 2 || parts[0].empty()) {
    error = "字体应写作“名称,字号[,bold][,italic]...”";
    return std::nullopt;
  }
  FontDesc font;
  font.face = parts[0];
  const auto height = ParseSize(parts[1]);
  if (!height) {
    error = "字号“" + parts[1] + "”不是1到1000之间的整数（磅，或加px表示像素）";
    return std::nullopt;
  }
  font.height = -*height;
  for (std::size_t i = 2; i < parts.size(); ++i) {
    const std::string& word = parts[i];
    if (EqualsNoCase(word, "bold")) {
      font.weight = 700;
    } else if (EqualsNoCase(word, "italic")) {
      font.italic = true;
    } else if (EqualsNoCase(word, "underline")) {
      font.underline = true;
    } else if (EqualsNoCase(word, "strikeout")) {
      font.strikeOut = true;
    } else if (EqualsNoCase(word, "regular")) {
      font.weight = 400;
    } else if (StartsWithNoCase(word, "weight=")) {
      const auto w = StrToInt(word.substr(7));
      if (!w || *w < 1 || *w > 1000) {
        error = "字重“" + word + "”应在1到1000之间";
        return std::nullopt;
      }
      font.weight = static_cast<std::int32_t>(*w);
    } else if (StartsWithNoCase(word, "color=")) {
      const auto c = StrToInt(word.substr(6));
      if (!c || *c < INT32_MIN || *c > INT32_MAX) {
        error = "颜色“" + word + "”不是整数";
        return std::nullopt;
      }
      font.color = static_cast<std::int32_t>(*c);
    } else if (const auto c = ParseWebColour(word)) {
      font.color = *c;
    } else {
      error = "不认识的字体样式“" + word + "”（可用bold、italic、underline、strikeout、#RRGGBB）";
      return std::nullopt;
    }
  }
  return font;
}

std::string FormatFontValue(const FontDesc& font) {
  const int pixels = std::abs(font.height);
  std::string out = font.face + ",";
  const int points = font.pointSize();
  if (font.height < 0 && FontDesc::FromPoints("", points).height == font.height)
    out += std::to_string(points);
  else
    out += std::to_string(pixels) + "px";
  if (font.weight == 700)
    out += ",bold";
  else if (font.weight != 400)
    out += ",weight=" + std::to_string(font.weight);
  if (font.italic) out += ",italic";
  if (font.underline) out += ",underline";
  if (font.strikeOut) out += ",strikeout";
  if (font.color > 0) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", font.color & 0xFF, (font.color >> 8) & 0xFF,
                  (font.color >> 16) & 0xFF);
    if (font.color <= 0xFFFFFF)
      out += std::string(",") + hex;
    else
      out += ",color=" + std::to_string(font.color);
  } else if (font.color < 0) {
    out += ",color=" + std::to_string(font.color);
  }
  return out;
}

}  // namespace tarvik
