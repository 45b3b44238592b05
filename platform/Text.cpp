#include "Text.h"

#include <windows.h>

std::wstring ToWide(const std::string& text, unsigned codePage) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring out(size_t(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), out.data(), n);
  return out;
}

std::string FromWide(const std::wstring& text, unsigned codePage) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

bool IsTextIn(const std::string& text, unsigned codePage) {
  return text.empty() ||
         MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0) > 0;
}

bool IsLeadByte(char byte, unsigned codePage) {
  return IsDBCSLeadByteEx(codePage == CodePageAnsi ? GetACP() : codePage, BYTE(byte)) != FALSE;
}
