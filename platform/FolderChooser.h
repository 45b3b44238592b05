// The shell's folder-browsing dialog.
#pragma once

#include <windows.h>

#include <string>

// Shows the modal folder chooser with `instruction` above its tree and
// returns true when the user confirms a folder.
//
// `directory` is read and written: when it does not name an existing
// directory it is emptied before the dialog opens; otherwise the dialog
// starts with it selected. On confirmation it receives the chosen folder's
// path: no trailing backslash, except for a drive root ("D:\"). On cancel it
// keeps what it held when the dialog opened.
//
// The dialog is owned by `owner` and centred on the monitor nearest to it;
// while it is open every other window of the calling thread is disabled and
// the system's critical-error boxes are suppressed. Only file-system folders
// can be confirmed, and there is no button for making a folder. COM is
// initialised for the dialog (single-threaded apartment) and uninitialised
// after it; in a thread that already runs another COM mode the dialog falls
// back to its old style. False without a dialog when the shell's allocator
// is not available.
bool SelectDirectory(const std::string& instruction, std::string& directory, HWND owner);
