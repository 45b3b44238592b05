#include "MessagePump.h"

#include "Errors.h"

namespace {

bool terminated = false;
HWND navigationWindow = nullptr;

void Dispatch(MSG& msg) {
  if (msg.message == WM_QUIT) {
    SetTerminated();
    return;
  }
  if (navigationWindow && (msg.hwnd == navigationWindow || IsChild(navigationWindow, msg.hwnd)) &&
      IsDialogMessageW(navigationWindow, &msg))
    return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace

bool IsTerminated() { return terminated; }
void SetTerminated() { terminated = true; }
void ClearTerminated() { terminated = false; }

void Terminate() { PostQuitMessage(0); }

void ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) Dispatch(msg);
}

void ProcessMessagesOrAbort() {
  ProcessMessages();
  if (IsTerminated()) throw EAbort();
}

void HandleMessage() {
  MSG msg;
  if (GetMessageW(&msg, nullptr, 0, 0) == -1) return;
  Dispatch(msg);
}

TEndRequestHeld::TEndRequestHeld() {
  MSG quit;
  held_ = IsTerminated() || PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  ClearTerminated();
}

TEndRequestHeld::~TEndRequestHeld() {
  if (held_) SetTerminated();
}

void SetNavigationWindow(HWND window) { navigationWindow = window; }
