// Writing a delivered file whole or not at all.
#pragma once

#include <string>

namespace tarvik::deliver {

// Writes `content` to `path` through a temporary file renamed over it, so a
// failure never leaves a half-written file. RunError naming the file when it
// cannot be written.
void WriteTextFile(const std::string& path, const std::string& content);

}  // namespace tarvik::deliver
