// A file written under a temporary name beside where it goes, and given its
// own name only once it is complete. The file that had that name before is
// moved aside, not emptied, and an install taken back gets it back. Nothing
// is ever written through a link. A file that is never put in place removes
// itself.
#pragma once

#include <string>

#include "CreatedItems.h"
#include "FolderChain.h"

class TNewFile {
 public:
  // Creates the temporary file for name (which may name a folder below the
  // current one too) in the chain's current folder, for writing. Recorded in
  // `created` when given and the folder is not one this run made.
  TNewFile(const TFolderChain& folder, const std::string& name, TCreatedItems* created);
  ~TNewFile();
  TNewFile(const TNewFile&) = delete;
  TNewFile& operator=(const TNewFile&) = delete;

  const THandle& File() const { return File_; }

  // For a writer that writes by path (a shell link's save): the file is
  // closed, and its full path returned; PutInPlace opens it again.
  std::wstring ReleaseForWriter();

  // Moves what has the name aside (kept, and recorded, until the install
  // completes), gives the file its name and closes it. A folder or a
  // read-only file of that name is not replaced, nor a link or a file with
  // a second name elsewhere (a hard link), whose data are not the
  // product's: EInOutError, as is any other failure.
  void PutInPlace();

 private:
  THandle File_;
  TCreatedItems* Created;
  bool Recorded;           // kept in the record, as its folder is not new
  std::string FolderText;  // the folder as the record names it
  std::wstring Folder;     // the folder's final path
  TFileIdentity FolderIdentity;
  std::string Name;  // the last component
  std::string TempName;
  bool Placed = false;

  std::wstring InFolder(const std::string& name) const;
  [[noreturn]] void RaiseLinkedFile() const;
};
