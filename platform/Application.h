// The application object: the program's title and icon, its main window,
// the message loop and the display of errors that escape a handler.
#pragma once

#include <windows.h>

#include <string>

// The title the program shows in its error boxes, made from the
// executable's path: the file name up to its first ".", every character
// after the first in lower case (C:\Dist\SETUP.EXE gives Setup).
std::string ApplicationTitle(const std::string& executablePath);

class TApplication {
 public:
  std::string Title;
  HICON Icon = nullptr;  // the main icon resource, 32 x 32
  HWND MainWindow = nullptr;

  // Reads the title and the icon and registers the common controls.
  void Initialize();

  // Shows the main window as the process was asked to start it (minimized
  // for SW_SHOWMINNOACTIVE, maximized otherwise), runs the message loop
  // until the program is asked to end, then destroys the window.
  void Run(HWND mainWindow);

  // Shows the error being handled; call it only from inside a catch block.
  // EAbort is dropped silently.
  void HandleException();

  // Shows an error text as the exception display does: the title as the
  // caption, a "." added unless the text ends in one (or a character below it).
  void ShowException(const std::string& message);
};

extern TApplication Application;

// Runs a handler and shows whatever error escapes it, so that no error
// crosses a window procedure or the message loop.
template <class Handler>
void Guarded(Handler&& handler) {
  try {
    handler();
  } catch (...) {
    Application.HandleException();
  }
}

// The show command the process was started with (SW_SHOWDEFAULT when its
// start-up information gives none).
int StartupShowCommand();
