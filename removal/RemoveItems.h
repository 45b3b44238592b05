// Removes what a removal record names: the walk, newest first.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CreatedItems.h"
#include "RemovalRecord.h"

namespace Removal {

// Removes the files, links and folders the record names, newest first,
// except those in `keep` (the running uninstaller and its record). Each is
// reached through the folders above it, held from the product folder (or
// the product's Start-menu folder) down, and opened by its own name: a
// junction or symbolic link, in its place or on the way, is neither
// entered nor removed, nor is an item that is not the one the install made
// (the record keeps its identity). A file or link goes whatever its
// contents now, a folder only once it is empty (one that holds anything
// else stays, and is no failure). What is left is counted, the first named.
// onStep(done, total) follows the entries. The product folder and the
// product's Start-menu folder go too once they are empty, whichever
// install made them.
TLeftItems RemoveFilesAndFolders(const TRemovalRecord& record, const std::vector<std::wstring>& keep,
                                 const std::function<void(size_t done, size_t total)>& onStep);

// Removes one file below the product folder, as the walk above would.
TLeftItems RemoveRecordedFile(const TRemovalRecord& record, const std::wstring& path);

// Removes the record's keys: this version's record and its entry in the
// list of programs whole, the entry last; the product's record key only
// when no version is left under it, and then only what the installs wrote;
// the list of programs' own key once it is empty.
TLeftItems RemoveKeys(const TRemovalRecord& record);

// The path in the form that has no MAX_PATH limit and no name parsing.
std::wstring LongPath(const std::wstring& path);

}  // namespace Removal
