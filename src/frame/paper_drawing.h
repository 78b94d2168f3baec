// A margin element drawn on paper before it is placed on the sheet:
// millimetres from the element's anchor, x to the right (east), y up
// (north). The builder turns them into ground metres at the sheet's scale.
#pragma once

#include <string>
#include <vector>

#include "frame/frame_sink.h"

namespace tarvik {

struct PaperLine {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct PaperText {
  std::string text;
  double x = 0, y = 0;
  HorizontalAlignment hAlign = kLeft;
  VerticalAlignment vAlign = kBottom;
};

struct PaperDrawing {
  std::vector<PaperLine> lines;
  std::vector<PaperText> texts;
};

}  // namespace tarvik
