// Cutting and joining 8-bit Windows paths, byte by byte as the system's
// ANSI functions take them.
#pragma once

#include <cstddef>
#include <string>

#include "Text.h"

// The length of an 8-bit path up to and including its last backslash or
// colon; 0 when it has neither. In a double-byte code page the second byte
// of a character may have the backslash's value (Shift-JIS "ソ" is 83 5C):
// only whole characters count.
size_t UpToLastSeparator(const std::string& path, unsigned codePage = CodePageAnsi);
// The folder part of an 8-bit path, its last separator kept ("C:\Apps\"
// of "C:\Apps\Demo"); empty when it has none.
std::string FolderOf(const std::string& path, unsigned codePage = CodePageAnsi);
// What follows the last backslash or colon: the whole path when it has neither.
std::string LastComponent(const std::string& path, unsigned codePage = CodePageAnsi);

// Wide paths are the system's full or final paths, whose separator is the
// backslash alone. ParentOf: the folder part without its backslash, empty
// when there is none; LastComponent: what follows the last backslash, the
// whole path when there is none.
std::wstring ParentOf(const std::wstring& path);
std::wstring LastComponent(const std::wstring& path);

// The path of name inside folder: one backslash between them, none added
// after a folder that ends in one (a drive root such as C:\).
std::string JoinPath(const std::string& folder, const std::string& name);
