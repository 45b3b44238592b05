#include "CreatedItems.h"

#include <windows.h>

#include <vector>

#include "Text.h"

namespace {

constexpr char FolderKind = 'D';          // a folder this run created: its full path
constexpr char ExistingFolderKind = 'E';  // a folder that existed: the file entries after it lie in it
constexpr char FileKind = 'F';            // a file created in the newest existing folder: its name

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

class TRemoval {
 public:
  TRemoval(size_t total, const std::function<void(size_t, size_t)>& onStep) : total_(total), onStep_(onStep) {}

  // A file that is recorded by name.
  void RemoveFile(const std::string& path) {
    const std::wstring system = SystemPath(path);
    const DWORD attributes = GetFileAttributesW(system.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!Gone(GetLastError())) Left(path);
      return;
    }
    if (!IsPlainFile(attributes) || !DeleteFileW(system.c_str())) Left(path);
  }

  // A folder this run made: the plain files in it, then the folder itself
  // if that left it empty. Folders inside it were recorded after it and are
  // gone already; one that is not is no item of ours, and keeps it.
  void RemoveFolder(const std::string& path) {
    const std::wstring system = SystemPath(path);
    const DWORD attributes = GetFileAttributesW(system.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!Gone(GetLastError())) Left(path);
      return;
    }
    // Replaced by a junction or link since it was made: never entered.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      Left(path);
      return;
    }
    RemoveFilesIn(path, system);
    if (!RemoveDirectoryW(system.c_str()) && !Gone(GetLastError())) Left(path);
  }

  // One recorded entry done.
  void Step() {
    ++done_;
    filesSinceStep_ = 0;
    if (onStep_) onStep_(done_, total_);
  }

  TLeftItems Result() const { return left_; }

 private:
  void RemoveFilesIn(const std::string& path, const std::wstring& system) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((system + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      if (!IsPlainFile(found.dwFileAttributes)) continue;
      if (!DeleteFileW((system + L"\\" + found.cFileName).c_str()) && !Gone(GetLastError()))
        Left(JoinPath(path, FromWide(found.cFileName, CodePageAnsi)));
      if (++filesSinceStep_ == FilesPerStep) {
        filesSinceStep_ = 0;
        if (onStep_) onStep_(done_, total_);
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }

  void Left(const std::string& path) {
    if (left_.Count++ == 0) left_.First = path;
  }

  size_t total_;
  const std::function<void(size_t, size_t)>& onStep_;
  size_t done_ = 0;
  size_t filesSinceStep_ = 0;
  TLeftItems left_;
};

struct Entry {
  char kind;
  size_t text;    // offset of the text in the record
  size_t folder;  // for a file: offset of its folder's text
};

}  // namespace

void TCreatedItems::Add(char kind, const std::string& text) {
  Entries += kind;
  Entries += text;
  Entries += '\0';
}

void TCreatedItems::FolderCreated(const std::string& path) {
  Add(FolderKind, path);
  // A folder of that path asked about before was another one (now gone).
  if (path == LastFolder) LastFolderCreated = true;
}

bool TCreatedItems::WasCreated(const std::string& folder) const {
  // From the newest entry back: a file's folder is most often among the
  // newest. Entries are separated by zero bytes, which no path holds.
  size_t end = Entries.size();  // one past the zero byte of the entry looked at
  while (end > 0) {
    const size_t previous = Entries.rfind('\0', end - 2);
    const size_t start = previous == std::string::npos ? 0 : previous + 1;
    if (Entries[start] == FolderKind && end - start - 2 == folder.size() &&
        Entries.compare(start + 1, folder.size(), folder) == 0)
      return true;
    end = start;
  }
  return false;
}

void TCreatedItems::FileCreated(const std::string& folder, const std::string& name) {
  if (folder != LastFolder) {
    LastFolder = folder;
    LastFolderCreated = WasCreated(folder);
  }
  // It goes with its folder.
  if (LastFolderCreated) return;
  if (Entries.empty() || folder != LastExistingFolder) {
    Add(ExistingFolderKind, folder);
    LastExistingFolder = folder;
  }
  Add(FileKind, name);
}

TLeftItems TCreatedItems::Remove(const std::function<void(size_t done, size_t total)>& onStep) {
  std::vector<Entry> entries;
  size_t folder = 0;
  for (size_t at = 0; at < Entries.size(); at = Entries.find('\0', at) + 1) {
    const char kind = Entries[at];
    if (kind == ExistingFolderKind) folder = at + 1;
    entries.push_back(Entry{kind, at + 1, folder});
  }
  const auto text = [this](size_t offset) { return std::string(Entries.c_str() + offset); };

  // The process's own current directory would keep a folder from going.
  // The parent of the first folder made existed before the run and lies
  // outside every folder made.
  for (const Entry& entry : entries)
    if (entry.kind == FolderKind) {
      const std::string path = text(entry.text);
      SetCurrentDirectoryA(path.substr(0, UpToLastSeparator(path)).c_str());
      break;
    }

  TRemoval removal(entries.size(), onStep);
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (entry->kind == FolderKind) removal.RemoveFolder(text(entry->text));
    if (entry->kind == FileKind) removal.RemoveFile(JoinPath(text(entry->folder), text(entry->text)));
    removal.Step();
  }
  Entries.clear();
  Entries.shrink_to_fit();
  LastFolder.clear();
  LastExistingFolder.clear();
  LastFolderCreated = false;
  return removal.Result();
}
