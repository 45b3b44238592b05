#include "UnPack.h"

#include <algorithm>
#include <climits>

#include "Errors.h"
#include "FileSystem.h"
#include "MessageDialog.h"
#include "MessagePump.h"
#include "NewFile.h"
#include "PackageFormat.h"
#include "Path.h"
#include "SystemNameText.h"
#include "Text.h"

namespace {

void ShowError(const std::string& text) { MessageDlg(text, TMsgDlgType::mtError, mbOK); }

std::string Quoted(const std::string& name) { return Package::QuotedName(name, SystemNameText()); }

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

void TUnPack::ShowBadFormat(const std::string& problem) {
  ShowError("Bad format of file: " + Quoted(FileName) + "\r\n" + problem);
}

// One message for every package but the program's own, damaged or not:
// which bytes differ says nothing to the user.
void TUnPack::ShowForeignPackage() {
  ShowError("The package " + Quoted(FileName) + " does not belong to this setup program.");
}

bool TUnPack::LoadPackage(const std::string& name) {
  KeyFilePath.clear();
  RootDirName.clear();
  LoadedRootDirName.clear();
  Package::CheckResult check;
  bool foreign = false;
  // Opening, checking and decoding all fall under one handler: running out
  // of memory while the names are taken in says "Can not open file" too.
  try {
    FileName = name;
    Stream = std::make_unique<TPackageStream>(FileName);
    Stream->ReadForTest = ReadForTest;
    Stream->Pin = Pin;
    Stream->OnCheckProgress = OnLoadProgress;
    Size = Stream->Size();
    Pos = 0;
    // The whole record stream is judged now, its file data skipped, so that
    // a damaged or hostile package is refused before anything is written.
    check = Stream->Check();
    foreign = !Stream->MatchesPin();
    if (!foreign && check.Status == Package::CheckStatus::Sound) {
      KeyFileName = check.Head.KeyFileName;
      Title = check.Head.Title;
      FolderName = check.Head.FolderName;
      LoadedRootDirName = check.RootDirName;
      RequiredSize = check.Head.RequiredSize;
      Pos = int32_t(check.Head.StreamOffset);
      return true;
    }
  } catch (...) {
    Stream.reset();
    ShowError("Can not open file " + FileName);
    return false;
  }

  Stream.reset();
  if (foreign)
    ShowForeignPackage();
  else if (check.Status == Package::CheckStatus::BadVersion)
    ShowError("Bad version of file: " + Quoted(FileName));
  else
    ShowBadFormat(Package::DescribeProblem(check));
  return false;
}

bool TUnPack::Extract() {
  if (!Stream) return false;
  // The folders are held only while the records are replayed: a take-back
  // after a failure must be able to remove them.
  struct TReleaseFolders {
    TFolderChain& folders;
    ~TReleaseFolders() { folders.Release(); }
  } releaseFolders{Folders};
  InitPacing();
  KeyFound = false;
  ExtractReportedProblem = false;
  EnterTargetDir();

  Stream->StartExtraction(Pos, PieceSize);
  try {
    while (Pos < Size) {
      Package::RecordInfo record;
      const Package::TRecordCheck::Outcome outcome = Stream->NextRecord(record);
      if (outcome == Package::TRecordCheck::End) break;
      if (outcome == Package::TRecordCheck::BadKind) {
        Stream->RequireRecordsAsLoaded();
        ShowError(Package::BadCommandText(record.Kind));
        ExtractReportedProblem = true;
        break;
      }
      try {
        switch (record.Kind) {
          case Package::KindDirectory: EnterDirectory(record.Name); break;
          case Package::KindLeave: LeaveDirectory(); break;
          default: ExtractFile(record); break;
        }
      } catch (...) {
        // The package stays held; Pos stays on the record, so that a retry
        // starts there and nothing ever takes file data for records.
        Pos = int32_t(record.Offset);
        throw;
      }
      Pos = Stream->Pos();
      CheckPacing();
    }
    Stream->RequireRecordsAsLoaded();
  } catch (const EBadFormat& damage) {
    Stream.reset();
    // Changed since the load: with a Pin, no longer the program's own.
    if (Pin)
      ShowForeignPackage();
    else
      ShowBadFormat(damage.Message);
    ExtractReportedProblem = true;
    return true;
  } catch (const EForeignPackage&) {
    Stream.reset();
    ShowForeignPackage();
    ExtractReportedProblem = true;
    return true;
  }

  Stream.reset();
  if (!KeyFound) {
    ShowError("Internal error.\r\nFile : " + Package::ShownName(KeyFileName, SystemNameText()) + " not present!");
    ExtractReportedProblem = true;
  }
  return true;
}

void TUnPack::EnterTargetDir() {
  Folders.Start(TargetDir, TargetCreated);
  TargetKey = ExpectedDir = DirectoryKey(ToWide(GetCurrentDir()));
}

void TUnPack::InitPacing() {
  Step = Size / ProgressStops;
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

void TUnPack::EnterDirectory(const std::string& name) {
  if (RootDirName.empty()) RootDirName = name;
  if (Folders.Enter(name, Created) && OnFolderCreated) OnFolderCreated(GetCurrentDir());
  ExpectedDir = DirectoryKey(ExpectedDir + L"\\" + ToWide(name));
  RequireExpectedDir();
}

void TUnPack::LeaveDirectory() {
  if (ExpectedDir.size() <= TargetKey.size()) return;
  Folders.Leave();
  ExpectedDir.erase(ExpectedDir.rfind(L'\\'));
  RequireExpectedDir();
}

// The load check counted the levels that Windows should enter; a name it
// resolves otherwise (the next alias nobody thought of) shows here, before
// anything is written in the wrong place.
void TUnPack::RequireExpectedDir() const {
  if (DirectoryKey(ToWide(GetCurrentDir())) != ExpectedDir) throw EInOutError(ERROR_PATH_NOT_FOUND);
}

void TUnPack::ExtractFile(const Package::RecordInfo& record) {
  const std::string& name = record.Name;
  const bool replacing = OnFileWritten && PathExists(name);
  TNewFile file(Folders, name, Created);
  Stream->TakeData(record, [&](const uint8_t* piece, size_t count) { WriteWhole(file.File(), piece, uint32_t(count)); });
  file.PutInPlace();
  if (OnFileWritten) OnFileWritten(JoinPath(GetCurrentDir(), name), replacing);
  if (Package::KeyNameMatches(name, KeyFileName)) {
    KeyFound = true;
    KeyFilePath = GetCurrentDir() + "\\" + name;
  }
}
