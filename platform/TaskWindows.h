// Disables the program's windows while a modal box is up, and gives back
// the active window and the keyboard focus afterwards.
#pragma once

#include <windows.h>

#include <vector>

class TTaskWindowsDisabled {
 public:
  // Disables every visible, enabled top-level window of this thread except `keep`.
  explicit TTaskWindowsDisabled(HWND keep = nullptr);
  ~TTaskWindowsDisabled();
  TTaskWindowsDisabled(const TTaskWindowsDisabled&) = delete;
  TTaskWindowsDisabled& operator=(const TTaskWindowsDisabled&) = delete;

  // Enables the windows again; call before the box goes, so that the
  // system hands activation back to one of them.
  void Enable();
  // Makes the window that was active and the control that had the focus
  // active and focused again (also done by the destructor).
  void Restore();

 private:
  std::vector<HWND> disabled_;
  HWND active_;
  HWND focus_;
  bool restored_ = false;
};
