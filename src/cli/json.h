// Minimal JSON writing for the machine-readable outputs of the commands.
#pragma once

#include <string>
#include <string_view>

namespace tarvik::cli {

// Shortest text that reads back as the same double.
std::string JsonNumber(double value);
// A quoted, escaped JSON string (the text is UTF-8 and stays so).
std::string JsonString(std::string_view text);

}  // namespace tarvik::cli
