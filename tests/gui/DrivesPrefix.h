// What the destination tests find in the prefix that drives-prefix.sh
// prepares: D: a plain folder, M: a 1 MB tmpfs when mounting was possible,
// and a Program Files folder that each test puts where it needs it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

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

// Why a test of a small drive cannot run here (a skip), empty when it can.
inline std::string SmallDriveMissing() {
  if (!SmallDriveMounted()) return "M: is not a small drive here: drives-prefix.sh could not mount a 1 MB tmpfs";
  return {};
}

// Without D: and M: the fixture failed: every test of the program fails
// rather than skip or run in a prefix that is not its own.
class DrivesPresent : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(Present()) << "needs the drives D: and M:: run it through drives-prefix.sh"; }
};
inline ::testing::Environment* const DrivesChecked = ::testing::AddGlobalTestEnvironment(new DrivesPresent);

// Points the shell's Program Files folder at `path` (made if missing) for
// the life of the object, then back where it was. Every test that reads the
// default destination says where it expects it, so that none depends on
// what an earlier test left behind.
class ProgramFilesAt {
 public:
  explicit ProgramFilesAt(const std::wstring& path) : old_(Get()) {
    CreateDirectoryW(path.c_str(), nullptr);
    Set(path);
  }
  ~ProgramFilesAt() { Set(old_); }
  ProgramFilesAt(const ProgramFilesAt&) = delete;
  ProgramFilesAt& operator=(const ProgramFilesAt&) = delete;

 private:
  static constexpr wchar_t Key[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
  static constexpr wchar_t Value[] = L"ProgramFilesDir";

  static std::wstring Get() {
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, Key, Value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
      return L"C:\\Program Files";
    return buffer;
  }
  static void Set(const std::wstring& path) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, Key, Value, REG_SZ, path.c_str(), DWORD((path.size() + 1) * sizeof(wchar_t)));
  }

  std::wstring old_;
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
