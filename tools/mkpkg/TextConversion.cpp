#include "TextConversion.h"

#include "HexText.h"

namespace Mkpkg {

namespace {

// Length of the UTF-8 sequence at text[i] and its code point; 0 when malformed.
size_t DecodeOne(const std::string& text, size_t i, char32_t& c) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  size_t length;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, c = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

std::string EscapedByte(unsigned char b) { return "\\x" + HexByte(b); }

// At least four digits, as Unicode writes code points.
std::string CodePointName(char32_t c) {
  int digits = 4;
  while (digits < 8 && (uint32_t(c) >> (4 * digits)) != 0) ++digits;
  std::string text = "U+";
  AppendHex(text, uint32_t(c), digits);
  return text;
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

bool DecodeUtf8(const std::string& text, std::u32string& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    const size_t length = DecodeOne(text, i, c);
    if (!length) return false;
    out.push_back(c);
    i += length;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(char(c));
  } else if (c < 0x800) {
    out.push_back(char(0xC0 | (c >> 6)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(char(0xE0 | (c >> 12)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (c >> 18)));
    out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  }
}

EncodedText EncodeText(const std::string& utf8, const CodePage* codePage) {
  std::u32string text;
  if (!DecodeUtf8(utf8, text)) return {"", "is not valid UTF-8"};
  return EncodeText(text, codePage);
}

EncodedText EncodeText(const std::u32string& text, const CodePage* codePage) {
  EncodedText result;
  for (char32_t c : text) {
    if (c < 0x80) {
      result.Bytes.push_back(char(c));
      continue;
    }
    int byte = -1;
    if (codePage)
      for (int i = 0; i < 128 && byte < 0; ++i)
        if (codePage->Upper[i] == c) byte = 0x80 + i;
    if (byte < 0) {
      std::string shown;
      if (!IsControl(c)) AppendUtf8(shown, c);
      result.Problem = "holds \"" + shown + "\" (" + CodePointName(c) + "), which " +
                       (codePage ? "code page " + std::to_string(codePage->Number) + " cannot hold"
                                 : std::string("is not ASCII (give --codepage to write it in a Windows code page)"));
      result.Bytes.clear();
      return result;
    }
    result.Bytes.push_back(char(byte));
  }
  return result;
}

std::string DisplayPackageText(const std::string& bytes, const CodePage* codePage) {
  std::string out;
  for (char b : bytes) {
    const unsigned char u = static_cast<unsigned char>(b);
    char32_t c = u < 0x80 ? u : (codePage ? codePage->Upper[u - 0x80] : 0);
    if (c == 0 || IsControl(c))
      out += EscapedByte(u);
    else
      AppendUtf8(out, c);
  }
  return out;
}

std::string DisplayUtf8(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    const size_t length = DecodeOne(text, i, c);
    if (!length || IsControl(c)) {
      out += EscapedByte(static_cast<unsigned char>(text[i]));
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

}  // namespace Mkpkg
