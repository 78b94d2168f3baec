#include "common/font_faces.h"

#include <algorithm>

#include <fontconfig/fontconfig.h>

namespace tarvik {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsNoCase(std::string_view text, std::string_view mark) {
  const auto it = std::search(text.begin(), text.end(), mark.begin(), mark.end(),
                              [](char a, char b) { return Lower(a) == Lower(b); });
  return it != text.end();
}

std::string_view Trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Whether a face of exactly this family is installed (aliases do not count:
// FcFontList applies no substitution).
bool Installed(FcConfig* config, const std::string& family) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = objects ? FcFontList(config, pattern, objects) : nullptr;
  const bool found = fonts && fonts->nfont > 0;
  if (fonts) FcFontSetDestroy(fonts);
  if (objects) FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return found;
}

}  // namespace

const std::vector<std::string>& FaceStyleMarks(FaceStyle style) {
  static const std::vector<std::string> song = {"宋", "仿", "楷", "明", "Song", "SimSun", "Ming", "Kai"};
  static const std::vector<std::string> hei = {"黑", "Hei"};
  static const std::vector<std::string> none;
  return style == FaceStyle::Song ? song : style == FaceStyle::Hei ? hei : none;
}

const std::vector<std::string>& StandInFaces(FaceStyle style) {
  // Debian: fonts-arphic-uming, fonts-wqy-zenhei; the Noto and Source Han
  // faces where a system has them instead.
  static const std::vector<std::string> song = {"AR PL UMing CN", "Noto Serif CJK SC", "Source Han Serif SC",
                                                "WenQuanYi Zen Hei"};
  static const std::vector<std::string> hei = {"WenQuanYi Zen Hei", "Noto Sans CJK SC", "Source Han Sans SC",
                                               "AR PL UMing CN"};
  static const std::vector<std::string> none;
  return style == FaceStyle::Song ? song : style == FaceStyle::Hei ? hei : none;
}

FaceStyle FaceStyleOf(std::string_view face) {
  for (FaceStyle style : {FaceStyle::Song, FaceStyle::Hei})
    for (const std::string& mark : FaceStyleMarks(style))
      if (ContainsNoCase(face, mark)) return style;
  return FaceStyle::Other;
}

std::vector<std::string> FaceFamilies(std::string_view face) {
  const std::string_view name = Trimmed(face);
  if (name.empty()) return {"Sans Serif"};
  std::vector<std::string> out{std::string(name)};
  for (const std::string& standIn : StandInFaces(FaceStyleOf(name)))
    if (std::find(out.begin(), out.end(), standIn) == out.end()) out.push_back(standIn);
  return out;
}

std::string InstalledStandIn(FaceStyle style, const std::string& fontconfigFile) {
  const std::vector<std::string>& standIns = StandInFaces(style);
  if (standIns.empty()) return {};
  FcConfig* config = nullptr;  // the system's: fontconfig's own current configuration
  if (!fontconfigFile.empty()) {
    config = FcConfigCreate();
    if (!config) return standIns.front();
    if (!FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(fontconfigFile.c_str()), FcTrue) ||
        !FcConfigBuildFonts(config)) {
      FcConfigDestroy(config);
      return standIns.front();
    }
  } else if (!FcInit()) {
    return standIns.front();
  }
  std::string out = standIns.front();
  for (const std::string& face : standIns)
    if (Installed(config, face)) {
      out = face;
      break;
    }
  if (config) FcConfigDestroy(config);
  return out;
}

const char* GenericFamilyOf(std::string_view face) {
  return FaceStyleOf(face) == FaceStyle::Song ? "serif" : "sans-serif";
}

}  // namespace tarvik
