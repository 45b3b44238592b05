#include "FolderChain.h"

#include "Errors.h"
#include "FileSystem.h"
#include "OpenBelow.h"
#include "Path.h"
#include "Text.h"

namespace {

// What a held folder is opened for: passing through to what is below it,
// and listing it (the removal deals with what it holds).
constexpr DWORD FolderAccess = FILE_TRAVERSE | FILE_LIST_DIRECTORY;

[[noreturn]] void RaiseLastError() { throw EInOutError(int(GetLastError())); }

[[noreturn]] void RaiseLinked(const std::string& path) {
  throw EInOutError(ERROR_ACCESS_DENIED, LinkRefusedMessage(path));
}

// The system could not tell where the folder lies: nothing can be checked
// against it, so nothing is written there.
[[noreturn]] void RaiseUnnamed(const std::string& path) {
  throw EInOutError(ERROR_PATH_NOT_FOUND, "Setup can not tell where this folder lies: " + path);
}

// The current folder, as what it resolves to (a link the user chose followed).
THandle OpenCurrentFolder(DWORD access = 0) {
  return THandle(CreateFileW(L".", access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::string OutsideMessage(const std::string& path) {
  return "Setup does not write outside the folder it installs to: " + path;
}

// A path as written, '/' read as '\\', doubled and trailing separators dropped:
// what the system resolves it to when no component is an alias.
std::wstring AsWritten(const std::wstring& path) {
  std::wstring text;
  for (wchar_t c : path) {
    if (c == L'/') c = L'\\';
    if (c == L'\\' && !text.empty() && text.back() == L'\\') continue;
    text.push_back(c);
  }
  if (!text.empty() && text.back() == L'\\') text.pop_back();
  return text;
}

}  // namespace

std::string LinkRefusedMessage(const std::string& path) {
  return "Setup does not write through a junction or link: " + path;
}

void TFolderChain::Start(const std::string& path, bool createdByThisRun) {
  if (!TryStart(path, createdByThisRun)) RaiseLastError();
}

bool TFolderChain::TryStart(const std::string& path, bool createdByThisRun) {
  Levels.clear();
  FirstCreated = size_t(-1);
  // Going on in whatever folder is current would scatter what is written
  // somewhere else: refuse before anything is written. The start is where
  // the user's choice leads, links included.
  if (!SetCurrentDir(path)) return false;
  TLevel start;
  start.Path = GetCurrentDir();
  start.Held = OpenCurrentFolder(FolderAccess);
  if (!start.Held.Valid()) RaiseLastError();
  start.FinalPath = FinalPathOf(start.Held);
  // A folder the system cannot name cannot be compared with anything.
  if (start.FinalPath.empty()) RaiseUnnamed(start.Path);
  start.Identity = InfoOf(start.Held).Identity;
  Levels.push_back(std::move(start));
  if (createdByThisRun) FirstCreated = 0;
  return true;
}

bool TFolderChain::Enter(const std::string& name, TCreatedItems* created) { return EnterPath(name, true, created); }

void TFolderChain::EnterExisting(const std::string& name) { EnterPath(name, false, nullptr); }

bool TFolderChain::EnterPath(const std::string& name, bool mayCreateLast, TCreatedItems* created) {
  if (name.empty()) return false;
  // The name as the system reads it ('/', "." and ".." taken as it takes
  // them), level by level below the current folder, each checked; only the
  // last may be made. Split on the wide form: in a double-byte code page a
  // backslash byte may belong to a character.
  const std::string written = JoinPath(Path(), name);
  const std::wstring here = FullPathOf(Path());
  const std::wstring there = FullPathOf(written);
  const std::wstring prefix = here.back() == L'\\' ? here : here + L'\\';
  const bool itself = SameName(there, here);
  if (!itself && (there.size() <= prefix.size() || !SameName(there.substr(0, prefix.size()), prefix)))
    throw EInOutError(ERROR_PATH_NOT_FOUND, OutsideMessage(written));
  // Read as another name: entered as the system reads it, then refused.
  const bool alias = !SameName(AsWritten(there), AsWritten(ToWide(written)));
  if (itself) {
    if (alias) throw EInOutError(ERROR_PATH_NOT_FOUND);
    return false;  // only separators: no level
  }
  std::vector<std::wstring> components;
  std::wstring component;
  for (const wchar_t c : there.substr(prefix.size()) + L"\\") {
    if (c != L'\\') {
      component.push_back(c);
    } else if (!component.empty()) {
      components.push_back(component);
      component.clear();
    }
  }
  bool made = false;
  for (size_t i = 0; i < components.size(); ++i)
    made = EnterLevel(FromWide(components[i]), mayCreateLast && i + 1 == components.size(), created);
  if (alias) throw EInOutError(ERROR_PATH_NOT_FOUND);
  return made;
}

bool TFolderChain::EnterLevel(const std::string& name, bool mayCreate, TCreatedItems* created) {
  const std::string path = JoinPath(Path(), name);
  bool made = false;
  TLevel level;
  // Opened through the folder above, held, by this one name: nothing done
  // above it meanwhile can lead the open anywhere else.
  level.Held = OpenBelow(Levels.back().Held, ToWide(name), FolderAccess,
                         mayCreate ? TOpenBelow::FolderOrNew : TOpenBelow::Existing, &made);
  if (!level.Held.Valid()) {
    const DWORD error = GetLastError();
    if (error == ErrorItemIsLink) RaiseLinked(path);
    // A file of that name: as making the folder would say.
    if (error == ERROR_DIRECTORY) throw EInOutError(ERROR_ALREADY_EXISTS);
    RaiseLastError();
  }
  const TItemInfo info = InfoOf(level.Held);
  if (info.IsLink()) RaiseLinked(path);
  if (!info.IsFolder()) throw EInOutError(ERROR_ALREADY_EXISTS);
  level.Path = path;
  level.FinalPath = FinalPathOf(level.Held);
  if (level.FinalPath.empty()) RaiseUnnamed(path);
  level.Identity = info.Identity;
  // Anywhere but directly below: led elsewhere on the way. A folder whose
  // place the system cannot tell is no match either.
  if (level.FinalPath.empty() || !SameName(ParentOf(level.FinalPath), FinalPath()))
    throw EInOutError(ERROR_PATH_NOT_FOUND, OutsideMessage(path));
  if (made && created) created->FolderCreated(path, level.Identity);
  MakeCurrent(level);
  if (made && !InsideCreated()) FirstCreated = Levels.size();
  Levels.push_back(std::move(level));
  return made;
}

void TFolderChain::Leave() {
  if (Levels.size() <= 1) return;
  Levels.pop_back();
  if (FirstCreated >= Levels.size()) FirstCreated = size_t(-1);
  MakeCurrent(Levels.back());
}

void TFolderChain::MakeCurrent(const TLevel& level) {
  // The trailing backslash: "C:" alone would be the drive's current folder.
  if (!SetCurrentDir(level.Path.back() == '\\' ? level.Path : level.Path + "\\")) RaiseLastError();
  // What the current folder resolved to must be the folder held.
  const THandle current = OpenCurrentFolder();
  if (!current.Valid() || InfoOf(current).Identity != level.Identity) RaiseLinked(level.Path);
}
