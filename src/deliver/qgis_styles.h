// QGIS layer styles (QML of QGIS 3.22) that make the classes of a frame look
// as the preview draws them:
//   lines    by "ID" (gdb/element_kinds.h): 2 outer frame 1.0 mm, 1 thin lines 0.1 mm, 0 crosses
//            and 3 scale bar 0.15 mm, black, square caps;
//   polygons by "ID": 1 hatched (0.1 mm lines 1 mm apart, rising to the
//            right), 10 black, 100 white with a grey 0.1 mm outline;
//   texts    no symbol, one label per point from the text fields: face (the
//            stored face, then the stand-ins the preview draws it with where
//            it is missing: common/font_faces.h), size
//            (points), weight, slant, underline, colour, angle, alignment,
//            character spacing and line breaks.
// Sizes are on paper at the layer's reference scale, the frame's scale, so
// that texts and lines grow and shrink with the map like annotation.
//
// QGIS differs from the preview in two details the text style corrects: it
// adds the letter spacing after the last character too (so right-aligned
// and centred texts would end early), and it puts the baseline higher by
// kQgisBaselineRaiseEm of the font size.
#pragma once

#include <string>

namespace tarvik::deliver {

enum class FrameLayerKind { Lines, Polygons, Texts };

// Raise of QGIS's baseline over the preview's, in ems of the font size.
inline constexpr double kQgisBaselineRaiseEm = 0.07;

// A style as the attributes of the root element (<qgis> of a .qml or
// <maplayer> of a project) and its child elements.
struct LayerStyle {
  std::string rootAttributes;  // starts with a blank
  std::string body;
};

LayerStyle FrameLayerStyle(FrameLayerKind kind, double referenceScale);
// The same drawing only the features for which the QGIS expression
// `filter` holds (lines and polygons by a rule around the categories, texts
// by their labels' visibility).
LayerStyle FrameLayerStyle(FrameLayerKind kind, double referenceScale, const std::string& filter);

// One rule-based style for every class of a frame (lines, polygons and
// texts) when a reader cannot tell the classes apart: rules by geometry type
// and "ID", a zero-size marker for points so that their labels show.
LayerStyle CombinedFrameStyle(double referenceScale);

// The style as a .qml document.
std::string StyleDocument(const LayerStyle& style);

// The QGIS version the documents are written for.
inline constexpr const char* kQgisVersion = "3.22.16-Białowieża";

}  // namespace tarvik::deliver
