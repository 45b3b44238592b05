// Conversions between the 8-bit code pages and the wide-character API.
#pragma once

#include <string>

constexpr unsigned CodePageAnsi = 0;  // CP_ACP: the system's code page

std::wstring ToWide(const std::string& text, unsigned codePage = CodePageAnsi);
std::string FromWide(const std::wstring& text, unsigned codePage = CodePageAnsi);

// Appends `value` as exactly `digits` upper-case hexadecimal digits, leading
// zeros kept.
void AppendHex(std::string& text, unsigned long value, int digits);

// The length of an 8-bit path up to and including its last backslash or
// colon; 0 when it has neither. In a double-byte code page the second byte
// of a character may have the backslash's value (Shift-JIS "ソ" is 83 5C):
// only whole characters count.
size_t UpToLastSeparator(const std::string& path, unsigned codePage = CodePageAnsi);

// The path of name inside folder: one backslash between them, none added
// after a folder that ends in one (a drive root such as C:\).
std::string JoinPath(const std::string& folder, const std::string& name);
