// The folders from a root down to one below it, each held open and each
// reached through the one above by its own name, never through a junction
// or symbolic link: what a walk over the items of a tree goes through.
// Moving on to another folder keeps the levels the two share, so a walk in
// record order opens each folder once.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FileIdentity.h"

class THeldFolders {
 public:
  // What a folder must be, by its full path: its identity, or none (all
  // zero) when any plain folder will do.
  using TExpected = std::function<TFileIdentity(const std::wstring& path)>;

  explicit THeldFolders(TExpected expected) : expected_(std::move(expected)) {}

  // Holds the root by its full path. False, GetLastError telling why, when
  // it cannot be held, or is a link (ErrorItemIsLink) or not what is
  // expected of it (ERROR_FILE_NOT_FOUND: it is not there any more).
  bool Start(const std::wstring& root);
  const std::wstring& Root() const { return levels_.front().Path; }

  // The held folder at `path`, the root or a full path below it; null,
  // GetLastError telling why, when some level cannot be reached: it is gone
  // (ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND), no folder, a link, or
  // not the folder expected.
  const THandle* Reach(const std::wstring& path);

  // Lets go of the folder at `path` and of those below it, so that it can be
  // removed.
  void LetGo(const std::wstring& path);
  // Lets go of every level, the root included.
  void Release() { levels_.clear(); }

 private:
  struct TLevel {
    std::wstring Path;
    THandle Held;
  };
  TExpected expected_;
  std::vector<TLevel> levels_;

  bool Matches(const std::wstring& path, const THandle& held) const;
};
