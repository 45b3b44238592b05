#include "DllSearch.h"

#include <windows.h>

void RestrictDllSearchPath() {
  // Looked up at run time: older systems without the update lack it.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // The best left there: at least the current directory is not searched.
  SetDllDirectoryW(L"");
}
