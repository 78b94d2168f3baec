// Alignment of a text to its anchor point, with the codes of Esri annotation
// (the values stored in the fields HorizontalAlignment and
// VerticalAlignment). The frame engine, the output store, the preview and
// the exports all use this one encoding.
#pragma once

namespace tarvik {

enum class HorizontalAlignment { Left = 0, Center = 1, Right = 2 };
enum class VerticalAlignment { Top = 0, Center = 1, Baseline = 2, Bottom = 3 };

// The alignment of the next texts, kept by the caller (the frame engine's
// text state). Left and bottom until first set.
struct TextAlignment {
  HorizontalAlignment horizontal = HorizontalAlignment::Left;
  VerticalAlignment vertical = VerticalAlignment::Bottom;
};

}  // namespace tarvik
