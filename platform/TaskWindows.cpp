#include "TaskWindows.h"

namespace {

struct Collect {
  HWND keep;
  std::vector<HWND>* windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
  const Collect& c = *reinterpret_cast<Collect*>(data);
  // Hidden windows (the system's helpers among them) take no input anyway.
  if (window != c.keep && IsWindowVisible(window) && IsWindowEnabled(window)) c.windows->push_back(window);
  return TRUE;
}

}  // namespace

TTaskWindowsDisabled::TTaskWindowsDisabled(HWND keep) : active_(GetActiveWindow()), focus_(GetFocus()) {
  Collect c{keep, &disabled_};
  EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&c));
  for (HWND window : disabled_) EnableWindow(window, FALSE);
}

TTaskWindowsDisabled::~TTaskWindowsDisabled() { Restore(); }

void TTaskWindowsDisabled::Enable() {
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it)
    if (IsWindow(*it)) EnableWindow(*it, TRUE);
  disabled_.clear();
}

void TTaskWindowsDisabled::Restore() {
  Enable();
  if (restored_) return;
  restored_ = true;
  if (active_ && IsWindow(active_)) SetActiveWindow(active_);
  if (focus_ && IsWindow(focus_)) SetFocus(focus_);
}
