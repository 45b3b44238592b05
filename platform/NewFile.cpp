#include "NewFile.h"

#include "Errors.h"
#include "FileSystem.h"
#include "Path.h"
#include "Text.h"

namespace {

[[noreturn]] void RaiseLastError() { throw EInOutError(int(GetLastError())); }

// Temporary and backup names are numbered through the run; a number taken
// by something already there is passed over.
unsigned NextNumber() {
  static unsigned number = 0;
  return ++number;
}
constexpr int NameTries = 10000;

std::string TempName() { return "~setup" + std::to_string(NextNumber()) + ".tmp"; }
std::string BackupName() { return "~setup" + std::to_string(NextNumber()) + ".bak"; }

bool NameTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

}  // namespace

TNewFile::TNewFile(const TFolderChain& folder, const std::string& name, TCreatedItems* created)
    : Created(created), Recorded(created && !folder.InsideCreated()) {
  const std::wstring full = FullPathOf(name);
  const std::wstring folderPath = ParentOf(full);
  Name = FromWide(LastComponent(full));
  if (SameName(folderPath, ToWide(folder.Path())) ||
      (folder.Path().back() == '\\' && SameName(folderPath + L"\\", ToWide(folder.Path())))) {
    FolderText = folder.Path();
    Folder = folder.FinalPath();
    FolderIdentity = folder.Identity();
  } else {
    // A name reaching into a folder below: held as any other, never through a link.
    const THandle below = OpenItem(folderPath);
    if (!below.Valid()) {
      if (GetLastError() == ErrorItemIsLink) throw EInOutError(ERROR_ACCESS_DENIED, LinkRefusedMessage(FromWide(folderPath)));
      RaiseLastError();
    }
    const TItemInfo info = InfoOf(below);
    if (info.IsLink()) throw EInOutError(ERROR_ACCESS_DENIED, LinkRefusedMessage(FromWide(folderPath)));
    FolderText = FromWide(folderPath);
    Folder = FinalPathOf(below);
    // Unnamed, the folder would leave only a name relative to the drive's root.
    if (Folder.empty()) throw EInOutError(ERROR_PATH_NOT_FOUND);
    FolderIdentity = info.Identity;
  }

  for (int tries = 0; !File_.Valid() && tries < NameTries; ++tries) {
    TempName = ::TempName();
    File_.Reset(CreateFileW(InFolder(TempName).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File_.Valid() && !NameTaken(GetLastError())) RaiseLastError();
  }
  if (!File_.Valid()) RaiseLastError();
  // Recorded before its data are written: a run that ends meanwhile leaves it behind.
  if (Recorded) Created->FileCreated(FolderText, FolderIdentity, TempName, InfoOf(File_).Identity);
}

TNewFile::~TNewFile() {
  if (Placed) return;
  if (!File_.Valid()) File_ = OpenItem(InFolder(TempName), DELETE);
  if (File_.Valid()) DeleteHeld(File_);
}

void TNewFile::RaiseLinkedFile() const {
  throw EInOutError(ERROR_ACCESS_DENIED, LinkRefusedMessage(JoinPath(FolderText, Name)));
}

std::wstring TNewFile::InFolder(const std::string& name) const { return Folder + L"\\" + ToWide(name); }

std::wstring TNewFile::ReleaseForWriter() {
  CloseFile(File_);
  // Writers that take only the usual form get it where it is short enough.
  const std::wstring path = InFolder(TempName);
  if (path.compare(0, 4, L"\\\\?\\") == 0 && path.compare(4, 4, L"UNC\\") != 0 && path.size() - 4 < MAX_PATH)
    return path.substr(4);
  return path;
}

void TNewFile::PutInPlace() {
  if (!File_.Valid()) {
    // Written by path meanwhile: what is there must still be a plain file.
    File_ = OpenItem(InFolder(TempName), GENERIC_READ | GENERIC_WRITE | DELETE);
    if (!File_.Valid()) RaiseLastError();
    const TItemInfo info = InfoOf(File_);
    if (info.IsFolder() || info.IsLink() || info.Links > 1 || !IsItemAt(File_, InFolder(TempName)))
      throw EInOutError(ERROR_ACCESS_DENIED);
  }
  const std::wstring target = InFolder(Name);
  const TFileIdentity identity = InfoOf(File_).Identity;
  // Most names are new: tried first, as looking a missing name up costs as
  // much as a rename to it (Wine reads the whole folder for either).
  if (RenameHeld(File_, target, false)) {
    Placed = true;
    if (Recorded) Created->FileCreated(FolderText, FolderIdentity, Name, identity);
    CloseFile(File_);
    return;
  }
  if (!NameTaken(GetLastError())) RaiseLastError();
  THandle existing = OpenItem(target, DELETE);
  if (!existing.Valid()) {
    const DWORD error = GetLastError();
    if (error == ErrorItemIsLink) RaiseLinkedFile();
    if (error != ERROR_FILE_NOT_FOUND) RaiseLastError();
  } else {
    const TItemInfo info = InfoOf(existing);
    // As opening it for writing would say.
    if (info.IsFolder() || (info.Attributes & FILE_ATTRIBUTE_READONLY)) throw EInOutError(ERROR_ACCESS_DENIED);
    // What it leads to, or shares its data with, is not this product's file.
    if (info.IsLink() || info.Links > 1 || !IsItemAt(existing, target)) RaiseLinkedFile();
    if (Recorded) {
      std::string backup;
      for (int tries = 0; backup.empty() && tries < NameTries; ++tries) {
        backup = BackupName();
        if (!RenameHeld(existing, InFolder(backup), false)) {
          if (!NameTaken(GetLastError())) RaiseLastError();
          backup.clear();
        }
      }
      if (backup.empty()) RaiseLastError();
      Created->Replaced(FolderText, FolderIdentity, Name, backup, info.Identity);
    }
  }
  if (Recorded) Created->FileCreated(FolderText, FolderIdentity, Name, identity);
  // In a folder this run made nothing needs keeping: an item put there since is replaced.
  // Let go of it first: a replacement must be able to take its name.
  existing.Reset();
  if (!RenameHeld(File_, target, !Recorded)) RaiseLastError();
  Placed = true;
  CloseFile(File_);
}
