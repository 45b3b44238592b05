#include "UnPack.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "Errors.h"
#include "FileSystem.h"
#include "MessageDialog.h"
#include "MessagePump.h"
#include "PackageFormat.h"
#include "Path.h"
#include "Text.h"

namespace {

void ShowError(const std::string& text) { MessageDlg(text, TMsgDlgType::mtError, mbOK); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string HexByte(uint8_t value) {
  std::string text;
  AppendHex(text, value, 2);
  return text;
}

// A directory path as the check of the current directory compares it: wide,
// '/' read as '\\', no empty components, no trailing separator, and in upper
// case, as Windows compares names.
std::wstring DirectoryKey(const std::wstring& path) {
  std::wstring key;
  for (wchar_t c : path) {
    if (c == L'/') c = L'\\';
    if (c == L'\\' && !key.empty() && key.back() == L'\\') continue;
    key.push_back(c);
  }
  if (!key.empty() && key.back() == L'\\') key.pop_back();
  if (!key.empty()) CharUpperBuffW(key.data(), DWORD(key.size()));
  return key;
}

}  // namespace

std::string TUnPack::TakeString() {
  const char* start = reinterpret_cast<const char*>(Buffer.get() + Pos);
  const size_t length = std::strlen(start);
  Pos += int32_t(length) + 1;
  return std::string(start, length);
}

int32_t TUnPack::TakeInt32() {
  const int32_t value = Package::ReadInt32(Buffer.get() + Pos);
  Pos += 4;
  return value;
}

bool TUnPack::LoadPackage(const std::string& name) {
  KeyFilePath.clear();
  RootDirName.clear();
  Package::CheckResult check;
  // Reading, checking and decoding all fall under one handler: running out
  // of memory while the names are taken in says "Can not open file" too.
  try {
    FileName = name;
    // Read access only: a package on a CD or a read-only share must load.
    THandle file = OpenFileForReading(FileName);
    const int64_t size = FileSizeOf(file);
    // Sizes and positions are signed 32-bit, and the package is held whole.
    if (size > INT32_MAX) throw Exception("package of 2 GiB or more");
    Size = int32_t(size);
    // Not zero-filled: the one read fills it.
    Buffer.reset(Size > 0 ? new uint8_t[size_t(Size)] : nullptr);
    // But each page is written once first. Wine checks a read's buffer by
    // reading and rewriting every page, which maps the shared zero page and
    // then copies it: two faults a page, and the writes of the files from
    // those pages ran slower too. Touched first, a 1 GiB package extracts in
    // less than half the time. On Windows the read faults these pages in anyway.
    for (size_t page = 0; page < size_t(Size); page += 4096) Buffer[page] = 0;
    ReadWhole(file, Buffer.get(), uint32_t(Size));
    CloseFile(file);
    // An empty file has no version to test: reading it is reading past the end.
    if (Size == 0) throw EInOutError(EInOutError::ShortRead);

    Pos = 0;
    // The whole stream is judged now, so that a damaged or hostile package is
    // refused before anything is written, and extraction never reads past the end.
    check = Package::CheckPackage(Buffer.get(), size_t(Size));
    if (check.Status == Package::CheckStatus::Sound) {
      Pos = 4;
      KeyFileName = TakeString();
      Title = TakeString();
      FolderName = TakeString();
      RequiredSize = TakeInt32();
      return true;
    }
  } catch (...) {
    Buffer.reset();
    ShowError("Can not open file " + FileName);
    return false;
  }

  if (check.Status == Package::CheckStatus::BadVersion)
    ShowError("Bad version of file: " + Quoted(FileName));
  else
    ShowError("Bad format of file: " + Quoted(FileName) + "\r\n" + Package::DescribeProblem(check));
  Buffer.reset();
  return false;
}

bool TUnPack::Extract() {
  if (!Buffer) return false;
  InitPacing();
  KeyFound = false;
  ExtractReportedProblem = false;
  // Going on in whatever directory is current would scatter the product
  // somewhere else: refuse before anything is written.
  if (!SetCurrentDir(TargetDir)) throw EInOutError(int(GetLastError()));
  TargetKey = ExpectedDir = DirectoryKey(ToWide(GetCurrentDir()));

  while (Pos < Size) {
    const int32_t record = Pos;
    const uint8_t kind = Buffer[size_t(Pos)];
    if (kind > Package::KindFile) {
      ShowError("Bad Command: " + HexByte(kind));
      ExtractReportedProblem = true;
      break;
    }
    try {
      switch (kind) {
        case Package::KindDirectory: EnterDirectory(); break;
        case Package::KindLeave: LeaveDirectory(); break;
        default: ExtractFile(); break;
      }
    } catch (...) {
      // The package stays held; leave Pos on a record boundary so that
      // nothing ever takes file data for records.
      Pos = record;
      throw;
    }
    CheckPacing();
  }

  Buffer.reset();
  if (!KeyFound) {
    ShowError("Internal error.\r\nFile : " + KeyFileName + " not present!");
    ExtractReportedProblem = true;
  }
  return true;
}

void TUnPack::InitPacing() {
  Step = Size / 8;
  NextStop = Step;
}

void TUnPack::CheckPacing() {
  if (Pos < NextStop) return;
  // Near 2 GiB the stop after the last one no longer fits in 32 bits.
  NextStop = int32_t(std::min<int64_t>(int64_t(NextStop) + Step, INT32_MAX));
  if (OnProgress) OnProgress();
  ProcessMessages();
  // Exit confirmed or the window closed meanwhile: the user wants nothing more written.
  if (IsTerminated()) throw EAbort();
}

void TUnPack::EnterDirectory() {
  ++Pos;
  const std::string name = TakeString();
  if (RootDirName.empty()) RootDirName = name;
  EnterOrCreateDir(name, Created);
  ExpectedDir = DirectoryKey(ExpectedDir + L"\\" + ToWide(name));
  RequireExpectedDir();
}

void TUnPack::LeaveDirectory() {
  ++Pos;
  if (ExpectedDir.size() <= TargetKey.size()) return;
  // The parent keeps its separator: C:\Apps\Demo gives C:\Apps\, C:\Apps gives C:\.
  const std::string current = GetCurrentDir();
  SetCurrentDir(current.substr(0, UpToLastSeparator(current)));
  ExpectedDir.erase(ExpectedDir.rfind(L'\\'));
  RequireExpectedDir();
}

// The load check counted the levels that Windows should enter; a name it
// resolves otherwise (the next alias nobody thought of) shows here, before
// anything is written in the wrong place.
void TUnPack::RequireExpectedDir() const {
  if (DirectoryKey(ToWide(GetCurrentDir())) != ExpectedDir) throw EInOutError(ERROR_PATH_NOT_FOUND);
}

void TUnPack::ExtractFile() {
  ++Pos;
  const std::string name = TakeString();
  const int32_t length = TakeInt32();
  bool createdNew = false;
  THandle file = CreateFileForWriting(name, &createdNew);
  // Recorded before its data are written: a write that fails leaves it behind.
  if (createdNew && Created) Created->FileCreated(GetCurrentDir(), name);
  WriteWhole(file, Buffer.get() + Pos, uint32_t(length));
  CloseFile(file);
  if (Package::KeyNameMatches(name, KeyFileName)) {
    KeyFound = true;
    KeyFilePath = GetCurrentDir() + "\\" + name;
  }
  Pos += length;
}
