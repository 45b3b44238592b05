// What one install changed on disk, in the order it happened, and the
// taking back of all of it when the install does not complete.
//
// Each item is recorded with its identity on its volume, taken when it was
// made, and is looked up again at removal only to be compared with it: a
// folder renamed meanwhile and a junction put in its place is not the folder
// made, and nothing is removed through it.
//
// The record stays small for large trees: a folder the install created is
// held by its full path alone, and whatever lies in it when it is removed
// goes with it (nothing in it can have existed before the install). A file
// is held by its name only when it was created in a folder that existed
// before, under one entry naming that folder. A file or link that replaced
// one of the same name keeps the one it replaced under a backup name until
// the install completes: taken back, the backup gets its name back.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "FileIdentity.h"

// What could not be removed: how many items, and the first met.
struct TLeftItems {
  size_t Count = 0;
  std::string First;
};

class TCreatedItems {
 public:
  // A folder this run created, by its full path.
  void FolderCreated(const std::string& path, const TFileIdentity& identity);
  // A file this run created in a folder it did not create (which the caller
  // knows), by the folder's full path and identity and its own name.
  void FileCreated(const std::string& folder, const TFileIdentity& folderIdentity, const std::string& name,
                   const TFileIdentity& identity);
  // What had the name `name` in that folder was renamed `backup` to make
  // room for a new file or link; `identity` is its own.
  void Replaced(const std::string& folder, const TFileIdentity& folderIdentity, const std::string& name,
                const std::string& backup, const TFileIdentity& identity);

  bool Empty() const { return entries_.empty(); }
  // Bytes the record takes (its one block of text).
  size_t MemoryUsed() const { return entries_.capacity(); }

  // Takes back what was recorded, the newest first, and forgets it. A folder
  // goes only when it is empty once the plain files in it are gone; a
  // backup gets its name back; nothing that is a junction or symbolic link
  // is entered or removed, nothing that is no longer the item recorded is
  // touched, and an item that cannot be taken back is counted and passed.
  // onStep(done, total) is called every few items, so that the caller can
  // show progress and keep its window alive; total counts the recorded entries.
  TLeftItems Remove(const std::function<void(size_t done, size_t total)>& onStep);

  // The install completed: the backups are removed, and the record forgotten.
  // What could not be removed is counted.
  TLeftItems Commit();

 private:
  // The entries, each a kind character, the identity in hexadecimal, a text and
  // a zero byte, in the order made.
  std::string entries_;
  std::string lastExistingFolder_;  // the folder named by the newest existing-folder entry

  void Add(char kind, const TFileIdentity& identity, const std::string& text);
  void InFolder(const std::string& folder, const TFileIdentity& folderIdentity);
};
