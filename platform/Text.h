// Conversions between the 8-bit code pages and the wide-character API.
#pragma once

#include <string>

constexpr unsigned CodePageAnsi = 0;  // CP_ACP: the system's code page
constexpr unsigned CodePageUtf8 = 65001;  // CP_UTF8: the build's product settings

std::wstring ToWide(const std::string& text, unsigned codePage = CodePageAnsi);
std::string FromWide(const std::wstring& text, unsigned codePage = CodePageAnsi);

// Whether every byte of text belongs to a character of the code page: what
// ToWide would otherwise replace or drop.
bool IsTextIn(const std::string& text, unsigned codePage = CodePageAnsi);
// Whether byte starts a double-byte character of the code page.
bool IsLeadByte(char byte, unsigned codePage = CodePageAnsi);
