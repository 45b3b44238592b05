#include "RemoveItems.h"

#include <windows.h>

#include "HeldFolders.h"
#include "NewFile.h"
#include "OpenBelow.h"
#include "Path.h"
#include "Text.h"

namespace Removal {

std::wstring LongPath(const std::wstring& path) {
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

namespace {

// Gone already counts as removed: the aim is that nothing is left.
bool Gone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The identities the record keeps of the folders the install made, by path.
TFileIdentity FolderIdentity(const TRemovalRecord& record, const std::wstring& path) {
  for (const Entry& entry : record.Entries)
    if ((entry.kind == Kind::Folder || entry.kind == Kind::MenuFolder) && SamePath(entry.path, path))
      return entry.identity;
  return TFileIdentity();
}

// The walk over one tree the record names (the product folder, or the
// product's Start-menu folder): each item is opened through its folder,
// held from the root down, by its own name, compared with what the
// install made, and removed through its handle. A link, another item put
// in its place, or anything below either is left, and counted.
class TWalk {
 public:
  TWalk(const TRemovalRecord& record, const std::wstring& root, TLeftItems& left)
      : folders_([&record](const std::wstring& path) { return FolderIdentity(record, path); }), left_(left) {
    held_ = !root.empty() && folders_.Start(root);
    rootGone_ = !held_ && !root.empty() && Gone(GetLastError());
  }

  void Remove(const Entry& entry) {
    const bool folder = entry.kind == Kind::Folder || entry.kind == Kind::MenuFolder;
    if (!held_) {
      // The whole tree gone already takes its items along.
      if (!rootGone_) Left(entry.path);
      return;
    }
    if (SamePath(entry.path, folders_.Root())) return;  // the root goes last, by RemoveRoot
    const THandle* parent = folders_.Reach(ParentOf(entry.path));
    if (!parent) {
      if (!Gone(GetLastError())) Left(entry.path);
      return;
    }
    if (folder) folders_.LetGo(entry.path);
    THandle item = OpenBelow(*parent, LastComponent(entry.path), DELETE | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY,
                             TOpenBelow::Existing);
    if (!item.Valid()) {
      if (!Gone(GetLastError())) Left(entry.path);
      return;
    }
    RemoveHeld(entry.path, item, folder, entry.identity);
  }

  // The root itself, once what is in it is gone: only when it is empty.
  void RemoveRoot(const TFileIdentity& identity) {
    if (!held_) return;
    const std::wstring root = folders_.Root();
    folders_.Release();
    held_ = false;
    THandle item = OpenItem(LongPath(root), DELETE | FILE_LIST_DIRECTORY);
    if (!item.Valid()) {
      if (!Gone(GetLastError())) Left(root);
      return;
    }
    RemoveHeld(root, item, true, identity);
  }

 private:
  void RemoveHeld(const std::wstring& path, THandle& item, bool folder, const TFileIdentity& identity) {
    const TItemInfo info = InfoOf(item);
    // A link put in its place, a folder for a file or a file for a folder,
    // or another item than the one made: nothing the install wrote.
    if (info.IsLink() || info.IsFolder() != folder || (identity != TFileIdentity() && info.Identity != identity))
      return Left(path);
    if (folder) {
      // What a run that ended half-way left in it goes too; what the user
      // put in it keeps it, and is no failure.
      RemoveLeftovers(item, FromWide(path, CodePageAnsi), left_);
      if (!DeleteHeld(item) && GetLastError() != ERROR_DIR_NOT_EMPTY) Left(path);
      return;
    }
    // Made read-only since: still the install's file.
    if (info.Attributes & FILE_ATTRIBUTE_READONLY) {
      FILE_BASIC_INFO basic{};
      basic.FileAttributes = (info.Attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
      SetFileInformationByHandle(item.Get(), FileBasicInfo, &basic, sizeof basic);
    }
    if (!DeleteHeld(item)) Left(path);
  }

  void Left(const std::wstring& path) {
    if (left_.Count++ == 0) left_.First = FromWide(path);
  }

  THeldFolders folders_;
  bool held_ = false;
  bool rootGone_ = false;
  TLeftItems& left_;
};

}  // namespace

bool Kept(const std::wstring& path, const std::vector<std::wstring>& keep) {
  for (const std::wstring& kept : keep)
    if (SamePath(path, kept)) return true;
  return false;
}

TLeftItems RemoveFilesAndFolders(const TRemovalRecord& record, const std::vector<std::wstring>& keep,
                                 const std::function<void(size_t done, size_t total)>& onStep) {
  TLeftItems left;
  TWalk product(record, record.ProductFolder, left);
  TWalk menu(record, record.MenuRoot, left);
  const size_t total = record.Entries.size();
  size_t done = 0;
  for (auto entry = record.Entries.rbegin(); entry != record.Entries.rend(); ++entry) {
    switch (entry->kind) {
      case Kind::File:
        if (!Kept(entry->path, keep)) product.Remove(*entry);
        break;
      case Kind::Folder: product.Remove(*entry); break;
      case Kind::Link:
      case Kind::MenuFolder: menu.Remove(*entry); break;
      case Kind::Replaced:
      case Kind::Key:
      case Kind::ProductKey: break;
    }
    if (onStep) onStep(++done, total);
  }
  // The product folder goes here when nothing else is in it (else the
  // uninstaller's copy removes it once the uninstaller has ended); the product's Start-menu folder goes with the last version that used
  // it, whichever install made it.
  product.RemoveRoot(FolderIdentity(record, record.ProductFolder));
  menu.RemoveRoot(FolderIdentity(record, record.MenuRoot));
  return left;
}

TLeftItems RemoveRecordedFile(const TRemovalRecord& record, const std::wstring& path) {
  TLeftItems left;
  Entry file{Kind::File, path, TFileIdentity()};
  for (const Entry& entry : record.Entries)
    if (entry.kind == Kind::File && SamePath(entry.path, path)) file.identity = entry.identity;
  TWalk(record, record.ProductFolder, left).Remove(file);
  return left;
}

}  // namespace Removal
