#include "ProgressWindow.h"

#include <commctrl.h>

#include "MessagePump.h"
#include "Unattended.h"

namespace Removal {

const wchar_t ProgressWindowClass[] = L"TRemovalForm";

namespace {

constexpr int BarRange = 1000;
constexpr SIZE WindowSize{420, 110};

void RegisterWindowClass() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.hIcon = LoadIconW(windowClass.hInstance, L"MAINICON");
  windowClass.lpszClassName = ProgressWindowClass;
  RegisterClassW(&windowClass);  // fails harmlessly when already registered
}

}  // namespace

TProgressWindow::TProgressWindow(const std::wstring& caption) {
  if (Unattended()) return;
  RegisterWindowClass();
  RECT workArea{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  const int left = (workArea.left + workArea.right - WindowSize.cx) / 2;
  const int top = (workArea.top + workArea.bottom - WindowSize.cy) / 2;
  // No close box: the walk is not one to stop half-way.
  window_ = CreateWindowExW(0, ProgressWindowClass, caption.c_str(), WS_POPUP | WS_CAPTION | WS_VISIBLE, left, top,
                            WindowSize.cx, WindowSize.cy, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window_) return;
  RECT client{};
  GetClientRect(window_, &client);
  bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 16, (client.bottom - 20) / 2,
                         client.right - 32, 20, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(bar_, PBM_SETRANGE32, 0, BarRange);
  UpdateWindow(window_);
  ProcessMessages();
}

TProgressWindow::~TProgressWindow() {
  if (window_) DestroyWindow(window_);
}

void TProgressWindow::Show(size_t done, size_t total) {
  if (bar_ && total) SendMessageW(bar_, PBM_SETPOS, WPARAM(done * BarRange / total), 0);
  ProcessMessages();
}

}  // namespace Removal
