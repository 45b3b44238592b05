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

void AppendHex(std::string& text, unsigned long value, int digits) {
  while (digits-- > 0) text += "0123456789ABCDEF"[(value >> (4 * digits)) & 0xF];
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return UpToLastSeparator(folder) == folder.size() ? folder + name : folder + "\\" + name;
}

size_t UpToLastSeparator(const std::string& path, unsigned codePage) {
  const UINT table = codePage == CodePageAnsi ? GetACP() : codePage;
  size_t length = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByteEx(table, BYTE(path[i])) && i + 1 < path.size())
      ++i;  // a two-byte character
    else if (path[i] == '\\' || path[i] == ':')
      length = i + 1;
  }
  return length;
}
