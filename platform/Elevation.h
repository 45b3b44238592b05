// What this process's token allows beyond what the user's other programs
// may do: whether it runs elevated (User Account Control's full token), the
// limited token linked to it, and what a token may do to an item.
#pragma once

#include <windows.h>

#include "Handle.h"

// Whether this process runs with an administrator's full token that was
// made from a limited one (User Account Control): programs the user starts
// without elevation then run with the limited, linked token.
bool RunsElevated();

// The limited token linked to this process's full one (an identification
// token, enough for access checks); invalid when there is none.
THandle LinkedToken();

// Whether `token` holds the Administrators group enabled. A limited token
// never does; Wine's linked token does: there is no boundary to guard then.
bool IsAdministrator(HANDLE token);

// The rights that let a holder change a file, a folder or what a folder
// holds: write, add, delete, and change the protection or owner.
constexpr DWORD ChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;

// Whether the system grants `token` (an impersonation or identification
// token) any of ChangeRights to an item with security descriptor `sd`.
// True when the check itself fails: what cannot be shown safe is not.
bool TokenMayChange(PSECURITY_DESCRIPTOR sd, HANDLE token);

// A security descriptor the system allocated (LocalAlloc), freed once.
struct TLocalMemoryKind {
  using Type = PSECURITY_DESCRIPTOR;
  static bool Valid(PSECURITY_DESCRIPTOR sd) { return sd != nullptr; }
  static void Close(PSECURITY_DESCRIPTOR sd) { LocalFree(sd); }
};
using TSecurityDescriptor = TOwnedHandle<TLocalMemoryKind>;

// The owner, group and DACL of an open item (opened with READ_CONTROL);
// invalid, GetLastError telling why, when they cannot be read.
TSecurityDescriptor SecurityOf(HANDLE item);
