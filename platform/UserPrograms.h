// Where a user who may not write Program Files installs programs.
#pragma once

#include <string>

// Whether folder exists and this process may not create anything in it
// (a standard user's Program Files, or an administrator's who declined
// elevation). Tried, not deduced from the folder's rights: what counts is
// what the system lets this process do.
bool RefusesNewItems(const std::string& folder);

// The current user's own programs folder (%LOCALAPPDATA%\Programs), made
// when it is missing; false when there is none to be had.
bool UserProgramsFolder(std::string& path);
