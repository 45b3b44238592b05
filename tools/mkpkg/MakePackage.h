// mkpkg make: a version folder into a package file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Mkpkg {

struct MakeOptions {
  std::string VersionDir;  // UTF-8, as given
  std::string Output;
  std::string Title;
  std::string Folder;
  std::string Key;
  std::optional<int64_t> Required;
  int CodePage = 0;  // 0: ASCII only
  bool FollowLinks = false;
  bool Quiet = false;
};

struct MakeSummary {
  uint64_t Directories = 0;
  uint64_t Files = 0;
  uint64_t DataBytes = 0;
  uint64_t PackageBytes = 0;
  int32_t RequiredSize = 0;
  bool RequiredGiven = false;
  std::string RootDirName;  // UTF-8
  std::string KeyPath;      // where the installer will find the key file
};

class MakeObserver {
 public:
  virtual ~MakeObserver() = default;
  virtual void Warning(const std::string&) {}
  // Called as the package grows, with bytes written so far and in all.
  virtual void Progress(uint64_t, uint64_t) {}
};

// Checks everything first and writes only when the whole package can be
// made; throws MkpkgError (nothing left on disk) when it cannot.
MakeSummary MakePackage(const MakeOptions& options, MakeObserver& observer);

}  // namespace Mkpkg
