#include "NewFile.h"

#include "Errors.h"
#include "FileSystem.h"
#include "FolderListing.h"
#include "OpenBelow.h"
#include "Path.h"
#include "Text.h"

namespace {

[[noreturn]] void RaiseLastError() { throw EInOutError(int(GetLastError())); }

constexpr DWORD FileAccess = GENERIC_READ | GENERIC_WRITE | DELETE;

// Temporary and backup names are numbered through the run; a number taken
// by something already there is passed over.
unsigned NextNumber() {
  static unsigned number = 0;
  return ++number;
}
constexpr int NameTries = 10000;

bool NameTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// A file being written to replace another, and the one it replaces, under
// names of their own until the install completes: "~setup", a number, and
// what the file is.
const wchar_t LeftoverPrefix[] = L"~setup";
const wchar_t TemporarySuffix[] = L".tmp";
const wchar_t BackupSuffix[] = L".bak";

std::string NumberedName(const wchar_t* suffix) {
  return FromWide(LeftoverPrefix + std::to_wstring(NextNumber()) + suffix);
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && SameName(text.substr(text.size() - end.size()), end);
}

std::string TemporaryFileName() { return NumberedName(TemporarySuffix); }
std::string BackupFileName() { return NumberedName(BackupSuffix); }

}  // namespace

bool IsLeftoverName(const std::wstring& name) {
  const size_t prefix = std::char_traits<wchar_t>::length(LeftoverPrefix);
  if (name.size() <= prefix + 4 || !SameName(name.substr(0, prefix), LeftoverPrefix)) return false;
  if (!EndsWith(name, TemporarySuffix) && !EndsWith(name, BackupSuffix)) return false;
  const std::wstring number = name.substr(prefix, name.size() - prefix - 4);
  return number.find_first_not_of(L"0123456789") == std::wstring::npos;
}

void RemoveLeftovers(const THandle& folder, const std::string& folderText, TLeftItems& left) {
  ForEachItemIn(folder, [&](const std::wstring& name, uint32_t attributes) {
    if (!IsLeftoverName(name) || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) return;
    const THandle item = OpenBelow(folder, name, DELETE, TOpenBelow::Existing);
    if (item.Valid() && !InfoOf(item).IsFolder() && DeleteHeld(item)) return;
    if (!item.Valid() && GetLastError() == ERROR_FILE_NOT_FOUND) return;
    if (left.Count++ == 0) left.First = JoinPath(folderText, FromWide(name));
  });
}


TNewFile::TNewFile(const TFolderChain& folder, const std::string& name, TCreatedItems* created)
    : Folder(folder.Held()),
      Created(created),
      Recorded(created && !folder.InsideCreated()),
      FolderText(folder.Path()),
      FolderIdentity(folder.Identity()),
      Name(name) {
  // Most names are new: made in place, in one step.
  File_ = OpenBelow(Folder, ToWide(Name), FileAccess, TOpenBelow::NewFile);
  if (!File_.Valid()) {
    if (!NameTaken(GetLastError())) RaiseLastError();
    for (int tries = 0; !File_.Valid() && tries < NameTries; ++tries) {
      TempName = TemporaryFileName();
      File_ = OpenBelow(Folder, ToWide(TempName), FileAccess, TOpenBelow::NewFile);
      if (!File_.Valid() && !NameTaken(GetLastError())) RaiseLastError();
    }
    if (!File_.Valid()) RaiseLastError();
  }
  Identity_ = IdentityOnVolume(FolderIdentity.Volume, File_);
  if (Recorded) Created->FileCreated(FolderText, FolderIdentity, Replacing() ? TempName : Name, Identity_);
}

TNewFile::~TNewFile() {
  if (!Placed && File_.Valid()) DeleteHeld(File_);
}

void TNewFile::RaiseLinkedFile() const {
  throw EInOutError(ERROR_ACCESS_DENIED, LinkRefusedMessage(JoinPath(FolderText, Name)));
}

void TNewFile::PutInPlace() {
  if (Replacing()) Replace();
  Placed = true;
  CloseFile(File_);
}

void TNewFile::Replace() {
  const std::wstring target = ToWide(Name);
  THandle existing = OpenBelow(Folder, target, DELETE, TOpenBelow::Existing);
  if (!existing.Valid()) {
    const DWORD error = GetLastError();
    if (error == ErrorItemIsLink) RaiseLinkedFile();
    if (error != ERROR_FILE_NOT_FOUND) RaiseLastError();
  } else {
    const TItemInfo info = InfoOf(existing);
    // As opening it for writing would say.
    if (info.IsFolder() || (info.Attributes & FILE_ATTRIBUTE_READONLY)) throw EInOutError(ERROR_ACCESS_DENIED);
    // What it leads to, or shares its data with, is not this product's file.
    if (info.IsLink() || info.Links > 1) RaiseLinkedFile();
    if (Recorded) {
      // The earlier file is about to stand only as the backup: the new one
      // is on the disk first, so that a crash leaves each of the two whole
      // under a name.
      if (!FlushFileBuffers(File_.Get())) RaiseLastError();
      std::string backup;
      for (int tries = 0; backup.empty() && tries < NameTries; ++tries) {
        backup = BackupFileName();
        if (!RenameBelow(existing, Folder, ToWide(backup), false)) {
          if (!NameTaken(GetLastError())) RaiseLastError();
          backup.clear();
        }
      }
      if (backup.empty()) RaiseLastError();
      Created->Replaced(FolderText, FolderIdentity, Name, backup, info.Identity);
    }
  }
  if (Recorded) Created->FileCreated(FolderText, FolderIdentity, Name, Identity_);
  // In a folder this run made nothing needs keeping: an item put there since is replaced.
  // Let go of it first: a replacement must be able to take its name.
  existing.Reset();
  if (!RenameBelow(File_, Folder, target, !Recorded)) RaiseLastError();
}
