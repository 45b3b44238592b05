// The program's entry: initialise the application, create the window, run;
// started with switches, install or remove with no one at the screen; or,
// started with a removal argument, remove an installed product.
#include <windows.h>

#include <memory>

#include "Application.h"
#include "CleanupCopy.h"
#include "ComApartment.h"
#include "CommandLine.h"
#include "DllSearch.h"
#include "Environment.h"
#include "ExitCodes.h"
#include "ProductLock.h"
#include "RemovalMode.h"
#include "SetupForm.h"
#include "SilentRun.h"
#include "Text.h"

// The one window; it lasts until the process ends, and its package reader with it.
TSetupForm SetupForm;

namespace {

int RunWindow() {
  TComApartment com;  // uninitialised after the windows are gone
  Application.Initialize();
  SetupForm.Create();
  // A second setup.exe of a product being installed shows nothing and
  // ends: the first one's window is the one to use.
  std::unique_ptr<TProductLock> lock;
  if (SetupForm.Ready) {
    lock = std::make_unique<TProductLock>(ToWide(SetupForm.Pack->FolderName));
    if (!lock->Held()) return ExitAnotherInstall;
  }
  Application.Run(SetupForm.Handle);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  // Held from the start: the uninstaller an install leaves is copied from it.
  ThisProgramFile();
  TRunMode mode = TRunMode::Window;
  try {
    const TCommandLine line =
        ParseCommandLine(GetCommandLineW(), {Removal::RemoveArgument, Removal::CleanupArgument});
    mode = line.Mode;
    switch (line.Mode) {
      case TRunMode::Window:
        return RunWindow();
      case TRunMode::Removal:
      case TRunMode::Cleanup: {
        // Started as the uninstaller of an installed product, or its copy.
        int removalExit = 0;
        Removal::RunRemovalIfAsked(removalExit);
        return removalExit;
      }
      default:
        return RunSilent(line, SetupForm);
    }
  } catch (...) {
    // Handlers show their own errors; nothing else may change the window's
    // exit code. A silent run that gets here is not announced as a success.
    if (mode == TRunMode::SilentInstall || mode == TRunMode::SilentRemoval) return ExitFailed;
  }
  return 0;
}
