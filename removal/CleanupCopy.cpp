#include "CleanupCopy.h"

#include <windows.h>

#include <cwchar>

#include "Environment.h"
#include "Handle.h"
#include "Path.h"
#include "RemovalRecord.h"
#include "RemoveItems.h"
#include "Text.h"

namespace Removal {

const wchar_t CleanupArgument[] = L"/remove-cleanup";

namespace {

// The first process's image may stay mapped a moment after it has ended.
constexpr int DeleteTries = 50;
constexpr DWORD DeletePause = 100;  // milliseconds between tries

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }


bool IsPlainFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

}  // namespace

bool StartCleanupCopy(const std::wstring& uninstaller, const std::vector<std::wstring>& folders) {
  wchar_t temp[MAX_PATH + 1] = L"", copy[MAX_PATH + 1] = L"";
  if (!GetTempPathW(MAX_PATH + 1, temp) || !GetTempFileNameW(temp, L"rmv", 0, copy)) return false;
  if (!CopyFileW(ThisProgram().c_str(), copy, FALSE)) {
    DeleteFileW(copy);
    return false;
  }
  // The copy waits on this handle, inherited: unlike a process id it
  // cannot come to name another process.
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0)) {
    DeleteFileW(copy);
    return false;
  }
  const THandle selfHeld(self);
  std::wstring commandLine = Quoted(copy) + L" " + CleanupArgument + L" " +
                             ToWide(std::to_string(reinterpret_cast<uintptr_t>(self))) + L" " + Quoted(uninstaller);
  for (const std::wstring& folder : folders) commandLine += L" " + Quoted(folder);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(copy, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &started)) {
    DeleteFileW(copy);
    return false;
  }
  // Nothing here waits for the copy: its handles close on the way out.
  const THandle thread(started.hThread), process(started.hProcess);
  return true;
}

int RunCleanup(const std::vector<std::wstring>& arguments) {
  if (arguments.size() < 2) return 2;
  // Inherited from the first process: this copy's to close, on every way out.
  THandle first(reinterpret_cast<HANDLE>(uintptr_t(std::strtoull(FromWide(arguments[0]).c_str(), nullptr, 10))));
  const std::wstring& uninstaller = arguments[1];
  // Only the uninstaller, and only folders that held it.
  if (!SamePath(LastComponent(uninstaller), UninstallerName)) return 2;
  WaitForSingleObject(first.Get(), INFINITE);
  first.Reset();

  int exitCode = 0;
  bool deleted = !IsPlainFile(uninstaller);
  for (int i = 0; !deleted && i < DeleteTries; ++i) {
    deleted = DeleteFileW(LongPath(uninstaller).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    if (!deleted) Sleep(DeletePause);
  }
  if (!deleted) exitCode = 1;
  for (size_t i = 2; i < arguments.size(); ++i) {
    const std::wstring& folder = arguments[i];
    const DWORD attributes = GetFileAttributesW(LongPath(folder).c_str());
    if (!Below(uninstaller, folder) || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      continue;
    RemoveDirectoryW(LongPath(folder).c_str());
  }
  // Fails without the right to change the machine's settings: the copy
  // then stays in the temporary folder.
  MoveFileExW(ThisProgram().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return exitCode;
}

}  // namespace Removal
