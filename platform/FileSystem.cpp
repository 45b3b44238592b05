#include "FileSystem.h"

#include "Errors.h"
#include "Text.h"

namespace {

[[noreturn]] void RaiseLastError() { throw EInOutError(int(GetLastError())); }

}  // namespace

THandle OpenFileForReading(const std::string& name) {
  THandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) RaiseLastError();
  return file;
}

int64_t FileSizeOf(const THandle& file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) RaiseLastError();
  return size.QuadPart;
}

uint32_t ReadAt(const THandle& file, int64_t offset, void* buffer, uint32_t count) {
  // Wine answers a read that carries its offset with a call to its server
  // (some 30 us) to signal the handle; a plain read after a seek makes none.
  LARGE_INTEGER at;
  at.QuadPart = offset;
  if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)) RaiseLastError();
  DWORD done = 0;
  if (!ReadFile(file.Get(), buffer, count, &done, nullptr)) RaiseLastError();
  return done;
}

namespace {

HANDLE CreateForWriting(const std::string& name, DWORD disposition) {
  return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

THandle CreateFileForWriting(const std::string& name, bool* createdNew) {
  // A missing file is created as new, not through CREATE_ALWAYS: Wine makes
  // that an open plus a cut to length 0, and ext4 takes such a cut for a file
  // rewritten in place and writes all its data out when it is closed (a tenth
  // of a second for 256 MiB). Anything else, an existing file among them, goes
  // the CREATE_ALWAYS way, errors included.
  THandle file(CreateForWriting(name, CREATE_NEW));
  bool created = file.Valid();
  if (!file.Valid()) {
    file.Reset(CreateForWriting(name, CREATE_ALWAYS));
    // Gone between the two calls: then this one made it.
    created = file.Valid() && GetLastError() != ERROR_ALREADY_EXISTS;
  }
  if (!file.Valid()) RaiseLastError();
  if (createdNew) *createdNew = created;
  return file;
}

void WriteWhole(const THandle& file, const void* data, uint32_t count) {
  DWORD done = 0;
  if (!WriteFile(file.Get(), data, count, &done, nullptr)) RaiseLastError();
  if (done != count) throw EInOutError(EInOutError::ShortWrite);
}

void CloseFile(THandle& file) {
  if (!CloseHandle(file.Release())) RaiseLastError();
}

bool SetCurrentDir(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

std::string GetCurrentDir() {
  const DWORD capacity = GetCurrentDirectoryA(0, nullptr);  // terminator included
  std::string path(capacity, '\0');
  const DWORD length = capacity ? GetCurrentDirectoryA(capacity, path.data()) : 0;
  if (length == 0 || length >= capacity) RaiseLastError();
  path.resize(length);
  return path;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void CreateDir(const std::string& path) {
  if (!CreateDirectoryA(path.c_str(), nullptr)) RaiseLastError();
}

std::wstring FullPathOf(const std::string& path) {
  const std::wstring wide = ToWide(path);
  std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
  if (full.empty()) RaiseLastError();
  full.resize(GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr));
  return full;
}
