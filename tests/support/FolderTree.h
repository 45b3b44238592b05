// Walking and removing a folder's tree, for the tests that read back or
// clear what they made. Junctions and symbolic links are listed and removed
// themselves, never entered: what they lead to is not the test's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace FolderTree {

// Calls visit(path relative to dir, attributes) for every entry under dir,
// a folder before what it holds; nothing when dir cannot be read.
inline void Walk(const std::string& dir, const std::function<void(const std::string&, DWORD)>& visit,
                 const std::string& relative = "") {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    visit(relative + name, found.dwFileAttributes);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      Walk(dir + "\\" + name, visit, relative + name + "\\");
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// Removes dir and everything under it, read-only files included, as far as
// it can.
inline void Remove(const std::string& dir) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName, path = dir + "\\" + name;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (!RemoveDirectoryA(path.c_str())) DeleteFileA(path.c_str());
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        Remove(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(dir.c_str());
}

}  // namespace FolderTree
