#include "DiskSpace.h"

#include <windows.h>

namespace {

FreeSpaceHook& Hook() {
  static FreeSpaceHook hook;
  return hook;
}

using GetDiskFreeSpaceExAFunction = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// Looked up at run time: the oldest systems have only GetDiskFreeSpaceA.
GetDiskFreeSpaceExAFunction GetDiskFreeSpaceExAIfPresent() {
  static const auto function = reinterpret_cast<GetDiskFreeSpaceExAFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
  return function;
}

}  // namespace

void SetFreeSpaceHook(FreeSpaceHook hook) { Hook() = std::move(hook); }

int64_t FreeSpaceAt(const std::string& path) {
  if (Hook()) return Hook()(path);
  const char* where = path.empty() ? nullptr : path.c_str();
  if (const auto getFreeEx = GetDiskFreeSpaceExAIfPresent()) {
    ULARGE_INTEGER availableToCaller, total, totalFree;
    if (!getFreeEx(where, &availableToCaller, &total, &totalFree)) return -1;
    return int64_t(availableToCaller.QuadPart);
  }
  DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
  if (!GetDiskFreeSpaceA(where, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return -1;
  return int64_t(sectorsPerCluster) * bytesPerSector * freeClusters;
}
