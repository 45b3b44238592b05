// The folders an install goes down through, from a start the user chose to
// where it writes, each held open while it stands inside so that none can be
// renamed or swapped for another on the way, each checked on entry to be a
// real folder directly below the one above it: a junction, symbolic link or
// mount point someone put in the way is refused, not followed.
#pragma once

#include <string>
#include <vector>

#include "CreatedItems.h"
#include "FileIdentity.h"

class TFolderChain {
 public:
  // Makes path current and holds it. `createdByThisRun` tells that the
  // caller made it, so that what is written in it needs no record of its own.
  // EInOutError when it cannot be entered.
  void Start(const std::string& path, bool createdByThisRun = false);
  // As Start, but false (GetLastError telling why) when path cannot be made
  // current at all; other failures still raise.
  bool TryStart(const std::string& path, bool createdByThisRun = false);

  // Enters name below the current folder, creating it first when it is
  // missing and recording it in `created` (when given); true when it made it.
  // A name of several components enters each, the last alone made when
  // missing; an empty name adds no level. A folder that is a link, or that
  // resolves anywhere but directly below the current one, raises EInOutError
  // naming it. So, once entered, does a name that the system reads as
  // another ("a " or "b." as "a" and "b", "." as the current folder,
  // "a\..\b" as "b"), with ERROR_PATH_NOT_FOUND: what is written next
  // would not land where the name says. Case and the separators ('/',
  // doubled ones) are the system's own and do not count.
  bool Enter(const std::string& name, TCreatedItems* created = nullptr);
  // As Enter, but makes nothing: each level must be a folder that is there.
  void EnterExisting(const std::string& name);

  // Back one level; never above the start.
  void Leave();

  // Lets go of every folder held; the current folder stays as it is.
  void Release() {
    Levels.clear();
    FirstCreated = size_t(-1);
  }

  size_t Depth() const { return Levels.empty() ? 0 : Levels.size() - 1; }
  // The current folder as entered (the start's text and the names after it).
  const std::string& Path() const { return Levels.back().Path; }
  // The current folder as the system resolved it, in the "\\?\" form.
  const std::wstring& FinalPath() const { return Levels.back().FinalPath; }
  const TFileIdentity& Identity() const { return Levels.back().Identity; }
  // The current folder, held: what is written in it is opened through this.
  const THandle& Held() const { return Levels.back().Held; }
  // Whether this run made the current folder or one above it in the chain:
  // then nothing in it existed before the run.
  bool InsideCreated() const { return FirstCreated < Levels.size(); }

 private:
  struct TLevel {
    THandle Held;
    std::string Path;
    std::wstring FinalPath;
    TFileIdentity Identity;
  };
  std::vector<TLevel> Levels;
  size_t FirstCreated = size_t(-1);

  bool EnterPath(const std::string& name, bool mayCreateLast, TCreatedItems* created);
  bool EnterLevel(const std::string& name, bool mayCreate, TCreatedItems* created);
  // Makes the held level current and checks that the system agrees.
  void MakeCurrent(const TLevel& level);
};

// Lets go of a chain's folders on every way out of a scope, so that what
// was made in them can be removed afterwards.
class TChainRelease {
 public:
  explicit TChainRelease(TFolderChain& chain) : Chain(chain) {}
  ~TChainRelease() { Chain.Release(); }
  TChainRelease(const TChainRelease&) = delete;
  TChainRelease& operator=(const TChainRelease&) = delete;

 private:
  TFolderChain& Chain;
};

// The message of a folder or file refused as a link, naming it.
std::string LinkRefusedMessage(const std::string& path);
