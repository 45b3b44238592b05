#include "LoadProgress.h"
#include "Text.h"
#include "Unattended.h"

#include <string>

TLoadProgress::TLoadProgress() : start_(GetTickCount()) {}

TLoadProgress::~TLoadProgress() {
  if (window_) DestroyWindow(window_);
}

void TLoadProgress::Update(int32_t done, int32_t total) {
  if (Unattended()) return;
  // Checked: gone before the program says what it found.
  if (done >= total) {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    return;
  }
  if (!window_) {
    if (GetTickCount() - start_ < DelayMs) return;
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    const int width = 320, height = 60;
    // A static control of its own is the whole window: text, centred, no
    // window procedure of ours.
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"Setup",
                              WS_POPUP | WS_BORDER | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE,
                              (workArea.left + workArea.right - width) / 2, (workArea.top + workArea.bottom - height) / 2,
                              width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) return;
    SendMessageW(window_, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  }
  const int percent = total > 0 ? int(int64_t(done) * 100 / total) : 100;
  if (percent != percent_) {
    percent_ = percent;
    SetWindowTextW(window_, (L"Checking the package: " + ToWide(std::to_string(percent)) + L" %").c_str());
  }
  // Its own messages only: the main window is still being made.
  MSG message;
  while (PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  UpdateWindow(window_);
}
