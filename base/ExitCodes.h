// The exit codes of setup.exe started with switches, and of a second
// setup.exe for a product being installed: the Windows Installer's own,
// which deployment tools already read. README lists them.
#pragma once

enum TExitCode : int {
  ExitSuccess = 0,             // ERROR_SUCCESS: installed, or removed
  ExitFailed = 1603,           // ERROR_INSTALL_FAILURE: what the run made was taken back (the log says what stays)
  ExitAnotherInstall = 1618,   // ERROR_INSTALL_ALREADY_RUNNING: a setup.exe of the same product runs
  ExitBadPackage = 1620,       // ERROR_INSTALL_PACKAGE_INVALID: the package can not be loaded
  ExitLogFailure = 1622,       // ERROR_INSTALL_LOG_FAILURE: the log can not be written
  ExitBadArgument = 1639,      // ERROR_INVALID_COMMAND_LINE: a bad or unknown switch
};
