// setup.exe as the uninstaller: copied beside the record of an install as
// uninstall.exe and started with RemoveArgument (by Windows' list of
// programs), it asks once, removes what the record names, newest first,
// and says what it did.
#pragma once

namespace Removal {

extern const wchar_t RemoveArgument[];

// Exit codes of the removal.
enum : int {
  ExitRemoved = 0,    // everything the record names is gone
  ExitDeclined = 1,   // the user answered No: nothing changed
  ExitLeft = 2,       // something could not be removed; the rest is gone
  ExitRefused = 3,    // no usable record, or one naming what is not the product's: nothing changed
  // and ExitAnotherInstall (base/ExitCodes.h) while a setup of the product runs
};

// Runs the removal or the cleanup copy when the command line asks for one
// and gives its exit code in exitCode; false when it asks for neither (an
// ordinary setup run).
bool RunRemovalIfAsked(int& exitCode);

}  // namespace Removal
