// The second pass over the tree: writes the records, copying each file in
// chunks, so memory stays small whatever the sizes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ByteSink.h"
#include "TreeWalk.h"

namespace Mkpkg {

class PackageWriter : public TreeVisitor {
 public:
  static constexpr size_t ChunkSize = size_t(1) << 20;
  using ProgressEvent = std::function<void(uint64_t bytesWritten)>;

  PackageWriter(ByteSink& sink, ProgressEvent progress = nullptr);

  void Header(const std::string& keyFileName, const std::string& title, const std::string& folderName,
              int32_t requiredSize);
  void EnterDirectory(const TreeEntry& directory) override;
  void LeaveDirectory() override;
  void File(const TreeEntry& file) override;

  uint64_t Written() const { return written_; }

 private:
  void Put(const std::string& bytes);
  void CopyData(const TreeEntry& file);

  ByteSink& sink_;
  ProgressEvent progress_;
  std::vector<char> chunk_;
  uint64_t written_ = 0;
};

}  // namespace Mkpkg
