// Annotation: the texts of a frame, stored in the point class "a_" + name,
// one feature per text, with the text properties as fields named after Esri
// annotation:
//   TextString          text, unchanged (not trimmed; CR LF kept)
//   FontName            font face
//   FontSize            real, points at the reference scale
//   Bold, Italic, Underline   0 / 1
//   HorizontalAlignment left 0, centre 1, right 2
//   VerticalAlignment   top 0, centre 1, bottom 3
//   CharacterSpacing    real, the text symbol's character spacing
//   Angle               real, degrees counter-clockwise
//   AnnotationClassID   0: the one annotation class "Default"
//   Color               0xRRGGBB as an integer (red in the high byte)
// The point (Shape) is the text's anchor in store coordinates.
//
// Class properties (reference scale = scale denominator, units metres, the
// annotation class "Default") are stored in the frame catalog table and, for
// other readers, as the class's documentation (File GDB) or description
// (GeoPackage).
#pragma once

#include <string>

#include "common/font_desc.h"
#include "common/user_feedback.h"
#include "gdb/feature_class.h"
#include "gdb/geometry.h"
#include "gdb/text_alignment.h"

namespace tarvik {

struct TextSymbol {
  std::string fontName;
  double fontSize = 0;  // points
  int color = 0;        // 0xRRGGBB
  bool bold = false, italic = false, underline = false;
  double angle = 0;  // degrees
  HorizontalAlignment horizontal = HorizontalAlignment::Left;
  VerticalAlignment vertical = VerticalAlignment::Bottom;
  double characterSpacing = 0;
  bool operator==(const TextSymbol&) const = default;
};

// The annotation class `name` in the dataset, with the reference scale in
// metres. RunError "不能创立注记层:" + name when it cannot be created.
FeatureClass CreateFrameAnnotationClass(OutputWorkspace& workspace, const std::string& name,
                                        const FrameDataset& dataset, double referenceScale);

// The symbol of one text: the font's face, bold/italic/underline; its colour
// (a system colour, negative, gives black); the size in points when size > 0,
// else the font's own point size; angle, spacing and alignments as given.
TextSymbol MakeTextSymbol(const FontDesc& font, double characterSpacing, double angle, double size,
                          const TextAlignment& alignment);

// Adds texts to an annotation class. Texts are stored as they are added;
// beginAddElements/endAddElements bracket one frame's texts.
class AnnotationLayer {
 public:
  AnnotationLayer() = default;
  FeatureClass featureClass() const { return cls_; }
  const std::string& name() const { return name_; }

  void beginAddElements();
  // One text at the point; false (and "保存失败" shown) when it cannot be
  // stored, e.g. outside the class's domain.
  bool addElement(const std::string& text, const Geometry& point, const TextSymbol& symbol,
                  UserFeedback& feedback);
  void endAddElements();
  bool inBatch() const { return inBatch_; }
  int addedInBatch() const { return added_; }

 private:
  friend AnnotationLayer MakeFrameLayer(const FeatureClass& cls);
  FeatureClass cls_;
  std::string name_;
  int fields_[12] = {};  // indexes of the annotation fields
  bool inBatch_ = false;
  int added_ = 0;
};

// The layer through which texts are added to an annotation class. RunError
// when the class is not an annotation class or its store is closed.
AnnotationLayer MakeFrameLayer(const FeatureClass& cls);

// Brackets one frame's texts: begins on construction, ends on destruction
// (so also when drawing fails).
class AnnotationBatch {
 public:
  explicit AnnotationBatch(AnnotationLayer& layer) : layer_(layer) { layer_.beginAddElements(); }
  ~AnnotationBatch() { layer_.endAddElements(); }
  AnnotationBatch(const AnnotationBatch&) = delete;
  AnnotationBatch& operator=(const AnnotationBatch&) = delete;

 private:
  AnnotationLayer& layer_;
};

// Places one text anchored at (x easting, y northing), store coordinates.
// A text that is empty after trimming blanks is skipped (returns false, says
// nothing); otherwise it is stored unchanged with MakeTextSymbol's symbol.
bool PlaceText(const std::string& text, const FontDesc& font, double characterSpacing, double x, double y,
               AnnotationLayer& layer, double angle, double size, const TextAlignment& alignment,
               UserFeedback& feedback);

}  // namespace tarvik
