#include "HeldFolders.h"

#include "OpenBelow.h"
#include "Path.h"

namespace {

// Listing it, and reaching what is in it.
constexpr DWORD FolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE;

std::wstring LongPath(const std::wstring& path) {
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

// Whether path lies at or below folder: the components of the rest, in order.
bool ComponentsBelow(const std::wstring& path, const std::wstring& folder, std::vector<std::wstring>& components) {
  if (path.size() < folder.size() || !SameName(path.substr(0, folder.size()), folder)) return false;
  if (path.size() == folder.size()) return true;
  if (path[folder.size()] != L'\\') return false;
  size_t start = folder.size() + 1;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end == start) return false;
    components.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

}  // namespace

bool THeldFolders::Matches(const std::wstring& path, const THandle& held) const {
  const TItemInfo info = InfoOf(held);
  if (info.IsLink()) {
    SetLastError(ErrorItemIsLink);
    return false;
  }
  const TFileIdentity expected = expected_ ? expected_(path) : TFileIdentity();
  // A file, or another folder put where the recorded one was, is not it.
  if (!info.IsFolder() || (expected != TFileIdentity() && info.Identity != expected)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  return true;
}

bool THeldFolders::Start(const std::wstring& root) {
  levels_.clear();
  THandle held = OpenItem(LongPath(root), FolderAccess);
  if (!held.Valid() || !Matches(root, held)) return false;
  levels_.push_back(TLevel{root, std::move(held)});
  return true;
}

const THandle* THeldFolders::Reach(const std::wstring& path) {
  if (levels_.empty()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::vector<std::wstring> components;
  if (!ComponentsBelow(path, Root(), components)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  // The levels held that lead there are kept; the others let go of.
  size_t shared = 1;
  while (shared < levels_.size() && shared <= components.size() &&
         SameName(LastComponent(levels_[shared].Path), components[shared - 1]))
    ++shared;
  levels_.resize(shared);
  for (size_t i = shared - 1; i < components.size(); ++i) {
    const std::wstring below = levels_.back().Path + L"\\" + components[i];
    THandle held = OpenBelow(levels_.back().Held, components[i], FolderAccess, TOpenBelow::Existing);
    if (!held.Valid() || !Matches(below, held)) return nullptr;
    levels_.push_back(TLevel{below, std::move(held)});
  }
  return &levels_.back().Held;
}

void THeldFolders::LetGo(const std::wstring& path) {
  for (size_t i = 0; i < levels_.size(); ++i)
    if (SameName(levels_[i].Path, path)) {
      levels_.resize(i);
      return;
    }
}
