// The uninstaller cannot delete its own program file while it runs. A copy
// of it in the temporary folder waits for it to end, then deletes it and the
// folders that held only it; the copy itself is marked for deletion at the
// next restart, where the system allows that.
#pragma once

#include <string>
#include <vector>

namespace Removal {

// The argument that starts a program in the copy's part.
extern const wchar_t CleanupArgument[];

// Starts the copy for this process: it deletes `uninstaller` once this
// process has ended, then each of `folders` that is then empty, in the order
// given. False when the copy cannot be made or started.
bool StartCleanupCopy(const std::wstring& uninstaller, const std::vector<std::wstring>& folders);

// The copy's part, given the arguments after CleanupArgument; the exit code.
int RunCleanup(const std::vector<std::wstring>& arguments);

}  // namespace Removal
