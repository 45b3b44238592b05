// Quorvix Forge, the example product that the installer's example package
// carries: it says what it is and where it was installed.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  wchar_t text[MAX_PATH + 128] =
      L"Quorvix Forge 1.0\n\nThe example product that Quorvix Setup installs.\n\nInstalled as ";
  lstrcatW(text, path);
  MessageBoxW(nullptr, text, L"Quorvix Forge", MB_OK | MB_ICONINFORMATION);
  return 0;
}
