// Conversions between the 8-bit code pages and the wide-character API.
#pragma once

#include <string>

constexpr unsigned CodePageAnsi = 0;  // CP_ACP: the system's code page

std::wstring ToWide(const std::string& text, unsigned codePage = CodePageAnsi);
std::string FromWide(const std::wstring& text, unsigned codePage = CodePageAnsi);

// Appends `value` as exactly `digits` upper-case hexadecimal digits, leading
// zeros kept.
void AppendHex(std::string& text, unsigned long value, int digits);
