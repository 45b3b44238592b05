#include "CreatedItems.h"

#include <windows.h>

#include <cstdlib>
#include <map>
#include <vector>

#include "FolderListing.h"
#include "NewFile.h"
#include "OpenBelow.h"
#include "Path.h"
#include "Text.h"

namespace {

constexpr char FolderKind = 'D';          // a folder this run created: its full path
constexpr char ExistingFolderKind = 'E';  // a folder that existed: the file entries after it lie in it
constexpr char FileKind = 'F';            // a file created in the newest existing folder: its name
constexpr char BackupKind = 'B';          // a replaced item there: its name, '|', its backup name

constexpr size_t IdentityDigits = 24;
// Never part of a Windows name.
constexpr char BackupSeparator = '|';

// A folder of many files reports progress in between, not only once.
constexpr size_t FilesPerStep = 64;

// The path as the system resolves it (a "/" between components, say), in the
// form that has no MAX_PATH limit: a name inside a deep tree can make its full
// path longer than the 8-bit functions take.
std::wstring SystemPath(const std::string& path) {
  const std::wstring wide = ToWide(path, CodePageAnsi);
  std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
  full.resize(full.empty() ? 0 : GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr));
  if (full.empty()) return wide;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// Gone already counts as removed: the aim is that nothing is left.
bool Gone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A plain file: not a folder, and no junction or symbolic link, which is
// left alone wherever it points (it is nothing this run made).
bool IsPlainFile(DWORD attributes) {
  return !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

// Whether the open item is the one recorded, and no junction or link.
bool IsRecorded(const THandle& item, const TFileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(item.Get(), &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         info.dwVolumeSerialNumber == identity.Volume &&
         ((uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow) == identity.Index;
}

struct Entry {
  char kind;
  TFileIdentity identity;
  std::string text;
  size_t folder;  // for a file or backup: index of its folder's entry
};

// What a held folder is opened for: listing it, and reaching what is in it.
constexpr DWORD HeldFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE;

class TRemoval {
 public:
  TRemoval(size_t total, std::function<void(size_t, size_t)> onStep) : total_(total), onStep_(std::move(onStep)) {}

  // A folder this run made: the plain files in it, then the folder itself
  // if that left it empty. Folders inside it were recorded after it and are
  // gone already; one that is not is no item of ours, and keeps it.
  void RemoveFolder(const Entry& entry) {
    THandle folder = OpenItem(SystemPath(entry.text), DELETE | HeldFolderAccess);
    if (!Recorded(entry.text, folder, entry.identity)) return;
    RemoveFilesIn(entry.text, folder);
    if (!DeleteHeld(folder)) Left(entry.text);
  }

  // A file made in an existing folder.
  void RemoveFile(const std::vector<Entry>& entries, const Entry& entry) {
    const std::string path = JoinPath(entries[entry.folder].text, entry.text);
    if (!HoldFolder(entries, entry.folder)) return Left(path);
    const THandle file = OpenRecordedBelow(path, entry.text, entry.identity);
    if (file.Valid() && !DeleteHeld(file)) Left(path);
  }

  // A replaced item: its backup gets the name back.
  void RestoreBackup(const std::vector<Entry>& entries, const Entry& entry) {
    const size_t separator = entry.text.rfind(BackupSeparator);
    const std::string name = entry.text.substr(0, separator), backup = entry.text.substr(separator + 1);
    const std::string path = JoinPath(entries[entry.folder].text, name);
    if (!HoldFolder(entries, entry.folder)) return Left(path);
    const THandle item = OpenRecordedBelow(path, backup, entry.identity);
    if (item.Valid() && !RenameBelow(item, folder_.Held, ToWide(name, CodePageAnsi), false)) Left(path);
  }

  // What a run that ended half-way left in an existing folder this run
  // wrote into; `own` are names of such a form that this run gave its own
  // files there, which stay.
  void RemoveLeftoversIn(const std::vector<Entry>& entries, size_t index, const std::vector<std::wstring>& own) {
    if (!HoldFolder(entries, index)) return;
    ForEachItemIn(folder_.Held, [&](const std::wstring& name, uint32_t attributes) {
      if (!IsLeftoverName(name) || !IsPlainFile(attributes)) return;
      for (const std::wstring& kept : own)
        if (SameName(kept, name)) return;
      const THandle item = OpenBelow(folder_.Held, name, DELETE, TOpenBelow::Existing);
      if (item.Valid() && IsPlainFile(InfoOf(item).Attributes)) DeleteHeld(item);
    });
  }

  // A backup no longer needed.
  void RemoveBackup(const std::vector<Entry>& entries, const Entry& entry) {
    const std::string backup = entry.text.substr(entry.text.rfind(BackupSeparator) + 1);
    const std::string path = JoinPath(entries[entry.folder].text, backup);
    if (!HoldFolder(entries, entry.folder)) return Left(path);
    const THandle item = OpenRecordedBelow(path, backup, entry.identity);
    if (item.Valid() && !DeleteHeld(item)) Left(path);
  }

  // One recorded entry done.
  void Step() {
    ++done_;
    filesSinceStep_ = 0;
    if (onStep_) onStep_(done_, total_);
  }

  TLeftItems Result() const { return left_; }

 private:
  // Whether the item opened for `path` is the one recorded; when it is not
  // (and is not simply gone) it is left, and let go of.
  bool Recorded(const std::string& path, THandle& item, const TFileIdentity& identity) {
    if (!item.Valid()) {
      if (!Gone(GetLastError())) Left(path);
      return false;
    }
    if (IsRecorded(item, identity)) return true;
    Left(path);
    item.Reset();
    return false;
  }

  // The item `name` in the held folder, when it is still the one recorded.
  THandle OpenRecordedBelow(const std::string& path, const std::string& name, const TFileIdentity& identity) {
    THandle item = OpenBelow(folder_.Held, ToWide(name, CodePageAnsi), DELETE, TOpenBelow::Existing);
    Recorded(path, item, identity);
    return item;
  }

  // The existing folder of entries[index], held; false when it is not the
  // folder recorded (or gone), its items then left.
  bool HoldFolder(const std::vector<Entry>& entries, size_t index) {
    if (folder_.Entry == index) return folder_.Held.Valid();
    folder_.Entry = index;
    const Entry& entry = entries[index];
    folder_.Held = OpenItem(SystemPath(entry.text), HeldFolderAccess);
    if (folder_.Held.Valid() && !IsRecorded(folder_.Held, entry.identity)) folder_.Held.Reset();
    return folder_.Held.Valid();
  }

  // The plain files in the held folder, listed and reached through its handle.
  void RemoveFilesIn(const std::string& path, const THandle& folder) {
    ForEachItemIn(folder, [&](const std::wstring& name, uint32_t attributes) {
      if (IsPlainFile(attributes)) RemovePlainFile(JoinPath(path, FromWide(name, CodePageAnsi)), folder, name);
    });
  }

  void RemovePlainFile(const std::string& path, const THandle& folder, const std::wstring& name) {
    const THandle file = OpenBelow(folder, name, DELETE, TOpenBelow::Existing);
    const bool removed = file.Valid() && IsPlainFile(InfoOf(file).Attributes) && DeleteHeld(file);
    if (!removed && !(!file.Valid() && Gone(GetLastError()))) Left(path);
    if (++filesSinceStep_ == FilesPerStep) {
      filesSinceStep_ = 0;
      if (onStep_) onStep_(done_, total_);
    }
  }

  void Left(const std::string& path) {
    if (left_.Count++ == 0) left_.First = path;
  }

  // An existing folder the entries name, held open while its items are
  // dealt with, so that it cannot be swapped for another; not held when it
  // is no longer the folder recorded.
  struct THeldFolder {
    size_t Entry = size_t(-1);
    THandle Held;
  };

  size_t total_;
  std::function<void(size_t, size_t)> onStep_;
  size_t done_ = 0;
  size_t filesSinceStep_ = 0;
  TLeftItems left_;
  THeldFolder folder_;
};

std::vector<Entry> ReadEntries(const std::string& entries) {
  std::vector<Entry> result;
  size_t folder = 0;
  for (size_t at = 0; at < entries.size(); at = entries.find('\0', at) + 1) {
    Entry entry;
    entry.kind = entries[at];
    ParseIdentity(entries.substr(at + 1, IdentityDigits), entry.identity);
    entry.text = entries.c_str() + at + 1 + IdentityDigits;
    if (entry.kind == ExistingFolderKind) folder = result.size();
    entry.folder = folder;
    result.push_back(std::move(entry));
  }
  return result;
}

}  // namespace

void TCreatedItems::Add(char kind, const TFileIdentity& identity, const std::string& text) {
  entries_ += kind;
  entries_ += IdentityText(identity);
  entries_ += text;
  entries_ += '\0';
}

void TCreatedItems::FolderCreated(const std::string& path, const TFileIdentity& identity) {
  Add(FolderKind, identity, path);
  // A file recorded after this lies in a folder named anew.
  lastExistingFolder_.clear();
}

void TCreatedItems::InFolder(const std::string& folder, const TFileIdentity& folderIdentity) {
  if (!lastExistingFolder_.empty() && folder == lastExistingFolder_) return;
  Add(ExistingFolderKind, folderIdentity, folder);
  lastExistingFolder_ = folder;
}

void TCreatedItems::FileCreated(const std::string& folder, const TFileIdentity& folderIdentity,
                                const std::string& name, const TFileIdentity& identity) {
  InFolder(folder, folderIdentity);
  Add(FileKind, identity, name);
}

void TCreatedItems::Replaced(const std::string& folder, const TFileIdentity& folderIdentity, const std::string& name,
                             const std::string& backup, const TFileIdentity& identity) {
  InFolder(folder, folderIdentity);
  Add(BackupKind, identity, name + BackupSeparator + backup);
}

TLeftItems TCreatedItems::Remove(const std::function<void(size_t done, size_t total)>& onStep) {
  const std::vector<Entry> entries = ReadEntries(entries_);

  // The process's own current directory would keep a folder from going.
  // The parent of the first folder made existed before the run and lies
  // outside every folder made.
  for (const Entry& entry : entries)
    if (entry.kind == FolderKind) {
      SetCurrentDirectoryA(FolderOf(entry.text).c_str());
      break;
    }

  TRemoval removal(entries.size(), onStep);
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    switch (entry->kind) {
      case FolderKind: removal.RemoveFolder(*entry); break;
      case FileKind: removal.RemoveFile(entries, *entry); break;
      case BackupKind: removal.RestoreBackup(entries, *entry); break;
      default: break;
    }
    removal.Step();
  }
  entries_.clear();
  entries_.shrink_to_fit();
  lastExistingFolder_.clear();
  return removal.Result();
}

TLeftItems TCreatedItems::Commit() {
  const std::vector<Entry> entries = ReadEntries(entries_);
  TRemoval removal(entries.size(), nullptr);
  for (const Entry& entry : entries)
    if (entry.kind == BackupKind) removal.RemoveBackup(entries, entry);
  // Each existing folder written into once, with the names of that form
  // this run gave its own files there.
  std::map<std::string, std::pair<size_t, std::vector<std::wstring>>> folders;
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& entry = entries[i];
    if (entry.kind == ExistingFolderKind) folders.emplace(entry.text, std::make_pair(i, std::vector<std::wstring>()));
    const std::wstring name = ToWide(entry.text, CodePageAnsi);
    if (entry.kind == FileKind && IsLeftoverName(name)) folders[entries[entry.folder].text].second.push_back(name);
  }
  for (const auto& [text, folder] : folders) removal.RemoveLeftoversIn(entries, folder.first, folder.second);
  entries_.clear();
  entries_.shrink_to_fit();
  lastExistingFolder_.clear();
  return removal.Result();
}
