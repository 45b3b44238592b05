#include "RemoveItems.h"

#include <windows.h>

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

class TWalk {
 public:
  void RemoveFile(const std::wstring& path, const std::wstring& root) {
    if (!PlainFoldersDownTo(ParentOf(path), root)) return Left(path);
    const std::wstring system = LongPath(path);
    const DWORD attributes = GetFileAttributesW(system.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!Gone(GetLastError())) Left(path);
      return;
    }
    // A junction or link put in its place is nothing the install wrote.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return Left(path);
    // Made read-only since: still the install's file.
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(system.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!DeleteFileW(system.c_str()) && !Gone(GetLastError())) Left(path);
  }

  void RemoveFolder(const std::wstring& path, const std::wstring& root) {
    if (!PlainFoldersDownTo(path, root)) return Left(path);
    const std::wstring system = LongPath(path);
    const DWORD attributes = GetFileAttributesW(system.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!Gone(GetLastError())) Left(path);
      return;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Left(path);
    // What the user put in it keeps it.
    if (!RemoveDirectoryW(system.c_str()) && !Gone(GetLastError()) && GetLastError() != ERROR_DIR_NOT_EMPTY) Left(path);
  }

  void Left(const std::wstring& path) {
    if (left_.Count++ == 0) left_.First = FromWide(path);
  }

  TLeftItems Result() const { return left_; }

 private:
  // Whether every folder from root down to folder is a plain folder: a
  // junction or symbolic link on the way would lead the walk elsewhere.
  bool PlainFoldersDownTo(const std::wstring& folder, const std::wstring& root) {
    if (!SamePath(folder, root) && !Below(folder, root)) return false;
    for (std::wstring at = folder;; at = ParentOf(at)) {
      const DWORD attributes = GetFileAttributesW(LongPath(at).c_str());
      // A folder gone takes what was in it along: nothing to enter.
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
      if (SamePath(at, root)) return true;
    }
  }

  TLeftItems left_;
};

}  // namespace

TLeftItems RemoveFilesAndFolders(const TRemovalRecord& record, const std::wstring& keep,
                                 const std::function<void(size_t done, size_t total)>& onStep) {
  TWalk walk;
  const size_t total = record.Entries.size();
  size_t done = 0;
  for (auto entry = record.Entries.rbegin(); entry != record.Entries.rend(); ++entry) {
    switch (entry->kind) {
      case Kind::File:
        if (!SamePath(entry->path, keep)) walk.RemoveFile(entry->path, record.ProductFolder);
        break;
      case Kind::Link: walk.RemoveFile(entry->path, record.MenuRoot); break;
      case Kind::Folder: walk.RemoveFolder(entry->path, record.ProductFolder); break;
      case Kind::MenuFolder: walk.RemoveFolder(entry->path, record.MenuRoot); break;
      case Kind::Replaced:
      case Kind::Key:
      case Kind::ProductKey: break;
    }
    if (onStep) onStep(++done, total);
  }
  // The product's Start-menu folder goes with the last version that used
  // it, whichever install made it.
  if (!record.MenuRoot.empty()) walk.RemoveFolder(record.MenuRoot, record.MenuRoot);
  return walk.Result();
}

}  // namespace Removal
