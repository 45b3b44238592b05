// The process environment.
#pragma once

#include <string>

// The variable's value in the system code page; empty when it is not set.
std::string EnvironmentVariable(const std::string& name);

// The full path of the running program, however long.
std::wstring ThisProgram();
