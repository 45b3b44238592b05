// The Linux side of a Wine prefix, for tests that set up what no Windows
// call can: a symbolic link (which Wine shows as a junction or link would
// show), and the Linux name of a file.
#pragma once

#include <windows.h>

#include <string>

namespace UnixSide {

// The path Wine gives a file (named in the ANSI code page) on the Linux
// side, through its own kernel32 export; empty when there is none.
inline std::string UnixName(const std::string& path) {
  using UnixNameFunction = char*(CDECL*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixNameFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return "";
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
  char* name = unixName(wide.c_str());
  if (!name) return "";
  const std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Makes `link` (a Windows path) a Unix symbolic link to `target`; true once
// Wine shows it as a reparse point.
inline bool MakeUnixLink(const std::string& target, const std::string& link) {
  const std::string from = UnixName(target), to = UnixName(link);
  if (from.empty() || to.empty()) return false;
  std::string command = "Z:\\bin\\ln -s \"" + from + "\" \"" + to + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine may report a Unix program ended before it has: wait for the link.
  for (int tries = 0; tries < 500; ++tries) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(link.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      FindClose(search);
      return true;
    }
    Sleep(10);
  }
  return false;
}

}  // namespace UnixSide
