// The system's shared icons by name. The headers' IDI_ERROR and its kin are
// narrow resource names in a build without UNICODE, which LoadIconW does not
// take: their numbers are named here once, as SystemCursor.h names the cursors'.
#pragma once

#include <windows.h>

enum class SystemIcon : WORD { Error = 32513, Question = 32514, Information = 32516 };

inline HICON LoadSystemIcon(SystemIcon icon) { return LoadIconW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(icon))); }
