// Text in the Chinese GBK code page (Windows code page 936). Strings are UTF-8
// inside the program; GBK appears where old files store it (settings files,
// shapefiles without a .cpg) and where widths are counted in GBK bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

// UTF-8 -> GBK bytes. Throws RunError naming the first character that GBK
// cannot hold, or reporting malformed UTF-8.
std::string Utf8ToGbk(std::string_view utf8);
// GBK bytes -> UTF-8. Throws RunError on a byte sequence that is not GBK.
std::string GbkToUtf8(std::string_view gbk);

// Non-throwing forms: no value when the text does not convert.
std::optional<std::string> TryUtf8ToGbk(std::string_view utf8);
std::optional<std::string> TryGbkToUtf8(std::string_view gbk);

// Length of the text in GBK bytes: 1 for ASCII, 2 for every other character
// GBK holds. A character GBK cannot hold counts as 2, so a width estimate
// never fails.
std::size_t GbkByteLength(std::string_view utf8);

bool IsValidUtf8(std::string_view text);

// The UTF-8 text cut into code points (each element one whole character).
std::size_t CodePointCount(std::string_view utf8);
// The first `count` code points of the text (the whole text when shorter).
std::string_view Utf8Prefix(std::string_view utf8, std::size_t count);

}  // namespace tarvik
