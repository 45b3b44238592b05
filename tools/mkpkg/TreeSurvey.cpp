#include "TreeSurvey.h"

#include "Errors.h"
#include "FileIO.h"
#include "PackageFormat.h"

namespace Mkpkg {

void TreeSurvey::EnterDirectory(const TreeEntry& directory) {
  ++totals_.Directories;
  totals_.RecordBytes += directory.Name.size() + 2;
}

void TreeSurvey::LeaveDirectory() { totals_.RecordBytes += 1; }

void TreeSurvey::File(const TreeEntry& file) {
  if (file.Size >= PackageLimit)
    throw MkpkgError(ShowPath(file.Source) + ": " + std::to_string(file.Size) +
                     " bytes; a package cannot hold a file of 2 GiB or more");
  ++totals_.Files;
  totals_.DataBytes += file.Size;
  totals_.RecordBytes += file.Name.size() + 6 + file.Size;
  totals_.ClusterBytes += (file.Size + ClusterSize - 1) / ClusterSize * ClusterSize;
  if (Package::KeyNameMatches(file.Name, key_)) {
    if (!totals_.KeyMatches++) totals_.FirstKeyPath = file.RelativePath;
    totals_.LastKeyPath = file.RelativePath;
    totals_.LastKeyFolder = file.Source.parent_path();
  }
}

}  // namespace Mkpkg
