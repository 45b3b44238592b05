// The first pass over the tree: counts and sizes, the key file's places,
// and the files too large for a package. Nothing is read but the folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "TreeWalk.h"

namespace Mkpkg {

constexpr uint64_t ClusterSize = 4096;

struct TreeTotals {
  uint64_t Directories = 0;
  uint64_t Files = 0;
  uint64_t DataBytes = 0;
  uint64_t RecordBytes = 0;   // the whole record stream
  uint64_t ClusterBytes = 0;  // each file rounded up to whole clusters
  uint64_t KeyMatches = 0;
  std::string FirstKeyPath;   // inside the package, UTF-8
  std::string LastKeyPath;    // the one the installer's shortcut will use
  std::filesystem::path LastKeyFolder;

  // Default disk space: files in whole clusters plus one cluster a folder.
  uint64_t DefaultRequired() const { return ClusterBytes + ClusterSize * Directories; }
};

class TreeSurvey : public TreeVisitor {
 public:
  explicit TreeSurvey(std::string keyFileName) : key_(std::move(keyFileName)) {}

  void EnterDirectory(const TreeEntry& directory) override;
  void LeaveDirectory() override;
  void File(const TreeEntry& file) override;

  const TreeTotals& Totals() const { return totals_; }

 private:
  std::string key_;
  TreeTotals totals_;
};

}  // namespace Mkpkg
