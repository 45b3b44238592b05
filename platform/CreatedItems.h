// What one install created on disk, in the order it was made, and the
// taking back of all of it when the install does not complete.
//
// The record stays small for large trees: a folder the install created is
// held by its full path alone, and whatever lies in it when it is removed
// goes with it (nothing in it can have existed before the install). A file
// is held by its name only when it was created in a folder that existed
// before, under one entry naming that folder. Twenty thousand files in a few
// hundred new folders take a few tens of kilobytes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// What could not be removed: how many items, and the first met.
struct TLeftItems {
  size_t Count = 0;
  std::string First;
};

class TCreatedItems {
 public:
  // A folder this run created, by its full path.
  void FolderCreated(const std::string& path);
  // A file this run created (it did not exist before), by the full path of
  // its folder as the system reports it and its name.
  void FileCreated(const std::string& folder, const std::string& name);

  bool Empty() const { return Entries.empty(); }
  // Bytes the record takes (its one block of text).
  size_t MemoryUsed() const { return Entries.capacity(); }

  // Removes what was recorded, the newest first, and forgets it. A folder
  // goes only when it is empty once the plain files in it are gone; nothing
  // that is a junction or symbolic link is entered or removed, and an item
  // that cannot be removed is counted and passed. onStep(done, total) is
  // called every few items, so that the caller can show progress and keep
  // its window alive; total counts the recorded entries.
  TLeftItems Remove(const std::function<void(size_t done, size_t total)>& onStep);

 private:
  // Entries, each a kind character, a text and a zero byte, in the order made.
  std::string Entries;
  // The folder asked about last by FileCreated, and whether this run made it.
  std::string LastFolder;
  bool LastFolderCreated = false;
  std::string LastExistingFolder;  // the folder named by the newest existing-folder entry

  void Add(char kind, const std::string& text);
  bool WasCreated(const std::string& folder) const;
};
