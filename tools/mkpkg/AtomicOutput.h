// A package file that appears under its name only once it is complete.
// The bytes go to a new temporary file beside the target; Commit renames
// it into place. Without Commit, or when Commit fails, the temporary file
// is removed and an older file of the target's name is left untouched.
#pragma once

#include <filesystem>

#include "ByteSink.h"
#include "FileIO.h"

namespace Mkpkg {

class AtomicOutput : public ByteSink {
 public:
  explicit AtomicOutput(const std::filesystem::path& target);
  ~AtomicOutput() override;
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  void Write(const void* data, size_t size) override;
  void Commit();

  const std::filesystem::path& TempPath() const { return temp_; }

 private:
  void Discard();

  std::filesystem::path target_;
  std::filesystem::path temp_;
  FileHandle file_;
  bool committed_ = false;
};

}  // namespace Mkpkg
