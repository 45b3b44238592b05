// A folder that other users may change is no place for a program an
// administrator runs: they could replace it, or put a DLL beside it. These
// tell such a folder and give a folder the protection Program Files has.
#pragma once

#include <windows.h>

// Whether the security descriptor lets anyone but the system,
// Administrators, TrustedInstaller and this process's own user change the
// item or, through what it passes on, anything made in it: any ACE that
// allows one of ChangeRights (Elevation.h) to another group or user counts,
// whatever it is inherited by (a deny before it is not weighed), and so
// does a missing DACL.
bool OthersMayChange(PSECURITY_DESCRIPTOR sd);

// The protection Program Files has, inherited by everything below:
// Administrators and SYSTEM full control, Users read and execute.
extern const wchar_t ProgramFilesProtection[];

// Gives the open folder (opened with WRITE_DAC) ProgramFilesProtection in
// place of what it inherited; false, GetLastError telling why, when it cannot.
bool ProtectAsProgramFiles(HANDLE folder);
