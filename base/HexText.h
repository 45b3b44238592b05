// Hexadecimal text, the one way this code writes it: by hand, since
// printf's implementation would be a third of the installer. Portable (no
// Windows): platform/, the package format and the package tool all use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class HexCase { Upper, Lower };

// Appends `value` as exactly `digits` hexadecimal digits (at most 8),
// leading zeros kept.
inline void AppendHex(std::string& text, uint32_t value, int digits, HexCase letters = HexCase::Upper) {
  const char* symbols = letters == HexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
  while (digits-- > 0) text += symbols[(value >> (4 * digits)) & 0xF];
}

// A byte as two upper-case digits: "0A".
inline std::string HexByte(uint8_t byte) {
  std::string text;
  AppendHex(text, byte, 2);
  return text;
}

// Bytes as two lower-case digits each, as sha256sum prints a digest.
inline std::string LowerHexBytes(const uint8_t* bytes, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) AppendHex(text, bytes[i], 2, HexCase::Lower);
  return text;
}
