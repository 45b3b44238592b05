// Conversions between the 8-bit code pages and the wide-character API.
#pragma once

#include <string>

constexpr unsigned CodePageAnsi = 0;        // CP_ACP: the system's code page
constexpr unsigned CodePageCyrillic = 1251;  // the Russian texts' code page

std::wstring ToWide(const std::string& text, unsigned codePage = CodePageAnsi);
std::string FromWide(const std::wstring& text, unsigned codePage = CodePageAnsi);
