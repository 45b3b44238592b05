// What a file or folder is, as opposed to what its path names at the
// moment: its identity on its volume, its final path, and the operations
// that act on an item through a handle held open, so that nobody can swap
// another item in under the same path in between.
#pragma once

#include <cstdint>
#include <string>

#include "Handle.h"

// The volume and the file index: the same pair is the same item.
struct TFileIdentity {
  uint32_t Volume = 0;
  uint64_t Index = 0;
  bool operator==(const TFileIdentity& other) const { return Volume == other.Volume && Index == other.Index; }
  bool operator!=(const TFileIdentity& other) const { return !(*this == other); }
};

// An identity as 24 hexadecimal digits (volume, then index), as records
// keep it; ParseIdentity is false for text that is not such digits.
std::string IdentityText(const TFileIdentity& identity);
bool ParseIdentity(const std::string& text, TFileIdentity& identity);

struct TItemInfo {
  uint32_t Attributes = 0;
  uint32_t Links = 0;  // hard links: names the item has
  TFileIdentity Identity;
  bool IsFolder() const;
  // A junction, symbolic link or mount point, which leads somewhere else.
  bool IsLink() const;
};

// What OpenItem sets when the path names a link it will not open (the
// system's ERROR_REPARSE_POINT_ENCOUNTERED, which MinGW's headers lack).
constexpr DWORD ErrorItemIsLink = 4395;

// Opens the item itself (a junction or symbolic link as itself, not where it
// leads), with `access` plus reading of attributes, sharing read and write
// but not delete: while held it can be neither renamed nor removed. An
// invalid handle, GetLastError telling why, when it cannot be opened.
THandle OpenItem(const std::wstring& path, uint32_t access = 0);

// Raises EInOutError when the handle's information cannot be read.
TItemInfo InfoOf(const THandle& item);

// The path the system resolves the open item to, links followed, in the
// "\\?\" form, without a trailing backslash (empty when the system cannot tell).
std::wstring FinalPathOf(const THandle& item);

// Whether two names (or paths) are the same to Windows: ordinal, case ignored.
bool SameName(const std::wstring& a, const std::wstring& b);

// Gives the held item (opened with DELETE access) the new full path, a
// "\\?\" one among them; false, GetLastError telling why, when it cannot.
// An item already at that path is replaced only when `replace` is set.
bool RenameHeld(const THandle& item, const std::wstring& newPath, bool replace);

// Marks the held item (opened with DELETE access) for removal once its last
// handle is closed; a folder must be empty. False, GetLastError telling why,
// when it cannot.
bool DeleteHeld(const THandle& item);

// Whether the open item is the one at `path` (a final path in the "\\?\"
// form) itself, and not what a link there leads to: Wine opens a Unix
// symbolic link's target even when asked for the link. False when the
// system cannot tell the item's path.
bool IsItemAt(const THandle& item, const std::wstring& path);

// Removes the open item (opened with DELETE access) found at `path`, a
// final path in the "\\?\" form, through its handle; false, and nothing
// removed, when the path names a link whose target the system opened
// instead (ErrorItemIsLink): neither the link nor where it leads is touched.
bool DeleteItemAt(const THandle& item, const std::wstring& path);

// Moves the open item found at `path` (as above) to `newPath`, never
// replacing anything there; false, nothing moved, for a link.
bool RenameItemAt(const THandle& item, const std::wstring& path, const std::wstring& newPath);
