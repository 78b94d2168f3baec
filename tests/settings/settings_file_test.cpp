#include <gtest/gtest.h>

#include <random>

#include "settings/settings_apply.h"
#include "settings/settings_file.h"
#include "settings/utVeskStream.h"

namespace tarvik {
namespace {

// A string record written out by hand: little-endian length, scrambled text.
std::string Rec(const std::string& scrambled) {
  std::string out;
  out.push_back(static_cast<char>(scrambled.size() & 0xFF));
  out.push_back(static_cast<char>(scrambled.size() >> 8));
  return out + scrambled;
}

const std::string kStars = "165BC82770BEE20D165BC82770BEE20D165BC82770BEE20D165BC827";
const std::string kHyphens = "115CCF2077B9E50A115CCF2077B9E50A115C";
const std::string kBars = "400D9E7126E8B45B400D9E7126E8B45B400D9E7126";

// Font record: 黑体, 16 px, bold, italic, red, GB2312.
std::string HandFont() {
  std::string f("\x3C\0\0\0", 4);                   // S = 60
  f += std::string("\xFF\0\0\0", 4);                // colour 0x000000FF
  f += std::string("\xF0\xFF\xFF\xFF", 4);          // height -16
  f += std::string(12, '\0');                       // width, escapement, orientation
  f += std::string("\xBC\x02\0\0", 4);              // weight 700
  f += std::string("\x01\0\0\x86\0\0\0\0", 8);      // italic ... charset 134 ...
  f += "\xBA\xDA\xCC\xE5" + std::string(28, '\0');  // 黑体 in GBK
  return f;
}

// Frmset: senw,Value,95; edtmian,Text,测试; font btn4j.
std::string HandFile() {
  return Rec(kStars) + Rec("7A038F7E3FE0") + Rec("4F148C7A76C2A94B4914CE346F") +
         Rec("5915966033F5A60B68149A7976262AEDE8") + Rec(kHyphens) + Rec("5E058C3930") + HandFont() +
         Rec(kHyphens) + Rec(kBars);
}

FontDesc HandFontDesc() {
  FontDesc f = FontDesc::FromPixels("黑体", 16);
  f.weight = 700;
  f.italic = true;
  f.color = 0xFF;
  return f;
}

SettingsDocument HandDocument() {
  SettingsDocument doc;
  doc.forms.push_back(
      {"Frmset", {{"senw", "Value", "95"}, {"edtmian", "Text", "测试"}}, {{"btn4j", HandFontDesc()}}});
  return doc;
}

TEST(VeskStream, ScramblesWithTheKey) {
  EXPECT_EQ(ScrambleBytes("Frmset"), "7A038F7E3FE0");
  EXPECT_EQ(UnscrambleText("7A038F7E3FE0"), "Frmset");
  EXPECT_EQ(UnscrambleText("7a038f7e3fe0"), "Frmset");
  bool complete = true;
  EXPECT_EQ(UnscrambleText("7A03Z08F", &complete), "Fr");  // stops at the bad pair
  EXPECT_FALSE(complete);
  EXPECT_EQ(UnscrambleText("7A0", &complete), "F");  // odd last character ignored
  EXPECT_TRUE(complete);
  EXPECT_EQ(ScrambleBytes(""), "");
}

TEST(VeskStream, AFileWrittenByHandLoadsAndIsWrittenTheSameWay) {
  const SettingsReadResult read = ReadSettingsDocument(HandFile());
  EXPECT_FALSE(read.damaged);
  EXPECT_TRUE(read.problems.empty());
  EXPECT_EQ(read.document, HandDocument());
  EXPECT_EQ(WriteSettingsDocument(HandDocument()), HandFile());
}

TEST(VeskStream, LongStringsAreCutAtTheLengthLimit) {
  const std::string long40000(40000, 'q');
  TVeskWriteStream out;
  EXPECT_FALSE(out.WriteString(long40000));
  ASSERT_EQ(out.data().size(), 2u + 65535u);
  EXPECT_EQ(out.data().substr(0, 2), "\xFF\xFF");
  TVeskReadStream in(out.data());
  const auto back = in.ReadString();
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, long40000.substr(0, 32767));
  EXPECT_TRUE(in.atEnd());

  TVeskWriteStream exact;
  EXPECT_TRUE(exact.WriteString(std::string(32767, 'q')));

  // In a document the cut is reported; a cut GBK text loses its half character.
  std::string chinese = "y";
  for (int i = 0; i < 20000; ++i) chinese += "图";
  SettingsDocument doc;
  doc.forms.push_back(
      {"Frmset", {{"edtmian", "Text", std::string(40000, 'x')}, {"edtru", "Text", chinese}}, {}});
  std::vector<std::string> warnings;
  const auto read = ReadSettingsDocument(WriteSettingsDocument(doc, &warnings));
  EXPECT_EQ(warnings.size(), 2u);
  ASSERT_EQ(read.document.forms.size(), 1u);
  ASSERT_EQ(read.document.forms[0].records.size(), 2u);
  EXPECT_EQ(read.document.forms[0].records[0].value.size(), 32767u - 13u);
  const std::string& cutGbk = read.document.forms[0].records[1].value;
  EXPECT_EQ(cutGbk.substr(0, 4), "y图");
  EXPECT_TRUE(read.problems.empty()) << read.problems[0];
}

TEST(VeskStream, DocumentsRoundTrip) {
  SettingsDocument doc;
  FontDesc styled = FontDesc::FromPoints("Times New Roman", 12);
  styled.underline = styled.strikeOut = true;
  styled.color = static_cast<std::int32_t>(0x80000008);  // a system colour
  styled.charSet = 0;
  styled.pitchAndFamily = 18;
  FontDesc korean = FontDesc::FromPixels("맑은 고딕", 12);  // not in GBK
  FontDesc longFace = FontDesc::FromPixels("一二三四五六七八九十一二三四五六七八", 12);
  doc.forms.push_back({"FrmTarvik",
                       {{"edtMapNO", "Text", "E45G095066"},
                        {"reditwhere", "Lines", "NAME = 'a,b'<Br>"},
                        {"cbFdf", "items", "1^3度分带法<Br>6度分带法<Br>"},
                        {"edtoutFile", "Text", ""},
                        {"", "", ""},
                        {"edtFile", "Text", "/data/图幅😀.shp"}},
                       {}});
  doc.forms.push_back(
      {"Frmset",
       {{"morb", "lines", "a<Br>b<Br>c<Br>"}},
       {{"btn4j", styled}, {"btnDFont", std::nullopt}, {"btnXFont", korean}, {"btnleft", longFace}}});
  const auto read = ReadSettingsDocument(WriteSettingsDocument(doc));
  EXPECT_FALSE(read.damaged);
  EXPECT_TRUE(read.problems.empty());
  // The face name holds at most 31 bytes: 15 whole GBK characters.
  longFace.face = "一二三四五六七八九十一二三四五";
  doc.forms[1].fonts[3].font = longFace;
  EXPECT_EQ(read.document, doc);
}

TEST(VeskStream, TruncatedFilesKeepWhatCameBefore) {
  const std::string full = HandFile();
  const SettingsDocument whole = HandDocument();
  for (std::size_t n = 0; n < full.size(); ++n) {
    const auto read = ReadSettingsDocument(full.substr(0, n));
    ASSERT_TRUE(read.damaged) << n;
    ASSERT_FALSE(read.problems.empty()) << n;
    if (read.document.forms.empty()) continue;
    const FormSettings& form = read.document.forms[0];
    EXPECT_EQ(form.name, "Frmset");
    ASSERT_LE(form.records.size(), 2u);
    for (std::size_t i = 0; i < form.records.size(); ++i)
      EXPECT_EQ(form.records[i], whole.forms[0].records[i]) << n;
    if (!form.fonts.empty()) {
      EXPECT_EQ(form.fonts[0], whole.forms[0].fonts[0]) << n;
    }
  }
  EXPECT_FALSE(ReadSettingsDocument(full + "trailing bytes").damaged);
}

TEST(VeskStream, AFontRecordOfAnotherSizeEndsReadingThere) {
  std::string bytes = HandFile();
  const std::size_t at = bytes.find(HandFont());
  bytes[at] = 92;  // the size of a wide-character LOGFONT
  const auto read = ReadSettingsDocument(bytes);
  EXPECT_TRUE(read.damaged);
  ASSERT_EQ(read.problems.size(), 1u);
  EXPECT_NE(read.problems[0].find("长度为92"), std::string::npos) << read.problems[0];
  ASSERT_EQ(read.document.forms.size(), 1u);
  EXPECT_EQ(read.document.forms[0].records, HandDocument().forms[0].records);
  EXPECT_TRUE(read.document.forms[0].fonts.empty());
}

TEST(VeskStream, BadStringsAreSkippedAndReadingGoesOn) {
  SettingsDocument doc;
  doc.forms.push_back({"Frmset", {{"senw", "Value", "1"}, {"seru", "Value", "2"}}, {}});
  std::string bytes = WriteSettingsDocument(doc);
  const auto read0 = ReadSettingsDocument(bytes);
  ASSERT_EQ(read0.document.forms[0].records.size(), 2u);

  // Replace the first record by one whose bytes are neither GBK nor UTF-8,
  // then by one without two commas, then by one with a non-hex pair.
  const std::string record1 = Rec(ScrambleBytes("senw,Value,1"));
  const std::size_t at = bytes.find(record1);
  ASSERT_NE(at, std::string::npos);
  const struct {
    std::string replacement;
    const char* problemPart;
    std::size_t records;
  } cases[] = {
      {Rec(ScrambleBytes("senw,Value,\x81")), "编码无法识别", 1},
      {Rec(ScrambleBytes("senw Value 1")), "格式不对", 1},
      {Rec(ScrambleBytes("senw,Value,1").substr(0, 22) + "ZZ"), "非十六进制", 2},
  };
  for (const auto& c : cases) {
    std::string damaged = bytes;
    damaged.replace(at, record1.size(), c.replacement);
    const auto read = ReadSettingsDocument(damaged);
    EXPECT_FALSE(read.damaged);
    ASSERT_EQ(read.problems.size(), 1u) << read.problems[0] << "\n" << read.problems.back();
    EXPECT_NE(read.problems[0].find(c.problemPart), std::string::npos) << read.problems[0];
    ASSERT_EQ(read.document.forms[0].records.size(), c.records);
    EXPECT_EQ(read.document.forms[0].records.back(), (ControlRecord{"seru", "Value", "2"}));
  }
}

TEST(VeskStream, AFontOfAnUnknownButtonDoesNotDerailTheRest) {
  SettingsDocument doc;
  doc.forms.push_back({"Frmset", {}, {{"btnGone", HandFontDesc()}, {"btn4j", HandFontDesc()}}});
  doc.forms.push_back({"FrmTarvik", {{"rgtype", "itemindex", "0"}}, {}});
  const auto read = ReadSettingsDocument(WriteSettingsDocument(doc));
  EXPECT_EQ(read.document, doc);

  TFrameSettings s;
  const auto report = ApplySettingsDocument(read.document, s);
  EXPECT_TRUE(report.skipped.empty());
  EXPECT_EQ(s.btn4j, HandFontDesc());
  EXPECT_EQ(s.CreateMode, CreationMode::SheetNumber);
}

TEST(VeskStream, TextEncodings) {
  EXPECT_EQ(EncodeFileText("地图"), "\xB5\xD8\xCD\xBC");
  EXPECT_EQ(EncodeFileText("😀"), "\xEF\xBB\xBF\xF0\x9F\x98\x80");
  EXPECT_EQ(DecodeFileText("\xB5\xD8\xCD\xBC"), "地图");
  EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF\xF0\x9F\x98\x80"), "😀");
  // UTF-8 written into the file by hand, where it is no GBK.
  EXPECT_EQ(DecodeFileText("\xE4\xBD\xA0"), "你");
  EXPECT_EQ(DecodeFileText("\x81"), std::nullopt);
  EXPECT_EQ(DecodeFileText(""), "");
}

// Random bytes, and valid files with random bytes changed, must neither crash
// nor hang, and must apply cleanly. (A libFuzzer target does the same at
// length: tests/settings/fuzz.)
TEST(VeskStream, RandomBytesNeverCrash) {
  std::mt19937 random(20240611);
  SettingsDocument big = HandDocument();
  big.forms.push_back(BuildSettingsDocument(TFrameSettings{}).forms[0]);
  const std::string valid = WriteSettingsDocument(big) + HandFile();
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    if (round % 2 == 0) {
      bytes.resize(random() % 400);
      for (char& c : bytes) c = static_cast<char>(random());
      if (round % 4 == 0 && bytes.size() >= 2) bytes[1] = 0;  // plausible lengths
    } else {
      bytes = valid;
      for (int k = 0, n = 1 + static_cast<int>(random() % 8); k < n; ++k)
        bytes[random() % bytes.size()] = static_cast<char>(random());
      bytes.resize(random() % (bytes.size() + 1));
    }
    const auto read = ReadSettingsDocument(bytes);
    TFrameSettings s;
    ApplySettingsDocument(read.document, s);
    if (read.damaged) {
      ASSERT_FALSE(read.problems.empty());
    }
  }
}

TEST(RecordValues, LinesCombosAndRecords) {
  EXPECT_EQ(LinesToRecordValue("a\r\nb\r\nc"), "a<Br>b<Br>c<Br>");
  EXPECT_EQ(LinesToRecordValue(""), "");
  EXPECT_EQ(RecordValueToText("a<br>b<BR>"), "a\r\nb\r\n");

  const struct {
    const char* value;
    ComboValue combo;
  } combos[] = {
      {"1^A<Br>B<Br>", {1, {"A", "B"}}}, {"A<Br>B<Br>", {0, {"A", "B"}}},
      {"x^A<Br>", {0, {"A"}}},           {"0^", {0, {}}},
      {"2^a^b<Br>", {2, {"a^b"}}},
  };
  for (const auto& c : combos) EXPECT_EQ(ParseComboValue(c.value), c.combo) << c.value;
  EXPECT_EQ(FormatComboValue({0, {"3度分带法", "6度分带法"}}), "0^3度分带法<Br>6度分带法<Br>");

  EXPECT_EQ(SplitControlRecord("edtField,Text,a,b,c"), (ControlRecord{"edtField", "Text", "a,b,c"}));
  EXPECT_EQ(SplitControlRecord("a,b,"), (ControlRecord{"a", "b", ""}));
  EXPECT_EQ(SplitControlRecord("a,b"), std::nullopt);
}

}  // namespace
}  // namespace tarvik
