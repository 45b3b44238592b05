// setup.exe started with /S: the install or the removal with no one at the
// screen. Nothing is shown; the boxes' texts and a line for each step go to
// the log, the outcome to the exit code (base/ExitCodes.h).
#pragma once

#include "CommandLine.h"

class TSetupForm;

// Runs what `line` asks for (SilentInstall, SilentRemoval, or BadArgument,
// which only logs the reason) and gives its exit code. The form is made
// but never shown.
int RunSilent(const TCommandLine& line, TSetupForm& form);
