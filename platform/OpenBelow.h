// Items reached through a folder held open, never again by a path: each is
// opened by its one name relative to the folder's handle (the system's own
// open, with the folder as root directory), so that nothing renamed, moved
// or linked above the folder meanwhile can lead the open elsewhere. A
// junction or symbolic link is opened as itself, never followed.
#pragma once

#include <cstdint>
#include <string>

#include "FileIdentity.h"

enum class TOpenBelow {
  Existing,     // an item that is there, file or folder
  NewFile,      // a file made now; fails on anything of that name, a link included
  FolderOrNew,  // a folder, made when the name is free
};

// Opens `name`, one component, below the held `folder` with `access` plus
// reading of attributes, sharing read and write but not delete (while held
// the item can be neither renamed nor removed). `created` tells whether the
// open made it. An invalid handle, GetLastError telling why, when it fails;
// ErrorItemIsLink when the name is a junction or symbolic link (which is
// then not held).
THandle OpenBelow(const THandle& folder, const std::wstring& name, uint32_t access, TOpenBelow how,
                  bool* created = nullptr);

// Gives the held item (opened with DELETE access) the name `newName` in the
// held `folder`; an item already of that name is replaced only when
// `replace` is set. False, GetLastError telling why, when it cannot.
bool RenameBelow(const THandle& item, const THandle& folder, const std::wstring& newName, bool replace);

// The identity of an item opened below a held folder, on the folder's
// volume (no link is opened, so none leads to another): only its index is
// asked for, which costs far less than the whole of InfoOf.
TFileIdentity IdentityOnVolume(uint32_t volume, const THandle& item);
