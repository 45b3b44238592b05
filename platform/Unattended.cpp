#include "Unattended.h"

#include <windows.h>

#include "Handle.h"
#include "Text.h"

namespace {

bool unattended = false;

THandle& Log() {
  static THandle log;
  return log;
}

// The log, emptied; the file is looked at before it is: a link planted at
// its path (by a user who may write there, in a shared folder) would make
// the run write through it, with its rights, into a file of the link's
// choosing. A hard link is another name of such a file.
THandle OpenLog(const std::wstring& path) {
  THandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.Valid()) return file;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.Get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      info.nNumberOfLinks > 1 || !SetEndOfFile(file.Get()))
    file.Reset();
  return file;
}

}  // namespace

bool Unattended() { return unattended; }

bool StartUnattended(const std::wstring& logPath) {
  unattended = true;
  if (logPath.empty()) return true;
  Log() = OpenLog(logPath);
  return Log().Valid();
}

void LogLine(const std::wstring& text) {
  if (!Log().Valid()) return;
  const std::string line = FromWide(text, CodePageUtf8) + "\r\n";
  DWORD written = 0;
  // Written at once, not buffered: a run that is killed leaves what it did.
  WriteFile(Log().Get(), line.data(), DWORD(line.size()), &written, nullptr);
}
