#include "CleanupCopy.h"

#include <windows.h>

#include <sddl.h>

#include <cwchar>
#include <vector>

#include "Elevation.h"
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
constexpr int FolderTries = 100;
// Elevated, the copy's folder is one that only administrators and the
// system may change: nothing unelevated can swap the program started.
const wchar_t AdministratorsOnly[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
const wchar_t CopyName[] = L"cleanup.exe";

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

bool IsPlainFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

// Where the copy's folder goes: elevated, the system's temporary folder
// (the user's may be changed by any program of theirs), else the user's.
std::wstring TemporaryBase(bool elevated) {
  wchar_t path[MAX_PATH + 1] = L"";
  if (elevated) {
    const UINT length = GetSystemWindowsDirectoryW(path, MAX_PATH);
    return length && length < MAX_PATH ? std::wstring(path) + L"\\Temp" : L"";
  }
  const DWORD length = GetTempPathW(MAX_PATH + 1, path);
  std::wstring base(path, length <= MAX_PATH ? length : 0);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  return base;
}

// A folder made new for the copy, so that nothing in it is anyone else's:
// a name already taken (by a folder, file or link) is passed over.
std::wstring MakeOwnFolder(bool elevated) {
  const std::wstring base = TemporaryBase(elevated);
  if (base.empty()) return L"";
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (elevated && !ConvertStringSecurityDescriptorToSecurityDescriptorW(AdministratorsOnly, SDDL_REVISION_1, &raw, nullptr))
    return L"";
  const TSecurityDescriptor protection(raw);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, protection.Get(), FALSE};
  for (int i = 0; i < FolderTries; ++i) {
    const std::wstring folder = base + L"\\rmv" + ToWide(std::to_string(GetCurrentProcessId())) + L"-" +
                                ToWide(std::to_string(GetTickCount() + DWORD(i)));
    if (CreateDirectoryW(LongPath(folder).c_str(), &attributes)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return L"";
  }
  return L"";
}

// Writes this program's image to `copy`, which must not exist yet.
bool WriteCopy(const std::wstring& copy) {
  const THandle source(CreateFileW(LongPath(ThisProgram()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  THandle target(CreateFileW(LongPath(copy).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
  if (!source.Valid() || !target.Valid()) return false;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    DWORD read = 0, written = 0;
    if (!::ReadFile(source.Get(), buffer.data(), DWORD(buffer.size()), &read, nullptr)) return false;
    if (read == 0) break;
    if (!WriteFile(target.Get(), buffer.data(), read, &written, nullptr) || written != read) return false;
  }
  return CloseHandle(target.Release()) != 0;
}

// Whether `process` is a process whose program is `image`.
bool ProcessImageIs(HANDLE process, const std::wstring& image) {
  std::wstring path(32768, L'\0');
  DWORD length = DWORD(path.size());
  if (!QueryFullProcessImageNameW(process, 0, path.data(), &length)) return false;
  path.resize(length);
  if (path.compare(0, 4, L"\\\\?\\") == 0) path.erase(0, 4);
  return SamePath(path, image);
}

}  // namespace

bool StartCleanupCopy(const std::wstring& uninstaller, const std::vector<std::wstring>& folders) {
  const std::wstring folder = MakeOwnFolder(RunsElevated());
  if (folder.empty()) return false;
  const std::wstring copy = folder + L"\\" + CopyName;
  const auto fail = [&] {
    DeleteFileW(LongPath(copy).c_str());
    RemoveDirectoryW(LongPath(folder).c_str());
    return false;
  };
  if (!WriteCopy(copy)) return fail();
  // Held against writing, renaming and deleting until the copy has started
  // from exactly what was written.
  const THandle held(CreateFileW(LongPath(copy).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!held.Valid()) return fail();
  // The copy waits on this handle, inherited: unlike a process id it
  // cannot come to name another process. It checks whose it is first.
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0))
    return fail();
  const THandle selfHeld(self);
  std::wstring commandLine = Quoted(copy) + L" " + CleanupArgument + L" " +
                             ToWide(std::to_string(reinterpret_cast<uintptr_t>(self))) + L" " + Quoted(uninstaller);
  for (const std::wstring& item : folders) commandLine += L" " + Quoted(item);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                      &started))
    return fail();
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
  // Only once that uninstaller has ended: a handle to any other process
  // (or none) is no reason to delete anything.
  if (!ProcessImageIs(first.Get(), uninstaller)) return 2;
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
  const std::wstring copy = ThisProgram();
  if (MoveFileExW(copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
    MoveFileExW(ParentOf(copy).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return exitCode;
}

}  // namespace Removal
