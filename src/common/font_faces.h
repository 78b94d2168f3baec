// The installed faces that draw a text whose stored face (宋体, 黑体, 楷体,
// ... as on a Chinese Windows) is missing. One table for every reader that
// draws texts: the preview and the settings window ask it through Qt, the
// QGIS styles turn it into the labels' font family, so that QGIS picks the
// faces the preview measures with. The stored face always comes first: where
// it is installed it draws.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// Song (Ming) faces: 宋体/SimSun, 新宋体, 仿宋, 楷体 and other brush faces,
// drawn with serif CJK faces; Hei faces: 黑体/SimHei, 微软雅黑/Microsoft
// YaHei, drawn with sans CJK faces; other faces keep whatever the system
// matches for them (Chinese characters then fall back glyph by glyph).
enum class FaceStyle { Song, Hei, Other };

// The style of a face by the marks in its name (ASCII marks compared without
// case; Song is tested first, so 宋黑 is a Song face).
FaceStyle FaceStyleOf(std::string_view face);

// The marks that make a name of `style`, UTF-8 (none for Other).
const std::vector<std::string>& FaceStyleMarks(FaceStyle style);

// Installed faces tried after the stored one, best first (none for Other).
const std::vector<std::string>& StandInFaces(FaceStyle style);

// The families to try in order: the stored face (blanks trimmed), then the
// stand-ins of its style; a blank name gets the system's "Sans Serif".
std::vector<std::string> FaceFamilies(std::string_view face);

// The first stand-in of `style` this machine has installed, as fontconfig
// lists its faces (the faces of `fontconfigFile` when given, else the
// system's); the first of the table when none is or fontconfig fails. For
// readers that take a single family, decided when their file is written.
std::string InstalledStandIn(FaceStyle style, const std::string& fontconfigFile = "");

// The generic family of CSS/SVG: "serif" for Song faces, else "sans-serif".
const char* GenericFamilyOf(std::string_view face);

}  // namespace tarvik
