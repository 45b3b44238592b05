#include "MessagePump.h"

#include <windows.h>

namespace {
bool terminated = false;
}

bool IsTerminated() { return terminated; }
void SetTerminated() { terminated = true; }

void Terminate() { PostQuitMessage(0); }

void ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      SetTerminated();
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
