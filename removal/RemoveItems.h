// Removes what a removal record names: the walk, newest first.
#pragma once

#include <functional>
#include <string>

#include "CreatedItems.h"
#include "RemovalRecord.h"

namespace Removal {

// Removes the files, links and folders the record names, newest first,
// except `keep` (the running uninstaller): a file or link whatever its
// contents now, a folder only once it is empty (one that holds anything
// else stays, and is no failure). Nothing that is a junction or symbolic
// link, or lies below one, is entered or removed; an item that cannot be
// removed is counted and passed. onStep(done, total) follows the entries.
// The product's Start-menu folder goes too once it is empty, also when an
// install of another version made it.
TLeftItems RemoveFilesAndFolders(const TRemovalRecord& record, const std::wstring& keep,
                                 const std::function<void(size_t done, size_t total)>& onStep);

// Removes the record's keys: this version's record and its entry in the
// list of programs whole, the entry last; the product's record key only
// when no version is left under it, and then only what the installs wrote;
// the list of programs' own key once it is empty.
TLeftItems RemoveKeys(const TRemovalRecord& record);

// The path in the form that has no MAX_PATH limit and no name parsing.
std::wstring LongPath(const std::wstring& path);

}  // namespace Removal
