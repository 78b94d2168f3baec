// FontDesc (the LOGFONT fields of the settings file plus a colour) to and
// from QFont.
//
// Size: a FontDesc height h (pixels at 96 dpi) is the point size
// round(|h| x 72 / 96), halves away from zero (67 px -> 50 pt). A point size
// p read back becomes the height -round(p x 96 / 72), unless it is the point
// size the font already had: then the old height stays, so 66 px and 67 px,
// both 50 pt, survive a trip through a font dialog unchanged.
// QFont has no colour, width, escapement, orientation, character set,
// precision, quality or pitch-and-family; FromQFont keeps those of the font
// it is given.
#pragma once

#include <QColor>
#include <QFont>

#include "common/font_desc.h"

namespace tarvik {

QFont ToQFont(const FontDesc& font);

// `base` with face, size, weight, italic, underline and strike-out taken from
// `font`.
FontDesc FromQFont(const QFont& font, const FontDesc& base);

// The font's colour (0x00BBGGRR); system colours (negative values) draw black.
QColor FontColor(const FontDesc& font);

// Lets the Windows face names of settings files draw with similar installed
// faces: 宋体/SimSun with a Ming (Song) face, 黑体/SimHei with a sans CJK
// face, MS Sans Serif with the sans-serif face. Call once after creating the
// application object; calling it again changes nothing.
void InstallWindowsFontSubstitutes();

}  // namespace tarvik
