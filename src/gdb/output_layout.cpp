#include "gdb/output_layout.h"

namespace tarvik {

std::optional<OutputLayout> OutputLayoutOfKey(const std::string& key) {
  if (key == "per-frame") return OutputLayout::PerFrame;
  if (key == "shared") return OutputLayout::Shared;
  return std::nullopt;
}

}  // namespace tarvik
