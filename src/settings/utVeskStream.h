// Records of the settings file, compatible with the files of the Windows
// version.
//
// String record: a 16-bit little-endian length L, then L characters: every
// byte b of the string at 0-based position i written as the two uppercase
// hexadecimal digits of b XOR kVeskKey[i mod 8]. L is at most 65535, so a
// string keeps at most its first 32767 bytes.
//
// Font record: a 32-bit little-endian size S. S = 60: a 32-bit colour and the
// 60-byte LOGFONTA follow (five 32-bit integers height, width, escapement,
// orientation, weight; eight bytes italic, underline, strike-out, character
// set, output precision, clip precision, quality, pitch and family; the face
// name in 32 bytes, NUL-terminated). S = 0: no font follows.
//
// Texts are GBK bytes, so that files of the Windows version load. A text that
// GBK cannot hold is written as UTF-8 behind a byte-order mark (EF BB BF),
// which no GBK text of the Windows version begins with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/font_desc.h"

namespace tarvik {

inline constexpr std::array<std::uint8_t, 8> kVeskKey = {0x3C, 0x71, 0xE2, 0x0D, 0x5A, 0x94, 0xC8, 0x27};
// Longest scrambled text of a string record, and so the longest string kept.
inline constexpr std::size_t kMaxScrambledLength = 65535;
inline constexpr std::size_t kMaxStringBytes = kMaxScrambledLength / 2;
// Size of a LOGFONTA, the S of a font record that carries a font.
inline constexpr std::int32_t kLogFontSize = 60;

// The scrambled hexadecimal text of `bytes` (2 characters per byte).
std::string ScrambleBytes(std::string_view bytes);
// The bytes of a scrambled text. Pairs are decoded in order; at the first
// pair that is not two hexadecimal digits decoding stops and what was decoded
// is kept (`complete` is then set false). A trailing odd character is ignored.
std::string UnscrambleText(std::string_view text, bool* complete = nullptr);

// UTF-8 -> the bytes written to the file (GBK, or BOM + UTF-8).
std::string EncodeFileText(std::string_view utf8);
// File bytes -> UTF-8: BOM + UTF-8, else GBK, else UTF-8 as it stands (a file
// edited by hand). No value when the bytes are none of these.
std::optional<std::string> DecodeFileText(std::string_view bytes);
// The bytes for a message: printable ASCII kept, everything else as \xNN.
std::string EscapeBytes(std::string_view bytes, std::size_t maxLength = 80);

class TVeskWriteStream {
 public:
  // Appends a string record of `bytes` (already encoded file text). Returns
  // false when the string was too long and only its first 32767 bytes were
  // written.
  bool WriteString(std::string_view bytes);
  // Appends a font record; no font writes S = 0.
  void WriteFont(const std::optional<FontDesc>& font);

  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

struct FontRecord {
  enum class Status {
    Font,     // a font follows (S = 60)
    NoFont,   // S = 0: the writer had no font description
    BadFace,  // S = 60 but the face name does not decode; the record was skipped
    Damaged,  // the data ends inside the record, or S is neither 0 nor 60
  };
  Status status = Status::Damaged;
  std::int32_t size = 0;  // S as read
  FontDesc font;
};

// Reads records from bytes held by the caller. Never reads past the end: a
// record cut off by the end of the data gives no value (or Damaged) and leaves
// the position at the end.
class TVeskReadStream {
 public:
  explicit TVeskReadStream(std::string_view data) : data_(data) {}

  // The unscrambled bytes of the next string record, or no value when the
  // data ends inside it. `complete` is set false when the scrambled text held
  // a pair that is not hexadecimal (the bytes before it are returned).
  std::optional<std::string> ReadString(bool* complete = nullptr);
  FontRecord ReadFont();

  std::size_t position() const { return pos_; }
  bool atEnd() const { return pos_ >= data_.size(); }

 private:
  bool Take(std::size_t n, std::string_view& out);

  std::string_view data_;
  std::size_t pos_ = 0;
};

}  // namespace tarvik
