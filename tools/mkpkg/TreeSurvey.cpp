#include "TreeSurvey.h"

#include "Errors.h"
#include "FileIO.h"
#include "PackageFormat.h"

namespace Mkpkg {

void TreeSurvey::EnterDirectory(const TreeEntry& directory) {
  ++totals_.Directories;
  totals_.RecordBytes += Package::DirectoryRecordSize(directory.Name.size());
}

void TreeSurvey::LeaveDirectory() { totals_.RecordBytes += Package::LeaveRecordSize; }

void TreeSurvey::File(const TreeEntry& file) {
  if (file.Size >= Package::SizeLimit)
    throw MkpkgError(ShowPath(file.Source) + ": " + std::to_string(file.Size) +
                     " bytes; " + Package::FileTooLargeProblem());
  ++totals_.Files;
  totals_.DataBytes += file.Size;
  totals_.RecordBytes += Package::FileRecordSize(file.Name.size(), file.Size);
  totals_.ClusterBytes += (file.Size + ClusterSize - 1) / ClusterSize * ClusterSize;
  if (Package::KeyNameMatches(file.Name, key_)) {
    if (!totals_.KeyMatches++) totals_.FirstKeyPath = file.RelativePath;
    totals_.LastKeyPath = file.RelativePath;
    totals_.LastKeyFolder = file.Source.parent_path();
  }
}

}  // namespace Mkpkg
