// The process environment.
#pragma once

#include <string>

#include "Handle.h"

// The variable's value in the system code page; empty when it is not set.
std::string EnvironmentVariable(const std::string& name);

// The full path of the running program, however long.
std::wstring ThisProgram();

// The running program's file, opened for reading on the first call and held
// for the life of the process, sharing reading only: what is copied from it
// later (the uninstaller) is what started, whatever is done meanwhile to
// the name it was started by. Invalid when it could not be opened.
const THandle& ThisProgramFile();
