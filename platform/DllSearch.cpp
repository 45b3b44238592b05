#include "DllSearch.h"

#include <windows.h>

#include <versionhelpers.h>

void RestrictDllSearchPath() {
  // On Vista, shell links cannot be made once SetDefaultDllDirectories has
  // run (installers that use it skip it there): from Windows 7 on only.
  if (IsWindows7OrGreater()) {
    // Looked up at run time: older systems without the update lack it.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  }
  // The best left there: at least the current directory is not searched.
  SetDllDirectoryW(L"");
}
