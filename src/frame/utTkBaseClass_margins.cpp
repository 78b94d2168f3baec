// Marginal elements shared by both builders: notes, unit name, scale text,
// classification mark and map title, titles, scale bar. Inputs are the edges
// of the outer frame; margins are settings in 0.1 mm (times ScaleFactor).
#include <string>

#include "common/delphi.h"
#include "common/gbk.h"
#include "common/text_util.h"
#include "frame/utTkBaseClass.h"

namespace tarvik {

void TtkBaseClass::DrawLeftTexts(long double BottomX, long double LeftY) {
  const long double k = S.ScaleFactor;
  if (!S.molb.empty())
    AddText(ExpandDate(ExpandFieldText(S.molb), FRun.today), S.btnleftdown, kLeft, kTop,
            {BottomX - S.selb * k, LeftY + FFrameGap});
  if (!S.edtleft.empty())
    AddVerticalText(ExpandRunText(S.edtleft), S.btnleft,
                    {BottomX + FFrameGap - 25 * k, LeftY - S.seleft * k});
}

void TtkBaseClass::DrawRightBottomText(long double BottomX, long double RightY) {
  if (S.morb.empty()) return;
  const long double k = S.ScaleFactor;
  const FontDesc& font = S.btnrightdown;
  const std::string note = ExpandDate(ExpandRunText(S.morb), FRun.today);
  if (S.edtrightbottom.empty()) {
    AddText(note, font, kRight, kTop, {BottomX - S.serb * k, RightY - FFrameGap});
    return;
  }
  const long double h = TextHeight(font);
  const long double W = TextHeight2(font) * GbkByteLength(S.edtrightbottom) / 4;
  const int n = LineCount(S.morb);
  AddText(ExpandDate(ExpandRunText(S.edtrightbottom), FRun.today), font, kRight, kTop,
          {BottomX - S.serb * k - n * h / 3, RightY - FFrameGap});
  AddText(note, font, kRight, kTop, {BottomX - S.serb * k, RightY - FFrameGap - W});
}

namespace {

std::string ScaleText(const std::string& pattern, long double scaleFactor) {
  const std::int64_t denominator = Trunc(scaleFactor * 10000);
  return ReplaceFirstNoCase(pattern, "[scale]", std::to_string(denominator));
}

}  // namespace

void TtkBaseClass::DrawScaleText(long double BottomX, long double RightY, long double LeftY) {
  AddText(ScaleText(S.edtscale, S.ScaleFactor), S.btntscale, kCentre, kTop,
          {BottomX - S.sescale * S.ScaleFactor, (RightY + LeftY) / 2});
}

void TtkBaseClass::DrawRightTopTexts(long double TopX, long double RightY) {
  if (S.edtru.empty()) return;
  const long double k = S.ScaleFactor;
  // The 20 is ground metres and does not scale.
  AddTextRight(ExpandRunText(S.edtru), S.btnRightUp, kBottom, {TopX + S.seru * k, RightY - FFrameGap - 20});
  AddTextRight(ExpandRunText(S.edtmapTitle), S.btnmapTitle, kBottom,
               {TopX + S.seMapTitleTop * k, RightY - FFrameGap - 20 - S.semapTitler * k});
}

void TtkBaseClass::DrawTitles(long double TopX, long double RightY, long double LeftY) {
  const long double k = S.ScaleFactor;
  if (!S.edtmian.empty()) {
    const MainTitle title = ExpandMainTitle(ExpandRunText(S.edtmian), currentFeatureLookup());
    CharSpacing = title.length < 4 ? 0 : 30;
    AddTextMidway(title.text, S.btntlitle1, kCentre, kBottom, RightY, TopX + S.seMain * k, LeftY);
    CharSpacing = 0;
  }
  if (!S.edtmian1.empty())
    AddTextMidway(ExpandFieldText(S.edtmian1), S.btntlitle2, kCentre, kBottom, RightY, TopX + S.semian1 * k,
                  LeftY);
  if (!S.edtmian2.empty())
    AddTextMidway(ExpandFieldText(S.edtmian2), S.btntlitle3, kCentre, kBottom, RightY, TopX + S.semian2 * k,
                  LeftY);
}

void TtkBaseClass::DrawScaleBar(long double XBase, long double YCentre) {
  if (!S.chkscaleBarShow) return;
  const long double k = S.ScaleFactor;
  const long double L = S.seScaleBarlen * k;
  const long double H = S.sescalebarkd * k;
  const long double Xb = XBase - S.seScaleBarHeight * k;
  const long double Y0 = YCentre - L / 2;
  AddLine(kScaleBarLine, {Xb, YCentre + L / 2}, {Xb, Y0});
  // Ground metres per centimetre of map: the labels assume ten 1 cm segments.
  const std::int64_t F = Trunc(k * 100);
  for (int i = 0; i <= 10; ++i) {
    const long double Yi = Y0 + i * L / 10;
    const bool longTick = i <= 2 || i % 2 == 0;
    const long double Xt = longTick ? Xb + H : Xb + 3 * H / 4;
    std::string label;
    if (i == 0)
      label.append("m").append(std::to_string(2 * F));
    else if (i == 1)
      label = std::to_string(F);
    else if (i % 2 == 0 && i <= 8)
      label = std::to_string((i - 2) * F);
    else if (i == 10)
      label = std::to_string(8 * F) + "m";
    if (!label.empty()) AddText(label, S.btnscalebarFont, kCentre, kBottom, {Xt, Yi});
    AddLine(kScaleBarLine, {Xt, Yi}, {Xb, Yi});
    if (i <= 1) {
      for (int j = 1; j <= 4; ++j) {
        const long double Y = Yi + j * L / 50;
        AddLine(kScaleBarLine, {Xb + H / 2, Y}, {Xb, Y});
      }
    }
  }
}

// --- Geographic forms: positions in degrees, offsets turned into degrees at
// the point named, stored without conversion.

void TtkBaseClass::DrawLeftTextsGeo(long double outerLat, long double outerLon, long double innerLat,
                                    long double innerLon) {
  const long double k = S.ScaleFactor;
  if (!S.molb.empty())
    AddTextDirect(ExpandDate(ExpandRunText(S.molb), FRun.today), S.btnleftdown, kLeft, kTop,
                  {outerLat - GeoDeltaNorth(S.selb * k, innerLat, innerLon), innerLon});
  if (!S.edtleft.empty())
    AddTextDirect(VerticalText(ExpandRunText(S.edtleft)), S.btnleft, kRight, kBottom,
                  {innerLat, outerLon - GeoDeltaEast(S.seleft * k, innerLat, innerLon)});
}

void TtkBaseClass::DrawRightBottomTextGeo(long double outerLat, long double innerLon) {
  if (S.morb.empty()) return;
  AddTextDirect(ExpandDate(ExpandRunText(S.morb), FRun.today), S.btnrightdown, kRight, kTop,
                {outerLat - GeoDeltaNorth(S.serb * S.ScaleFactor, outerLat, innerLon), innerLon});
}

void TtkBaseClass::DrawScaleTextGeo(long double bottomLat, long double rightLon, long double leftLon) {
  AddTextDirect(
      ScaleText(S.edtscale, S.ScaleFactor), S.btntscale, kCentre, kTop,
      {bottomLat - GeoDeltaNorth(S.sescale * S.ScaleFactor, bottomLat, leftLon), (rightLon + leftLon) / 2});
}

void TtkBaseClass::DrawRightTopTextsGeo(long double outerLat, long double innerLon) {
  if (S.edtru.empty()) return;
  AddTextDirect(ExpandRunText(S.edtru), S.btnRightUp, kRight, kBottom,
                {outerLat + GeoDeltaNorth(S.seru * S.ScaleFactor, outerLat, innerLon), innerLon});
}

void TtkBaseClass::DrawTitlesGeo(long double topLat, long double rightLon, long double leftLon) {
  const long double k = S.ScaleFactor;
  const long double middle = (rightLon + leftLon) / 2;
  const struct {
    const std::string& text;
    long double margin;
    const FontDesc& font;
  } titles[] = {{S.edtmian, S.seMain, S.btntlitle1},
                {S.edtmian1, S.semian1, S.btntlitle2},
                {S.edtmian2, S.semian2, S.btntlitle3}};
  for (const auto& t : titles) {
    if (t.text.empty()) continue;
    AddTextDirect(ExpandFieldText(t.text), t.font, kCentre, kBottom,
                  {topLat + GeoDeltaNorth(t.margin * k, topLat, leftLon), middle});
  }
}

}  // namespace tarvik
