// Started by the DLL search tests under a name whose Windows version Wine is
// set to report: restricts the search as setup.exe does, then tries a DLL
// beside the program and one in the current directory. Exit code: 1 if the
// one beside it loaded, plus 2 if the one in the current directory did.
#include <windows.h>

#include "DllSearch.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  int loaded = 0;
  if (LoadLibraryW(L"planted.dll")) loaded |= 1;
  if (LoadLibraryW(L"planted-in-current.dll")) loaded |= 2;
  return loaded;
}
