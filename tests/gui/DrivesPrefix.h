// What the destination tests find in the prefix that drives-prefix.sh
// prepares: D: a plain folder, M: a 1 MB tmpfs when mounting was possible,
// and a Program Files folder that each test puts where it needs it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "GuiDriver.h"

namespace DrivesPrefix {

constexpr wchar_t PlainDrive[] = L"D:\\";
constexpr wchar_t SmallDrive[] = L"M:\\";

inline bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Bytes available to this user at `path`; -1 when it cannot be measured.
inline int64_t FreeBytes(const std::wstring& path) {
  ULARGE_INTEGER available{}, total{}, totalFree{};
  if (!GetDiskFreeSpaceExW(path.c_str(), &available, &total, &totalFree)) return -1;
  return int64_t(available.QuadPart);
}

inline bool Present() { return IsDirectory(PlainDrive) && IsDirectory(SmallDrive); }

inline bool SmallDriveMounted() {
  ULARGE_INTEGER available{}, total{}, totalFree{};
  return GetDiskFreeSpaceExW(SmallDrive, &available, &total, &totalFree) && total.QuadPart <= 2 * 1024 * 1024;
}

// Why a test cannot run here, empty when it can: the drives are there (and,
// when `smallDrive`, M: is the 1 MB one).
inline std::string Missing(bool smallDrive) {
  if (!Present()) return "needs the drives D: and M:: run it through drives-prefix.sh";
  if (smallDrive && !SmallDriveMounted())
    return "M: is not a small drive here: drives-prefix.sh could not mount a 1 MB tmpfs";
  return {};
}

// Points the shell's Program Files folder at `path` (made if missing) for
// the life of the object, then back at C:\Program Files.
class ProgramFilesAt {
 public:
  explicit ProgramFilesAt(const std::wstring& path) {
    CreateDirectoryW(path.c_str(), nullptr);
    Set(path);
  }
  ~ProgramFilesAt() { Set(L"C:\\Program Files"); }
  ProgramFilesAt(const ProgramFilesAt&) = delete;
  ProgramFilesAt& operator=(const ProgramFilesAt&) = delete;

 private:
  static void Set(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_SET_VALUE, &key))
      return;
    RegSetValueExW(key, L"ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   DWORD((path.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
};

// A file that takes room on a drive until it is removed or the object goes.
class FillerFile {
 public:
  FillerFile(const std::wstring& path, size_t size) : path_(path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string bytes(size, 'f');
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  ~FillerFile() { Remove(); }
  FillerFile(const FillerFile&) = delete;
  FillerFile& operator=(const FillerFile&) = delete;
  void Remove() { DeleteFileW(path_.c_str()); }

 private:
  std::wstring path_;
};

}  // namespace DrivesPrefix
