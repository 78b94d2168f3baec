#include "gdb/annotation.h"

#include "common/delphi.h"
#include "common/error.h"
#include "common/text_util.h"
#include "gdb/class_state.h"
#include "gdb/frame_catalog.h"

namespace tarvik {

namespace {

enum FieldSlot {
  kTextString,
  kFontName,
  kFontSize,
  kBold,
  kItalic,
  kUnderline,
  kHorizontalAlignment,
  kVerticalAlignment,
  kCharacterSpacing,
  kAngle,
  kAnnotationClassId,
  kColor,
};

struct AnnoField {
  const char* name;
  OGRFieldType type;
  OGRFieldSubType subType;
};

constexpr AnnoField kFields[] = {
    {"TextString", OFTString, OFSTNone},
    {"FontName", OFTString, OFSTNone},
    {"FontSize", OFTReal, OFSTNone},
    {"Bold", OFTInteger, OFSTInt16},
    {"Italic", OFTInteger, OFSTInt16},
    {"Underline", OFTInteger, OFSTInt16},
    {"HorizontalAlignment", OFTInteger, OFSTInt16},
    {"VerticalAlignment", OFTInteger, OFSTInt16},
    {"CharacterSpacing", OFTReal, OFSTNone},
    {"Angle", OFTReal, OFSTNone},
    {"AnnotationClassID", OFTInteger, OFSTNone},
    {"Color", OFTInteger, OFSTNone},
};
constexpr int kFieldCount = static_cast<int>(sizeof kFields / sizeof kFields[0]);

std::string Documentation(double referenceScale) {
  return "<metadata><tarvik><annotation><ReferenceScale>" + FloatToStr(referenceScale) +
         "</ReferenceScale><ReferenceScaleUnits>meters</ReferenceScaleUnits>"
         "<AnnotationClasses><AnnotationClass id=\"0\">Default</AnnotationClass></AnnotationClasses>"
         "</annotation></tarvik></metadata>";
}

}  // namespace

FeatureClass CreateFrameAnnotationClass(OutputWorkspace& workspace, const std::string& name,
                                        const FrameDataset& dataset, double referenceScale) {
  const auto fail = [&]() -> FeatureClass { throw RunError("不能创立注记层:" + name); };
  if (dataset.store != workspace.store()) return fail();
  const std::string doc = workspace.kind() == OutputKind::FileGdb
                              ? Documentation(referenceScale)
                              : "annotation; reference scale 1:" + FloatToStr(referenceScale) +
                                    " (meters); annotation classes: Default";
  auto state = detail::CreateClassIn(dataset, name, FrameClassKind::Annotation, doc);
  if (!state) return fail();
  for (int i = 0; i < kFieldCount; ++i) {
    OGRFieldDefn defn(kFields[i].name, kFields[i].type);
    defn.SetSubType(kFields[i].subType);
    if (!detail::AddField(*state, defn)) return fail();
  }
  state->referenceScale = referenceScale;
  auto row = dataset.row ? detail::ClassRow(*dataset.row, state->name, "annotation")
                         : detail::RowFor(dataset.name, state->name, "annotation", dataset.ref);
  row.referenceScale = referenceScale;
  row.referenceUnits = "meters";
  row.annotationClasses = "Default";
  state->store->addCatalogRow(row);
  return FeatureClass(state);
}

TextSymbol MakeTextSymbol(const FontDesc& font, double characterSpacing, double angle, double size,
                          const TextAlignment& alignment) {
  TextSymbol s;
  s.fontName = font.face;
  s.fontSize = size > 0 ? size : font.pointSize();
  if (font.color >= 0) {
    const int r = font.color & 0xFF, g = (font.color >> 8) & 0xFF, b = (font.color >> 16) & 0xFF;
    s.color = (r << 16) | (g << 8) | b;
  }
  s.bold = font.bold();
  s.italic = font.italic;
  s.underline = font.underline;
  s.angle = angle;
  s.horizontal = alignment.horizontal;
  s.vertical = alignment.vertical;
  s.characterSpacing = characterSpacing;
  return s;
}

AnnotationLayer MakeFrameLayer(const FeatureClass& cls) {
  if (!cls.state() || !cls.isAnnotation() || !cls.state()->live())
    throw RunError("不能创立注记图层:" + cls.name());
  AnnotationLayer layer;
  layer.cls_ = cls;
  layer.name_ = cls.name();
  OGRFeatureDefn* defn = cls.state()->live()->GetLayerDefn();
  for (int i = 0; i < kFieldCount; ++i) {
    layer.fields_[i] = defn->GetFieldIndex(kFields[i].name);
    if (layer.fields_[i] < 0) throw RunError("不能创立注记图层:" + cls.name());
  }
  return layer;
}

void AnnotationLayer::beginAddElements() {
  inBatch_ = true;
  added_ = 0;
}

void AnnotationLayer::endAddElements() { inBatch_ = false; }

bool AnnotationLayer::addElement(const std::string& text, const Geometry& point, const TextSymbol& s,
                                 UserFeedback& feedback) {
  auto* state = cls_.state().get();
  bool ok = state && state->live() && !point.isEmpty() && point.type() == GeometryType::Point;
  if (ok) {
    OGREnvelope e;
    point.ogr()->getEnvelope(&e);
    ok = detail::InsideDomain(*state, e);
  }
  if (ok) {
    OGRFeature* f = state->scratchFeature();
    f->SetGeometry(point.ogr());
    f->SetField(fields_[kTextString], text.c_str());
    f->SetField(fields_[kFontName], s.fontName.c_str());
    f->SetField(fields_[kFontSize], s.fontSize);
    f->SetField(fields_[kBold], s.bold ? 1 : 0);
    f->SetField(fields_[kItalic], s.italic ? 1 : 0);
    f->SetField(fields_[kUnderline], s.underline ? 1 : 0);
    f->SetField(fields_[kHorizontalAlignment], static_cast<int>(s.horizontal));
    f->SetField(fields_[kVerticalAlignment], static_cast<int>(s.vertical));
    f->SetField(fields_[kCharacterSpacing], s.characterSpacing);
    f->SetField(fields_[kAngle], s.angle);
    f->SetField(fields_[kAnnotationClassId], 0);
    f->SetField(fields_[kColor], s.color);
    ok = detail::InsertScratch(*state);
  }
  if (!ok) {
    feedback.message("保存失败");
    return false;
  }
  if (inBatch_) ++added_;
  return true;
}

bool PlaceText(const std::string& text, const FontDesc& font, double characterSpacing, double x, double y,
               AnnotationLayer& layer, double angle, double size, const TextAlignment& alignment,
               UserFeedback& feedback) {
  if (Trim(text).empty()) return false;
  return layer.addElement(text, MakePoint(x, y),
                          MakeTextSymbol(font, characterSpacing, angle, size, alignment), feedback);
}

}  // namespace tarvik
