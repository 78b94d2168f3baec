#include "common/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/error.h"

namespace tarvik {
namespace {

// Result of one iconv pass: the converted text, or the offset in the input
// where conversion stopped.
struct Conversion {
  bool ok = false;
  std::string out;
  std::size_t failedAt = 0;
};

Conversion Convert(const char* to, const char* from, std::string_view in) {
  Conversion result;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return result;
  std::vector<char> buffer(in.size() * 4 + 16);
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  char* outPtr = buffer.data();
  std::size_t outLeft = buffer.size();
  const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (rc != static_cast<std::size_t>(-1)) {
    // Flush any shift state (none for these encodings, but iconv asks for it).
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    result.ok = true;
    result.out.assign(buffer.data(), buffer.size() - outLeft);
  } else {
    result.failedAt = in.size() - inLeft;
  }
  iconv_close(cd);
  return result;
}

// Length in bytes of the UTF-8 sequence that starts with `lead`; 0 if `lead`
// cannot start one.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return lead >= 0xC2 ? 2 : 0;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return lead <= 0xF4 ? 4 : 0;
  return 0;
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", c);
    if (!out.empty()) out += ' ';
    out += hex;
  }
  return out;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t n = SequenceLength(lead);
    if (n == 0 || i + n > text.size()) return false;
    std::uint32_t cp = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n;
  }
  return true;
}

std::size_t CodePointCount(std::string_view utf8) {
  std::size_t count = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

std::string_view Utf8Prefix(std::string_view utf8, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
      if (seen == count) return utf8.substr(0, i);
      ++seen;
    }
  }
  return utf8;
}

std::optional<std::string> TryUtf8ToGbk(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) return std::nullopt;
  Conversion c = Convert("CP936", "UTF-8", utf8);
  if (!c.ok) return std::nullopt;
  return std::move(c.out);
}

std::optional<std::string> TryGbkToUtf8(std::string_view gbk) {
  Conversion c = Convert("UTF-8", "CP936", gbk);
  if (!c.ok) return std::nullopt;
  return std::move(c.out);
}

std::string Utf8ToGbk(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) throw RunError("文字不是有效的UTF-8编码，无法转换为GBK");
  Conversion c = Convert("CP936", "UTF-8", utf8);
  if (c.ok) return std::move(c.out);
  const std::size_t n = SequenceLength(static_cast<unsigned char>(utf8[c.failedAt]));
  throw RunError("字符“" + std::string(utf8.substr(c.failedAt, n ? n : 1)) + "”不能用GBK编码表示");
}

std::string GbkToUtf8(std::string_view gbk) {
  Conversion c = Convert("UTF-8", "CP936", gbk);
  if (c.ok) return std::move(c.out);
  throw RunError("文字不是有效的GBK编码（第" + std::to_string(c.failedAt + 1) +
                 "字节: " + HexBytes(gbk.substr(c.failedAt, 2)) + "）");
}

std::size_t GbkByteLength(std::string_view utf8) {
  if (auto gbk = TryUtf8ToGbk(utf8)) return gbk->size();
  // Count character by character: what GBK cannot hold counts as a
  // double-byte character.
  std::size_t total = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::size_t n = SequenceLength(static_cast<unsigned char>(utf8[i]));
    if (n == 0 || i + n > utf8.size()) n = 1;
    const auto one = TryUtf8ToGbk(utf8.substr(i, n));
    total += one ? one->size() : 2;
    i += n;
  }
  return total;
}

}  // namespace tarvik
