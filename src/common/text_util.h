// Small string operations with the exact semantics the frame texts rely on.
// ASCII case rules only: the texts compared this way are field and control
// names, placeholders and path endings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// Removes characters up to and including the space (control characters too)
// from both ends, as the frame texts are trimmed.
std::string Trim(std::string_view text);
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Position of `needle` in `text` ignoring ASCII case, or npos.
std::size_t FindNoCase(std::string_view text, std::string_view needle);
// `text` with the first occurrence of `from` replaced (unchanged when absent).
std::string ReplaceFirst(std::string_view text, std::string_view from, std::string_view to);
std::string ReplaceFirstNoCase(std::string_view text, std::string_view from, std::string_view to);
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to);
// Splits at CR LF, LF or CR; a final line break does not add an empty line.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines, std::string_view separator = "\r\n");

}  // namespace tarvik
