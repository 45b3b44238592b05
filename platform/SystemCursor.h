// The system's shared cursors by name. The headers' IDC_ARROW and IDC_HAND
// are narrow resource names in a build without UNICODE, which LoadCursorW
// does not take: their numbers are named here once.
#pragma once

#include <windows.h>

enum class SystemCursor : WORD { Arrow = 32512, Hand = 32649 };

inline HCURSOR LoadSystemCursor(SystemCursor cursor) {
  return LoadCursorW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(cursor)));
}
