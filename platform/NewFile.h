// A file written into the folder a chain holds, opened through that folder
// by its one name, never through a link. A new name is made in place and
// fails on anything already there; a file that replaces one is written
// under a temporary name and given its name only once it is complete, the
// one it replaces moved aside, not emptied, so that an install taken back
// gets it back. A file that is never put in place removes itself.
#pragma once

#include <string>

#include "CreatedItems.h"
#include "FolderChain.h"

// Whether a name is one a file is given while it replaces another, or the
// one replaced is kept under ("~setup12.tmp", "~setup13.bak"): an install
// that ended without taking itself back leaves such names behind.
bool IsLeftoverName(const std::wstring& name);
// Removes the plain files of such names from the held folder (opened with
// FILE_LIST_DIRECTORY): what a run that ended half-way left behind. A link
// of such a name is left. What could not be removed is counted in `left`.
void RemoveLeftovers(const THandle& folder, const std::string& folderText, TLeftItems& left);

class TNewFile {
 public:
  // Creates the file `name` (one component) in the chain's current folder,
  // for writing. Recorded in `created` when given and the folder is not one
  // this run made: before any of its data, so that a run ending meanwhile
  // leaves nothing unrecorded.
  TNewFile(const TFolderChain& folder, const std::string& name, TCreatedItems* created);
  ~TNewFile();
  TNewFile(const TNewFile&) = delete;
  TNewFile& operator=(const TNewFile&) = delete;

  const THandle& File() const { return File_; }
  // Whether an item had the name: the file then replaces it on PutInPlace.
  bool Replacing() const { return !TempName.empty(); }
  // The file's identity on its volume.
  const TFileIdentity& Identity() const { return Identity_; }

  // Completes the file. One that replaces: moves what has the name aside
  // (kept, and recorded, until the install completes), then gives the file
  // its name. A folder or a read-only file of that name is not replaced,
  // nor a link or a file with a second name elsewhere (a hard link), whose
  // data are not the product's: EInOutError, as is any other failure.
  void PutInPlace();

 private:
  THandle File_;
  const THandle& Folder;  // the chain's current folder, held
  TCreatedItems* Created;
  bool Recorded;           // kept in the record, as its folder is not new
  std::string FolderText;  // the folder as the record names it
  TFileIdentity FolderIdentity;
  TFileIdentity Identity_;
  std::string Name;
  std::string TempName;  // empty for a file made under its own name
  bool Placed = false;

  [[noreturn]] void RaiseLinkedFile() const;
  void Replace();
};
