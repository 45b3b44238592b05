// The floors the measurements are read against: without arguments it ends
// at once (the fixed cost of starting a process under the same system);
// "blankwindow" shows one empty window (the least a window program can do
// before its first paint). "latepaint" shows its window, titled
// "unpainted", and lets it wait unpainted for a while before it is titled
// "painted" and painted: a start-up probe must report the second title.
// A GUI program, like the ones it is compared with.
#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK BlankProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int ShowBlankWindow(bool paintLate) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = BlankProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"BenchBlankWindow";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(windowClass.lpszClassName, paintLate ? L"unpainted" : L"Blank", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  if (paintLate) {
    Sleep(500);  // shown, not painted: no message is handled meanwhile
    SetWindowTextW(window, L"painted");
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  if (std::wcscmp(commandLine, L"blankwindow") == 0) return ShowBlankWindow(false);
  if (std::wcscmp(commandLine, L"latepaint") == 0) return ShowBlankWindow(true);
  return 0;
}
