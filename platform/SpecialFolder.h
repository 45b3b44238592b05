// The file-system paths of the shell's special folders.
#pragma once

#include <windows.h>

#include <string>

constexpr int FolderProgramFiles = 38;  // CSIDL_PROGRAM_FILES

// The path of special folder `folder` (a CSIDL), as the shell gives it:
// without a trailing backslash, except for a drive root such as "D:\".
// False, with `path` untouched, when the folder or its path is not available.
bool SpecialFolderPath(HWND owner, int folder, std::string& path);
