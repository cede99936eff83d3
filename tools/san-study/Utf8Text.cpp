#include "Utf8Text.h"

namespace {
// Length of the well-formed UTF-8 sequence at the start of `text`, 0 when
// there is none: no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; i++)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  return length;
}

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

std::string Escape(std::string_view text, bool controls) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    std::size_t length = SequenceLength(text);
    const auto b = static_cast<unsigned char>(text[0]);
    if (length > 0 && !(controls && IsControl(b))) {
      out.append(text.substr(0, length));
    } else {
      out += {'\\', 'x', kHex[b >> 4], kHex[b & 0xF]};
      length = 1;
    }
    text.remove_prefix(length);
  }
  return out;
}
}  // namespace

std::string EscapeInvalidUtf8(std::string_view text) { return Escape(text, false); }

std::string OneLineText(std::string_view text) { return Escape(text, true); }
