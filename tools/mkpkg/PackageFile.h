// Reading a package back: the whole file, as the installer reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FileIO.h"

namespace Mkpkg {

// The package named on the command line, open for reading. Throws
// MkpkgError when it is a folder or cannot be opened.
FileHandle OpenPackageFile(const fs::path& path);

// Throws MkpkgError when the file cannot be read or is 2 GiB or more.
std::vector<uint8_t> ReadPackageFile(const std::string& utf8Path);

// Folder names entered so far, to show each record with its full path
// inside the package, as Windows will see it.
class PackagePath {
 public:
  void Enter(const std::string& name);
  void Leave();
  std::string Of(const std::string& name) const;  // stored bytes, '\' between

 private:
  std::vector<std::string> components_;
};

}  // namespace Mkpkg
