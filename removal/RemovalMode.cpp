#include "RemovalMode.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "Application.h"
#include "CleanupCopy.h"
#include "ElevatedRemoval.h"
#include "Elevation.h"
#include "Environment.h"
#include "ExitCodes.h"
#include "FileSystem.h"
#include "Handle.h"
#include "MessageDialog.h"
#include "Path.h"
#include "ProductLock.h"
#include "ProgressWindow.h"
#include "RemovalRecord.h"
#include "RemovalTexts.h"
#include "RemoveItems.h"
#include "Text.h"

namespace Removal {

const wchar_t RemoveArgument[] = L"/remove";

namespace {

std::vector<std::wstring> CommandLineArguments() {
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 1; list && i < count; ++i) arguments.push_back(list[i]);
  LocalFree(list);
  return arguments;
}


// The record, opened so that nothing can change it while it is read and
// judged: the judgement is of this file and these bytes.
THandle OpenRecord(const std::wstring& path) {
  return THandle(CreateFileW(LongPath(path).c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool ReadWholeFile(const THandle& file, std::string& bytes) {
  if (!file.Valid()) return false;
  LARGE_INTEGER size{};
  bool read = GetFileSizeEx(file.Get(), &size) && size.QuadPart < (64 << 20);
  if (read) {
    bytes.resize(size_t(size.QuadPart));
    DWORD got = 0;
    read = bytes.empty() ||
           (::ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size());
  }
  return read;
}

// Refusals are English, as the installer's other failures: a record that
// cannot be read tells no language.
int Refuse(const std::string& why) {
  MessageDlg("Setup can not remove this product: " + why + ".\r\nNothing was removed.", TMsgDlgType::mtError, mbOK);
  return ExitRefused;
}

// The record beside the uninstaller, read and checked; ExitRemoved when it may be used.
int LoadRecord(const std::wstring& program, TRemovalRecord& record) {
  const std::wstring recordPath = ParentOf(program) + L"\\" + RecordName;
  // Held against renaming while the record in it is judged.
  const THandle folder(CreateFileW(LongPath(ParentOf(program)).c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const THandle file = OpenRecord(recordPath);
  std::string bytes, problem;
  if (!folder.Valid() || !ReadWholeFile(file, bytes))
    return Refuse("its removal record " + FromWide(recordPath) + " can not be read");
  const bool elevated = RunsElevated();
  problem = UnelevatedChangeProblem(file.Get(), folder.Get());
  if (!problem.empty()) return Refuse(problem + " (" + FromWide(recordPath) + ")");
  if (!TRemovalRecord::Parse(bytes, record, problem))
    return Refuse("its removal record " + FromWide(recordPath) + " is damaged (" + problem + ")");
  std::string outside = record.OutsideProblem(ProgramsFolderBound(elevated));
  if (outside.empty()) outside = LinkNamesProblem(record);
  if (!outside.empty()) return Refuse("its removal record is not the product's own: " + outside);
  // Everything it names is where the product was put: elsewhere it names
  // nothing of the product's now.
  if (!SamePath(record.VersionFolder(), ParentOf(program)))
    return Refuse("it is no longer in " + FromWide(record.VersionFolder(), CodePageAnsi) +
                  " (the folder was moved or renamed)");
  return ExitRemoved;
}

// The folders the record made that hold the uninstaller, deepest first,
// and the product folder, which goes with the last version whichever
// install made it: the cleanup copy removes each once it is empty.
std::vector<std::wstring> FoldersHolding(const TRemovalRecord& record, const std::wstring& program) {
  std::vector<std::wstring> folders;
  for (auto entry = record.Entries.rbegin(); entry != record.Entries.rend(); ++entry)
    if (entry->kind == Kind::Folder && Below(program, entry->path) && !SamePath(entry->path, record.ProductFolder))
      folders.push_back(entry->path);
  folders.push_back(record.ProductFolder);
  return folders;
}

void Add(TLeftItems& left, const TLeftItems& more) {
  if (left.Count == 0) left.First = more.First;
  left.Count += more.Count;
}

int Remove() {
  Application.Initialize();
  // No folder of the product may be this process's current one.
  wchar_t temp[MAX_PATH + 1] = L"";
  if (GetTempPathW(MAX_PATH + 1, temp)) SetCurrentDirectoryW(temp);

  const std::wstring program = ThisProgram();
  TRemovalRecord record;
  if (const int refused = LoadRecord(program, record)) return refused;
  // Not while a setup of the product runs: it shows nothing, as a second setup does.
  const TProductLock lock(record.Name);
  if (!lock.Held()) return ExitAnotherInstall;
  const TRemovalTexts& texts = RemovalTexts(record.Language);
  if (MessageDlg(texts.AskBefore + record.Title + texts.AskAfter, TMsgDlgType::mtConfirmation, mbYes | mbNo) != mrYes)
    return ExitDeclined;

  TProgressWindow progress(texts.Removing + record.Title);
  const std::wstring recordPath = ParentOf(program) + L"\\" + RecordName;
  TLeftItems left = RemoveFilesAndFolders(record, {program, recordPath}, [&progress](size_t done, size_t total) {
    progress.Show(done, total);
  });
  // While anything is left the record, the entry and the uninstaller stay,
  // so that the removal can be run again once it is free.
  if (left.Count == 0) Add(left, RemoveRecordedFile(record, recordPath));
  if (left.Count == 0) Add(left, RemoveKeys(record));
  if (left.Count == 0 && !StartCleanupCopy(program, FoldersHolding(record, program)))
    Add(left, TLeftItems{1, FromWide(program)});

  if (left.Count == 0) {
    MessageDlg(record.Title + texts.Removed, TMsgDlgType::mtInformation, mbOK);
    return ExitRemoved;
  }
  MessageDlg(record.Title + texts.NotAllBefore + ToWide(std::to_string(left.Count)) + texts.NotAllAfter +
                 ToWide(left.First, CodePageAnsi),
             TMsgDlgType::mtError, mbOK);
  return ExitLeft;
}

}  // namespace

bool RunRemovalIfAsked(int& exitCode) {
  const std::vector<std::wstring> arguments = CommandLineArguments();
  if (arguments.empty()) return false;
  if (arguments[0] == RemoveArgument) {
    exitCode = ExitLeft;
    Guarded([&exitCode] { exitCode = Remove(); });
    return true;
  }
  if (arguments[0] == CleanupArgument) {
    exitCode = RunCleanup(std::vector<std::wstring>(arguments.begin() + 1, arguments.end()));
    return true;
  }
  return false;
}

}  // namespace Removal
