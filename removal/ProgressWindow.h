// The small window removal shows while it works: a caption and a bar.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace Removal {

class TProgressWindow {
 public:
  explicit TProgressWindow(const std::wstring& caption);
  ~TProgressWindow();
  TProgressWindow(const TProgressWindow&) = delete;
  TProgressWindow& operator=(const TProgressWindow&) = delete;

  HWND Handle() const { return window_; }
  // Moves the bar to done of total and keeps the window answering.
  void Show(size_t done, size_t total);

 private:
  HWND window_ = nullptr;
  HWND bar_ = nullptr;
};

// The class name of that window, for whoever looks for it.
extern const wchar_t ProgressWindowClass[];

}  // namespace Removal
