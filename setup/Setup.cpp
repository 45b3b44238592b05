// The program's entry: initialise the application, create the window, run;
// or, started with a removal argument, remove an installed product.
#include <windows.h>

#include "Application.h"
#include "ComApartment.h"
#include "DllSearch.h"
#include "Environment.h"
#include "RemovalMode.h"
#include "SetupForm.h"

// The one window; it lasts until the process ends, and its package reader with it.
TSetupForm SetupForm;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  // Held from the start: the uninstaller an install leaves is copied from it.
  ThisProgramFile();
  try {
    // Started as the uninstaller of an installed product.
    int removalExit = 0;
    if (Removal::RunRemovalIfAsked(removalExit)) return removalExit;
    TComApartment com;  // uninitialised after the windows are gone
    Application.Initialize();
    SetupForm.Create();
    Application.Run(SetupForm.Handle);
  } catch (...) {
    // Handlers show their own errors; nothing else may change the exit code.
  }
  return 0;
}
