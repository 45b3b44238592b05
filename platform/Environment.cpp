#include "Environment.h"

#include <windows.h>

std::string EnvironmentVariable(const std::string& name) {
  std::string value(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetEnvironmentVariableA(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) return {};
    // Too small: n is then the size needed, terminating zero included.
    if (n >= value.size()) {
      value.resize(n);
      continue;
    }
    value.resize(n);
    return value;
  }
}

std::wstring ThisProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

const THandle& ThisProgramFile() {
  static const THandle file(CreateFileW(ThisProgram().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  return file;
}
