// The frame of one standard sheet given only its sheet number: the sheet is
// decoded, the map scale taken from its scale letter, the four corners built
// from the sheet's geographic rectangle, and the output reference chosen from
// the datum and zone settings. One run writes one frame, into classes named
// after the number as typed. Large-scale rectangular sheets ("x-y" numbers)
// are framed the same way from their planar corners.
#pragma once

#include <string>

#include "frame/utstandardMap.h"

namespace tarvik {

class TCreateTkByTfhao : public TstandardMap {
 public:
  TCreateTkByTfhao(const std::string& sheetNumber, const TFrameSettings& settings, RunValues run,
                   std::unique_ptr<FrameStore> store, UserFeedback& feedback);
  // A large-scale rectangular sheet (ParseRectNumber), at its own scale:
  // planar corners straight from its number, classes named after its
  // number, placeholders "[TFH]" giving the number.
  TCreateTkByTfhao(const RectSheet& sheet, const TFrameSettings& settings, RunValues run,
                   std::unique_ptr<FrameStore> store, UserFeedback& feedback);

  // The whole run: one frame. An invalid number is told by the codec and
  // ends the run without writing anything (counts().finished stays 0).
  void Run() override;

  // Decodes the number, sets the scale, fills the geographic rectangle and the
  // inner and outer corners. False when the number is not valid.
  bool PrepareCorners();
  // Builds the output reference and creates the frame's classes.
  void MakeSpatialReference();
  // ScaleFactor (denominator / 10000) of a scale index: 100 for "A" ... 0.5 for "H".
  static long double ScaleOfIndex(int scaleIndex);

  const std::string FMapNo;

 private:
  bool PrepareRectCorners();
};

}  // namespace tarvik
