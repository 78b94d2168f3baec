#include "settings/utVeskStream.h"

#include <cstdio>

#include "common/gbk.h"

namespace tarvik {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t kFaceBytes = 32;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void PutLe32(std::string& out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
}

std::uint32_t GetLe32(std::string_view in, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(in[at + k]);
  return v;
}

// The face name as at most 31 bytes of file text, cut at a whole character.
std::string FaceBytes(std::string_view face) {
  std::size_t chars = CodePointCount(face);
  while (true) {
    std::string bytes = EncodeFileText(Utf8Prefix(face, chars));
    if (bytes.size() < kFaceBytes || chars == 0) return bytes.substr(0, kFaceBytes - 1);
    --chars;
  }
}

}  // namespace

std::string ScrambleBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) ^ kVeskKey[i % 8];
    out.push_back(kDigits[v >> 4]);
    out.push_back(kDigits[v & 0xF]);
  }
  return out;
}

std::string UnscrambleText(std::string_view text, bool* complete) {
  std::string out;
  out.reserve(text.size() / 2);
  if (complete) *complete = true;
  for (std::size_t k = 0; k + 1 < text.size(); k += 2) {
    const int hi = HexValue(text[k]), lo = HexValue(text[k + 1]);
    if (hi < 0 || lo < 0) {
      if (complete) *complete = false;
      break;
    }
    out.push_back(static_cast<char>((hi * 16 + lo) ^ kVeskKey[out.size() % 8]));
  }
  return out;
}

std::string EncodeFileText(std::string_view utf8) {
  if (auto gbk = TryUtf8ToGbk(utf8)) return std::move(*gbk);
  // Not GBK: keep the text whole as UTF-8. Bytes that are not UTF-8 either
  // go as they stand.
  if (!IsValidUtf8(utf8)) return std::string(utf8);
  return std::string(kBom) + std::string(utf8);
}

std::optional<std::string> DecodeFileText(std::string_view bytes) {
  if (bytes.substr(0, kBom.size()) == kBom && IsValidUtf8(bytes.substr(kBom.size())))
    return std::string(bytes.substr(kBom.size()));
  if (auto utf8 = TryGbkToUtf8(bytes)) return utf8;
  if (IsValidUtf8(bytes)) return std::string(bytes);
  // A string cut at the record's length limit may end inside a double-byte
  // character: drop that half character.
  if (bytes.size() == kMaxStringBytes)
    if (auto utf8 = TryGbkToUtf8(bytes.substr(0, bytes.size() - 1))) return utf8;
  return std::nullopt;
}

std::string EscapeBytes(std::string_view bytes, std::size_t maxLength) {
  std::string out;
  for (unsigned char c : bytes) {
    if (out.size() >= maxLength) {
      out += "...";
      break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

bool TVeskWriteStream::WriteString(std::string_view bytes) {
  const bool whole = bytes.size() <= kMaxStringBytes;
  std::string text = ScrambleBytes(whole ? bytes : bytes.substr(0, kMaxStringBytes + 1));
  if (text.size() > kMaxScrambledLength) text.resize(kMaxScrambledLength);
  data_.push_back(static_cast<char>(text.size() & 0xFF));
  data_.push_back(static_cast<char>(text.size() >> 8));
  data_ += text;
  return whole;
}

void TVeskWriteStream::WriteFont(const std::optional<FontDesc>& font) {
  if (!font) {
    PutLe32(data_, 0);
    return;
  }
  PutLe32(data_, kLogFontSize);
  PutLe32(data_, static_cast<std::uint32_t>(font->color));
  for (std::int32_t v : {font->height, font->width, font->escapement, font->orientation, font->weight})
    PutLe32(data_, static_cast<std::uint32_t>(v));
  for (bool flag : {font->italic, font->underline, font->strikeOut}) data_.push_back(flag ? 1 : 0);
  for (std::uint8_t b :
       {font->charSet, font->outPrecision, font->clipPrecision, font->quality, font->pitchAndFamily})
    data_.push_back(static_cast<char>(b));
  std::string face = FaceBytes(font->face);
  face.resize(kFaceBytes, '\0');
  data_ += face;
}

bool TVeskReadStream::Take(std::size_t n, std::string_view& out) {
  if (data_.size() - pos_ < n) {
    pos_ = data_.size();
    return false;
  }
  out = data_.substr(pos_, n);
  pos_ += n;
  return true;
}

std::optional<std::string> TVeskReadStream::ReadString(bool* complete) {
  std::string_view head, text;
  if (!Take(2, head)) return std::nullopt;
  const std::size_t length = static_cast<unsigned char>(head[0]) |
                             (static_cast<std::size_t>(static_cast<unsigned char>(head[1])) << 8);
  if (!Take(length, text)) return std::nullopt;
  return UnscrambleText(text, complete);
}

FontRecord TVeskReadStream::ReadFont() {
  FontRecord record;
  std::string_view head, body;
  if (!Take(4, head)) return record;
  const auto size = static_cast<std::int32_t>(GetLe32(head, 0));
  record.size = size;
  if (size == 0) {
    record.status = FontRecord::Status::NoFont;
    return record;
  }
  // Only the Windows LOGFONTA layout is known; any other size means the
  // following bytes cannot be placed.
  if (size != kLogFontSize || !Take(4 + kLogFontSize, body)) return record;
  FontDesc& f = record.font;
  f.color = static_cast<std::int32_t>(GetLe32(body, 0));
  f.height = static_cast<std::int32_t>(GetLe32(body, 4));
  f.width = static_cast<std::int32_t>(GetLe32(body, 8));
  f.escapement = static_cast<std::int32_t>(GetLe32(body, 12));
  f.orientation = static_cast<std::int32_t>(GetLe32(body, 16));
  f.weight = static_cast<std::int32_t>(GetLe32(body, 20));
  auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(body[at]); };
  f.italic = byte(24) != 0;
  f.underline = byte(25) != 0;
  f.strikeOut = byte(26) != 0;
  f.charSet = byte(27);
  f.outPrecision = byte(28);
  f.clipPrecision = byte(29);
  f.quality = byte(30);
  f.pitchAndFamily = byte(31);
  // The face ends at its NUL, and at 31 bytes at most as Windows reads it.
  std::string_view face = body.substr(32, kFaceBytes - 1);
  face = face.substr(0, face.find('\0'));
  auto decoded = DecodeFileText(face);
  if (!decoded) {
    record.status = FontRecord::Status::BadFace;
    return record;
  }
  f.face = std::move(*decoded);
  record.status = FontRecord::Status::Font;
  return record;
}

}  // namespace tarvik
