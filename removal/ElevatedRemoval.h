// The removal runs elevated whenever an administrator removes the product,
// and then trusts nothing that the user's own, unelevated programs can
// change: not the Programs folder that the user's settings name, not a
// record they can rewrite.
#pragma once

#include <windows.h>

#include <string>

#include "RemovalRecord.h"

namespace Removal {

// The Programs folder the product's Start-menu folder must lie in. Elevated,
// it is the system's default for the user (the user's settings can point
// the current one anywhere); otherwise the user's current one.
std::wstring ProgramsFolderBound(bool elevated);

// Why an elevated removal may not use the record open as `record` in the
// folder open as `folder` (both opened with READ_CONTROL): programs running
// with the limited token linked to this one may change either. Empty when
// they may not, when this process is not elevated, or when the linked
// token is an administrator's itself (Wine's), which leaves nothing to guard.
std::string UnelevatedChangeProblem(HANDLE record, HANDLE folder);

// The part of UnelevatedChangeProblem that judges one item's security
// descriptor for a token: a name for the item when `token` may change it.
std::string ChangeableProblem(PSECURITY_DESCRIPTOR sd, HANDLE token, const std::string& what);

// Why the record's links are not all shortcuts (.lnk files), which are all
// an install makes in the Start menu; empty when they are.
std::string LinkNamesProblem(const TRemovalRecord& record);

}  // namespace Removal
