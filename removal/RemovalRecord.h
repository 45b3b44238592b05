// The record an install leaves beside its uninstaller: what it wrote and
// made, in the order it did, and the bounds everything named must lie in.
//
// On disk it is UTF-8 text, one item a line, "kind<TAB>identity<TAB>text",
// ended by CR LF: the user can read it, and a tab or a line break never
// occurs in a Windows file name or in the keys named. The identity is the
// item's on its volume when the install made it (24 hexadecimal digits),
// "-" for what has none (a key, a replaced item); records of version 1 have
// no identity field. It starts with a version line and the header (title,
// product name, version folder name, language, product folder, Start-menu
// folder) and ends with a line that counts the entries, so that a record
// cut short or damaged is known as such.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FileIdentity.h"

namespace Removal {

// What an entry names.
enum class Kind : char {
  File = 'F',         // a file the install created
  Replaced = 'R',     // a file or link that was there before and that the install replaced: left as it is
  Folder = 'D',       // a folder the install created under the product folder
  Link = 'L',         // a Start-menu link the install wrote
  MenuFolder = 'M',   // a Start-menu folder the install created
  Key = 'K',          // a registry key of this version, removed whole
  ProductKey = 'P',   // the product's record key, removed with the last version
};

struct Entry {
  Kind kind;
  std::wstring path;  // a full path, or a key under HKEY_CURRENT_USER
  // The item as the install made it; none (all zero) for a key, a replaced
  // item, or an entry of a version 1 record.
  TFileIdentity identity;
  bool HasIdentity() const { return identity != TFileIdentity(); }
};

// The Uninstall key of Windows' list of programs, under HKEY_CURRENT_USER.
extern const wchar_t UninstallKeyRoot[];
// The file names beside the product: the uninstaller and the record.
extern const wchar_t UninstallerName[];
extern const wchar_t RecordName[];

class TRemovalRecord {
 public:
  std::wstring Title;        // the package's title
  std::wstring Name;         // the product's folder name
  std::wstring Version;      // its version folder name; may be empty
  int32_t Language = 0;      // the interface language of the install
  std::wstring ProductFolder;  // full path of the folder named Name
  std::wstring MenuRoot;     // full path of the product's Start-menu folder; empty when none

  std::vector<Entry> Entries;  // in the order made

  // Adds an entry unless one of that kind and path (in any case) is there;
  // a replaced item is not added when the path is there at all (an earlier
  // run of the same install created it). An entry that is there takes the
  // identity given, when there is one: the item is the one written last.
  void Add(Kind kind, const std::wstring& path, const TFileIdentity& identity = TFileIdentity());
  // The folder that holds the uninstaller and this record.
  std::wstring VersionFolder() const;
  // The keys of this version: its record key, the product's key, its entry
  // in the list of programs (relative to HKEY_CURRENT_USER).
  std::wstring VersionKey() const;
  std::wstring ProductKey() const;
  std::wstring EntryKey() const;
  std::wstring EntryKeyName() const;  // the entry's own name: product and version

  std::string Serialize() const;
  // Reads a record; false with a reason when it is damaged.
  static bool Parse(const std::string& text, TRemovalRecord& record, std::string& problem);
  // Why the record names something outside the product's folders, its
  // Start-menu folder (which must lie in `programsFolder`) and its keys;
  // empty when everything is inside.
  std::string OutsideProblem(const std::wstring& programsFolder) const;
};

// Whether two paths name the same item as Windows compares names.
bool SamePath(const std::wstring& a, const std::wstring& b);
// Whether path lies strictly below folder.
bool Below(const std::wstring& path, const std::wstring& folder);

}  // namespace Removal
