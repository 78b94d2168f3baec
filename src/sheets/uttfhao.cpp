#include "sheets/uttfhao.h"

#include <cstdint>

#include "common/delphi.h"
#include "common/gbk.h"
#include "common/text_util.h"

namespace tarvik {
namespace {

// Characters [pos, pos + count) of the text, 0-based, cut short at its end
// like a substring taken past the end of a string.
std::string Part(const std::string& s, std::size_t pos, std::size_t count = std::string::npos) {
  if (pos >= s.size()) return {};
  return s.substr(pos, count);
}

// Reads an integer the way every part of a sheet number is read; no value
// when it does not read or does not fit an int.
std::optional<int> ReadInt(const std::string& text) {
  const auto v = StrToInt(text);
  if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
  return static_cast<int>(*v);
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool SheetSize(char letter, long double& lonSize, long double& latSize) {
  switch (letter) {
    case 'A': lonSize = 6;         latSize = 4;          return true;
    case 'B': lonSize = 3;         latSize = 2;          return true;
    case 'C': lonSize = 1.5L;      latSize = 1;          return true;
    case 'D': lonSize = 0.5L;      latSize = 1.0L / 3;   return true;
    case 'E': lonSize = 0.25L;     latSize = 1.0L / 6;   return true;
    case 'F': lonSize = 0.125L;    latSize = 1.0L / 12;  return true;
    case 'G': lonSize = 0.0625L;   latSize = 1.0L / 24;  return true;
    case 'H': lonSize = 0.03125L;  latSize = 1.0L / 48;  return true;
    default: return false;
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
    case 0: return 1000000;
    case 1: return 500000;
    case 2: return 250000;
    case 3: return 100000;
    case 4: return 50000;
    case 5: return 25000;
    case 7: return 5000;
    default: return 10000;
  }
}

std::optional<SheetExtent> DecodeMapNo(const std::string& s, UserFeedback& feedback) {
  if (Trim(s).empty()) return std::nullopt;
  const auto fail = [&]() -> std::optional<SheetExtent> {
    feedback.message("输入的" + s + ",错误的图幅号");
    return std::nullopt;
  };
  SheetExtent e;
  const int rowIndex = static_cast<unsigned char>(s[0]) - 64;  // "A" = 1
  const auto column = ReadInt(Part(s, 1, 2));
  if (!column) return fail();
  int row = 1, col = 1;
  if (s.size() > 3) {
    e.scaleIndex = s[3] - 'A';
    if (!SheetSize(s[3], e.lonSize, e.latSize)) return fail();
    const auto r = ReadInt(Part(s, 4, 3));
    const auto c = ReadInt(Part(s, 7, 3));
    if (!r || !c) return fail();
    row = *r;
    col = *c;
  } else {
    e.scaleIndex = 0;
    e.latSize = 4;
    e.lonSize = 6;
  }
  e.westLon = (col - 1) * e.lonSize + (*column - 31) * 6;
  e.southLat = (4 / e.latSize - row) * e.latSize + (rowIndex - 1) * 4;
  return e;
}

std::string OldToNewMapNo(const std::string& s, int& scaleIndex, UserFeedback& feedback) {
  if (s.size() < 4) return {};
  const auto fail = [&]() -> std::string {
    feedback.message("输入的" + s + ",错误的旧图幅号");
    return {};
  };
  const char x = s[0];
  const auto nn = ReadInt(Part(s, 2, 2));
  if (!nn) return fail();
  if (s.size() == 4) {
    scaleIndex = 0;
    return std::string(1, x) + std::to_string(*nn);
  }

  int r = 0, c = 0;
  const char sixth = s.size() > 5 ? s[5] : '\0';
  if (sixth >= 'A' && sixth <= 'D') {  // X-NN-L, 1:500,000
    scaleIndex = 1;
    const int l = sixth - 'A';
    r = l / 2 + 1;
    c = l % 2 + 1;
  } else if (sixth == '[') {  // X-NN-[n], 1:250,000
    scaleIndex = 2;
    const auto close = s.find(']');
    // "]" must leave room for at least one digit (1-based position 8 or later).
    if (close == std::string::npos || close + 1 < 8) {
      r = c = -1;
    } else {
      const auto n = ReadInt(s.substr(6, close - 6));
      if (!n) return fail();
      r = (*n - 1) / 4 + 1;
      c = (*n - 1) % 4 + 1;
    }
  } else {
    std::string rest = Part(s, 5);
    const auto dash = rest.find('-');
    if (dash == std::string::npos) {  // X-NN-n, 1:100,000
      scaleIndex = 3;
      const auto n = ReadInt(rest);
      if (!n) return fail();
      r = (*n - 1) / 12 + 1;
      c = (*n - 1) % 12 + 1;
    } else {
      const auto n = ReadInt(rest.substr(0, dash));
      if (!n) return fail();
      const int r100 = (*n - 1) / 12 + 1;
      const int c100 = (*n - 1) % 12 + 1;
      rest = rest.substr(dash + 1);
      const bool paren = rest.find('(') != std::string::npos;
      const auto q = rest.find('-');  // 0-based; the 1-based position is q + 1
      if (paren && q != std::string::npos) {  // X-NN-n-(k)-l, 1:5,000
        scaleIndex = 7;
        // The digits inside the parentheses: characters 2 .. q-1 (1-based).
        const auto k = ReadInt(q >= 2 ? rest.substr(1, q - 2) : std::string());
        if (!k) return fail();
        const int r10 = 8 * (r100 - 1) + (*k - 1) / 8 + 1;
        const int c10 = 8 * (c100 - 1) + (*k - 1) % 8 + 1;
        const int j = Upper(q + 1 < rest.size() ? rest[q + 1] : '\0') - 'A';
        r = 2 * (r10 - 1) + j / 2 + 1;
        c = 2 * (c10 - 1) + j % 2 + 1;
      } else if (paren) {  // X-NN-n-(k), 1:10,000
        scaleIndex = 6;
        const auto k = ReadInt(rest.size() >= 2 ? rest.substr(1, rest.size() - 2) : std::string());
        if (!k) return fail();
        r = 8 * (r100 - 1) + (*k - 1) / 8 + 1;
        c = 8 * (c100 - 1) + (*k - 1) % 8 + 1;
      } else {
        const int l = (rest.empty() ? '\0' : rest[0]) - 'A';
        const int r50 = 2 * (r100 - 1) + l / 2 + 1;
        const int c50 = 2 * (c100 - 1) + l % 2 + 1;
        if (q != std::string::npos) {  // X-NN-n-L-m, 1:25,000
          scaleIndex = 5;
          const auto m = ReadInt(rest.substr(q + 1));
          if (!m) return fail();
          r = 2 * (r50 - 1) + (*m - 1) / 2 + 1;
          c = 2 * (c50 - 1) + (*m - 1) % 2 + 1;
        } else {  // X-NN-n-L, 1:50,000
          scaleIndex = 4;
          r = r50;
          c = c50;
        }
      }
    }
  }
  std::string two = std::to_string(*nn);
  if (two.size() < 2) two.insert(0, 2 - two.size(), '0');
  return std::string(1, x) + two + ScaleLetter(scaleIndex) + Pad3(r) + Pad3(c);
}

std::string NormalizeMapNo(const std::string& text, UserFeedback& feedback) {
  if (text.find('-') == std::string::npos) {
    if (CodePointCount(text) == 10) return text;
    feedback.message("图幅号输入错误");
    return {};
  }
  int scaleIndex = 0;
  return OldToNewMapNo(text, scaleIndex, feedback);
}

long double SuggestCentralMeridian(const std::string& text, UserFeedback& feedback) {
  const std::string number = NormalizeMapNo(text, feedback);
  if (number.empty()) return -1;
  const auto extent = DecodeMapNo(number, feedback);
  if (!extent) return -1;
  // The 3-degree zone of the west edge, the longitude read as decimal degrees.
  return static_cast<long double>(Trunc((extent->westLon + 1.5L) / 3) * 3);
}

}  // namespace tarvik
