#include "Application.h"

#include <commctrl.h>

#include <exception>
#include <new>

#include "Errors.h"
#include "MessagePump.h"
#include "Path.h"
#include "TaskWindows.h"
#include "Text.h"
#include "Unattended.h"

TApplication Application;

std::string ApplicationTitle(const std::string& executablePath) {
  std::string name = LastComponent(executablePath);
  name = name.substr(0, name.find('.'));
  if (name.size() > 1) CharLowerBuffA(&name[1], DWORD(name.size() - 1));
  return name;
}

int StartupShowCommand() {
  STARTUPINFOW info{};
  info.cb = sizeof info;
  GetStartupInfoW(&info);
  return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
}

void TApplication::Initialize() {
  char path[256] = "";  // the title is made from at most 255 characters of the path
  GetModuleFileNameA(nullptr, path, sizeof path);
  path[sizeof path - 1] = '\0';
  Title = ApplicationTitle(path);
  Icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, 32, 32, 0));
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
}

void TApplication::Run(HWND mainWindow) {
  if (!mainWindow) return;
  MainWindow = mainWindow;
  SetNavigationWindow(mainWindow);
  if (StartupShowCommand() == SW_SHOWMINNOACTIVE) {
    // Minimized, but restoring gives back the maximized window.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(mainWindow, &placement);
    placement.flags = WPF_RESTORETOMAXIMIZED;
    placement.showCmd = SW_SHOWMINNOACTIVE;
    SetWindowPlacement(mainWindow, &placement);
  } else {
    ShowWindow(mainWindow, SW_SHOWMAXIMIZED);
  }
  while (!IsTerminated()) Guarded([] { HandleMessage(); });
  SetNavigationWindow(nullptr);
  if (IsWindow(mainWindow)) DestroyWindow(mainWindow);
  MainWindow = nullptr;
}

void TApplication::HandleException() {
  // A window holding the mouse capture would otherwise keep it under the box.
  if (HWND capture = GetCapture()) SendMessageW(capture, WM_CANCELMODE, 0, 0);
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const Exception& e) {
    ShowException(e.Message);
  } catch (const std::bad_alloc&) {
    ShowException("Out of memory");
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("Unknown error");
  }
}

void TApplication::ShowException(const std::string& message) {
  try {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    if (Unattended()) {
      LogLine(L"Error: " + ToWide(text));
      return;
    }
    // A handler that fails on its way out may already have asked the program
    // to end (Install closes the window as the error passes). The box would
    // take that quit message and vanish unseen: it waits until the box is closed.
    MSG quit;
    const bool quitPending = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    {
      TTaskWindowsDisabled windows;
      MessageBoxA(GetActiveWindow(), text.c_str(), Title.c_str(), MB_OK | MB_ICONSTOP);
    }
    if (quitPending) PostQuitMessage(int(quit.wParam));
  } catch (...) {
    // Nothing more can be shown: the error stops here.
  }
}
