// Walks a version folder in the order its package lists it: in each folder
// its subfolders, then its files, each group sorted by the byte values of
// the names as the package stores them. Every name is converted and
// checked on the way; the first problem ends the walk with MkpkgError.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "CodePages.h"

namespace Mkpkg {

struct TreeEntry {
  std::string Name;             // in the package's code page
  std::filesystem::path Source;  // where it is on disk
  std::string RelativePath;     // inside the package, for messages (UTF-8, '/')
  uint64_t Size = 0;            // files only
};

class TreeVisitor {
 public:
  virtual ~TreeVisitor() = default;
  virtual void EnterDirectory(const TreeEntry& directory) = 0;
  virtual void LeaveDirectory() = 0;
  virtual void File(const TreeEntry& file) = 0;
};

struct WalkOptions {
  const CodePage* Codepage = nullptr;  // none: ASCII names only
  bool FollowLinks = false;           // otherwise a symbolic link is an error
};

// Visits root as a directory named rootName (UTF-8), its tree, and the
// matching leave.
void WalkTree(const std::filesystem::path& root, const std::string& rootName, const WalkOptions& options,
              TreeVisitor& visitor);

}  // namespace Mkpkg
