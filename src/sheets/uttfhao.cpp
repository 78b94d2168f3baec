#include "sheets/uttfhao.h"

#include <string_view>
#include <vector>

#include "common/delphi.h"
#include "common/gbk.h"
#include "common/text_util.h"
#include "coords/zone_reach.h"

namespace tarvik {
namespace {

constexpr int kSheetsPerSide[8] = {1, 2, 4, 12, 24, 48, 96, 192};
constexpr const char* kScaleNames[8] = {"1:100万", "1:50万",  "1:25万", "1:10万",
                                        "1:5万",   "1:2.5万", "1:1万",  "1:5000"};

const char* const kCurrentForm =
    "新图幅号应为10个字符（如E45G095066；1:100万图幅为3个字符，如J50），旧图幅号用“-”分隔（如J-50-5）";
const char* const kOldForms =
    "旧图幅号的格式为J-50、J-50-A、J-50-[1]、J-50-5、J-50-5-A、J-50-5-A-1、J-50-5-(1)或J-50-5-(1)-a";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of `text` when it is 1..maxDigits decimal digits and nothing
// else (no sign, no blanks); none otherwise.
std::optional<int> Digits(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  int v = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

bool RowLetter(char c) { return c >= 'A' && c <= 'V'; }

// The two-digit column of the 1:1,000,000 sheet (01..60) at `text`.
std::optional<int> Column(std::string_view text) {
  const auto v = text.size() == 2 ? Digits(text, 2) : std::nullopt;
  if (!v || *v < 1 || *v > 60) return std::nullopt;
  return v;
}

std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
  return text;
}

// An old number: the current one and its scale index, or the reason it is not one.
struct OldReading {
  std::string number;
  int scaleIndex = 0;
  std::string reason;
};

// Reads X-NN[-subdivisions]. Row R and column C inside the 1:1,000,000 sheet
// run from the north-west corner, row by row: A (or 1) north-west, B
// north-east, C south-west, D south-east.
OldReading ReadOld(const std::string& s) {
  OldReading out;
  const auto bad = [&](std::string reason) {
    out.number.clear();
    out.reason = std::move(reason);
    return out;
  };
  if (s.size() < 4 || s[1] != '-') return bad(kOldForms);
  if (!RowLetter(s[0])) return bad("第1位应为行号字母A～V");
  const auto nn = Column(std::string_view(s).substr(2, 2));
  if (!nn) return bad("第3～4位应为列号01～60");
  const std::string head = std::string(1, s[0]) + TwoDigits(*nn);
  if (s.size() == 4) {
    out.scaleIndex = 0;
    out.number = head;
    return out;
  }
  if (s[4] != '-') return bad(kOldForms);

  std::vector<std::string_view> parts;
  std::string_view rest = std::string_view(s).substr(5);
  while (true) {
    const auto dash = rest.find('-');
    parts.push_back(rest.substr(0, dash));
    if (dash == std::string_view::npos) break;
    rest = rest.substr(dash + 1);
  }
  for (const auto& p : parts)
    if (p.empty()) return bad(kOldForms);
  if (parts.size() > 3) return bad(kOldForms);

  const auto letterAD = [](std::string_view p) -> std::optional<int> {
    if (p.size() == 1 && p[0] >= 'A' && p[0] <= 'D') return p[0] - 'A';
    return std::nullopt;
  };
  // "(k)" or "[k]": the number between the brackets, 1..max.
  const auto bracketed = [](std::string_view p, char open, char close, int max) -> std::optional<int> {
    if (p.size() < 2 || p.front() != open || p.back() != close) return std::nullopt;
    const auto v = Digits(p.substr(1, p.size() - 2), 2);
    if (!v || *v < 1 || *v > max) return std::nullopt;
    return v;
  };
  int r = 0, c = 0;
  const std::string_view first = parts[0];
  if (parts.size() == 1 && first.size() == 1 && !IsDigit(first[0])) {  // X-NN-L, 1:500,000
    const auto l = letterAD(first);
    if (!l) return bad("1:50万图号应为A～D");
    out.scaleIndex = 1;
    r = *l / 2 + 1;
    c = *l % 2 + 1;
  } else if (parts.size() == 1 && first.front() == '[') {  // X-NN-[n], 1:250,000
    if (first.back() != ']') return bad("方括号没有闭合");
    const auto n = bracketed(first, '[', ']', 16);
    if (!n) return bad("1:25万图号应为[1]～[16]");
    out.scaleIndex = 2;
    r = (*n - 1) / 4 + 1;
    c = (*n - 1) % 4 + 1;
  } else {
    const auto n = Digits(first, 3);
    if (!n) return bad(parts.size() == 1 ? std::string("1:10万图号应为1～144") : std::string(kOldForms));
    if (*n < 1 || *n > 144) return bad("1:10万图号应为1～144");
    const int r100 = (*n - 1) / 12 + 1, c100 = (*n - 1) % 12 + 1;
    if (parts.size() == 1) {  // X-NN-n, 1:100,000
      out.scaleIndex = 3;
      r = r100;
      c = c100;
    } else if (parts[1].front() == '(') {
      if (parts[1].back() != ')') return bad("圆括号没有闭合");
      const auto k = bracketed(parts[1], '(', ')', 64);
      if (!k) return bad("1:1万图号应为(1)～(64)");
      const int r10 = 8 * (r100 - 1) + (*k - 1) / 8 + 1;
      const int c10 = 8 * (c100 - 1) + (*k - 1) % 8 + 1;
      if (parts.size() == 2) {  // X-NN-n-(k), 1:10,000
        out.scaleIndex = 6;
        r = r10;
        c = c10;
      } else {  // X-NN-n-(k)-l, 1:5,000, the letter in either case
        const std::string_view l = parts[2];
        std::optional<int> j = letterAD(l);
        if (l.size() == 1 && l[0] >= 'a' && l[0] <= 'd') j = l[0] - 'a';
        if (!j) return bad("1:5000图号应为a～d");
        out.scaleIndex = 7;
        r = 2 * (r10 - 1) + *j / 2 + 1;
        c = 2 * (c10 - 1) + *j % 2 + 1;
      }
    } else {
      const auto l = letterAD(parts[1]);
      if (!l) return bad("1:5万图号应为A～D，1:1万图号应为(1)～(64)");
      const int r50 = 2 * (r100 - 1) + *l / 2 + 1;
      const int c50 = 2 * (c100 - 1) + *l % 2 + 1;
      if (parts.size() == 2) {  // X-NN-n-L, 1:50,000
        out.scaleIndex = 4;
        r = r50;
        c = c50;
      } else {  // X-NN-n-L-m, 1:25,000
        const auto m = Digits(parts[2], 1);
        if (!m || *m < 1 || *m > 4) return bad("1:2.5万图号应为1～4");
        out.scaleIndex = 5;
        r = 2 * (r50 - 1) + (*m - 1) / 2 + 1;
        c = 2 * (c50 - 1) + (*m - 1) % 2 + 1;
      }
    }
  }
  out.number = head + ScaleLetter(out.scaleIndex) + Pad3(r) + Pad3(c);
  return out;
}

}  // namespace

bool SheetSize(char letter, long double& lonSize, long double& latSize) {
  switch (letter) {
    case 'A':
      lonSize = 6;
      latSize = 4;
      return true;
    case 'B':
      lonSize = 3;
      latSize = 2;
      return true;
    case 'C':
      lonSize = 1.5L;
      latSize = 1;
      return true;
    case 'D':
      lonSize = 0.5L;
      latSize = 1.0L / 3;
      return true;
    case 'E':
      lonSize = 0.25L;
      latSize = 1.0L / 6;
      return true;
    case 'F':
      lonSize = 0.125L;
      latSize = 1.0L / 12;
      return true;
    case 'G':
      lonSize = 0.0625L;
      latSize = 1.0L / 24;
      return true;
    case 'H':
      lonSize = 0.03125L;
      latSize = 1.0L / 48;
      return true;
    default:
      return false;
  }
}

char ScaleLetter(int scaleIndex) { return static_cast<char>('A' + scaleIndex); }

std::string Pad3(int value) {
  std::string text = std::to_string(value);
  if (text.size() < 3) text.insert(0, 3 - text.size(), '0');
  return text;
}

long ScaleDenominatorOfIndex(int scaleIndex) {
  switch (scaleIndex) {
    case 0:
      return 1000000;
    case 1:
      return 500000;
    case 2:
      return 250000;
    case 3:
      return 100000;
    case 4:
      return 50000;
    case 5:
      return 25000;
    case 7:
      return 5000;
    default:
      return 10000;
  }
}

int SheetsPerSide(int scaleIndex) {
  return scaleIndex >= 0 && scaleIndex < 8 ? kSheetsPerSide[scaleIndex] : 0;
}

std::optional<std::string> CurrentMapNoProblem(const std::string& s) {
  if (s.size() != 10 && s.size() != 3) return std::string(kCurrentForm);
  if (!RowLetter(s[0])) return std::string("第1位应为行号字母A～V");
  if (!Column(std::string_view(s).substr(1, 2))) return std::string("第2～3位应为列号01～60");
  if (s.size() == 3) return std::nullopt;
  if (s[3] < 'A' || s[3] > 'H') return std::string("第4位应为比例尺字母A～H");
  const int scale = s[3] - 'A';
  const int n = kSheetsPerSide[scale];
  const std::string range = "001～" + Pad3(n) + "（" + kScaleNames[scale] + "）";
  const auto row = Digits(std::string_view(s).substr(4, 3), 3);
  if (!row || *row < 1 || *row > n) return "第5～7位应为行号" + range;
  const auto col = Digits(std::string_view(s).substr(7, 3), 3);
  if (!col || *col < 1 || *col > n) return "第8～10位应为列号" + range;
  return std::nullopt;
}

MapNoReading ReadMapNo(const std::string& text) {
  MapNoReading out;
  if (text.find('-') == std::string::npos) {
    // Ten characters, or the three of a whole 1:1,000,000 sheet (J50).
    const std::size_t length = CodePointCount(text);
    if (length != 10 && length != 3) {
      out.problem = std::string("图幅号输入错误：") + kCurrentForm;
    } else if (const auto why = CurrentMapNoProblem(text)) {
      out.problem = "输入的" + text + ",错误的图幅号：" + *why;
    } else {
      out.number = text;
      out.scaleIndex = text.size() == 3 ? 0 : text[3] - 'A';
    }
    return out;
  }
  const OldReading old = ReadOld(text);
  if (old.number.empty()) {
    out.problem = "输入的" + text + ",错误的旧图幅号：" + old.reason;
  } else {
    out.number = old.number;
    out.scaleIndex = old.scaleIndex;
  }
  return out;
}

std::optional<SheetExtent> DecodeMapNo(const std::string& s, UserFeedback& feedback) {
  std::string why;
  const auto extent = DecodeMapNo(s, &why);
  if (!extent && !why.empty()) feedback.message(why);
  return extent;
}

std::optional<SheetExtent> DecodeMapNo(const std::string& s, std::string* why) {
  if (Trim(s).empty()) return std::nullopt;
  if (const auto problem = CurrentMapNoProblem(s)) {
    if (why) *why = "输入的" + s + ",错误的图幅号：" + *problem;
    return std::nullopt;
  }
  SheetExtent e;
  const int rowIndex = s[0] - 'A' + 1;  // "A" = 1
  const int column = (s[1] - '0') * 10 + (s[2] - '0');
  int row = 1, col = 1;
  if (s.size() > 3) {
    e.scaleIndex = s[3] - 'A';
    SheetSize(s[3], e.lonSize, e.latSize);
    row = *Digits(std::string_view(s).substr(4, 3), 3);
    col = *Digits(std::string_view(s).substr(7, 3), 3);
  } else {
    e.scaleIndex = 0;
    e.latSize = 4;
    e.lonSize = 6;
  }
  e.westLon = (col - 1) * e.lonSize + (column - 31) * 6;
  e.southLat = (4 / e.latSize - row) * e.latSize + (rowIndex - 1) * 4;
  return e;
}

std::string OldToNewMapNo(const std::string& s, int& scaleIndex, UserFeedback& feedback) {
  const OldReading old = ReadOld(s);
  if (old.number.empty()) {
    feedback.message("输入的" + s + ",错误的旧图幅号：" + old.reason);
    return {};
  }
  scaleIndex = old.scaleIndex;
  return old.number;
}

std::string NormalizeMapNo(const std::string& text, UserFeedback& feedback) {
  const MapNoReading reading = ReadMapNo(text);
  if (!reading.problem.empty()) feedback.message(reading.problem);
  return reading.number;
}

long double SuggestCentralMeridian(const std::string& text, UserFeedback& feedback) {
  const std::string number = NormalizeMapNo(text, feedback);
  if (number.empty()) return -1;
  const auto extent = DecodeMapNo(number, feedback);
  if (!extent) return -1;
  // The 3-degree zone of the west edge, the longitude read as decimal degrees.
  return ZoneMeridianOf(extent->westLon, true);
}

}  // namespace tarvik
