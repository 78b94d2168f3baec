// A font button's value written as one line of text, for the command line's
// `--set` and for showing a font to a person:
//
//   FACE,SIZE[,STYLE]...
//
//   FACE   the face name (UTF-8, no comma), e.g. 宋体
//   SIZE   N    point size at 96 dpi: character height round(N x 96 / 72) px
//          Npx  character height in pixels
//   STYLE  bold | italic | underline | strikeout | regular,
//          weight=N (1..1000, LOGFONT weight; bold is 700),
//          #RRGGBB (colour, red-green-blue as on the web) or color=N
//          (a Windows colour value, 0x00BBGGRR; negative = system colour)
//   Words are case-insensitive; blanks around the commas are ignored.
//   Example: "宋体,10", "宋体,10,bold,italic", "黑体,67px,#FF0000".
//
// Only these fields are set; the other LOGFONT fields take FontDesc's
// defaults (GB2312 character set), so a written value reads back to the same
// FontDesc for every font made by FromPixels or FromPoints.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/font_desc.h"

namespace tarvik {

// The font the text describes, or no value with `error` set to what is wrong
// (UTF-8, for the user).
std::optional<FontDesc> ParseFontValue(std::string_view text, std::string& error);

// The text form of `font`: the size in points when that gives back the same
// pixel height, else in pixels; style words only where they differ from a
// regular font; the colour only when it is not black.
std::string FormatFontValue(const FontDesc& font);

}  // namespace tarvik
