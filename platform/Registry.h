// Registry keys: an owned open key, and an access object over one root.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "Handle.h"

// A registry key this program opened or created. A predefined root
// (HKEY_CURRENT_USER) is never held: it is not this program's to close.
struct TRegKeyKind {
  using Type = HKEY;
  static bool Valid(HKEY key) { return key != nullptr; }
  static void Close(HKEY key) { RegCloseKey(key); }
};

class TRegKey : public TOwnedHandle<TRegKeyKind> {
 public:
  using TOwnedHandle::TOwnedHandle;

  // Closes the key held, if any, and opens the one at path below base with
  // access: ERROR_SUCCESS, or the error (and then holds none).
  LONG Open(HKEY base, const std::wstring& path, REGSAM access);
};

// A registry access object: one root, at most one open key at a time, the
// same access for every key it opens. The open key is closed when another
// is opened, by CloseKey, and when the object goes away.
class TRegistry {
 public:
  TRegistry() = default;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Closes an open key unless the root stays the same.
  void SetRootKey(HKEY key);
  HKEY CurrentKey() const { return current.Get(); }

  // Access requested for every key opened from now on.
  REGSAM Access = KEY_ALL_ACCESS;

  // Opens path, relative to the open key if there is one, else to the root;
  // a path that starts with a backslash is relative to the root. With
  // canCreate every missing key along the path is created. A trailing
  // backslash names the same key as the path without it. On success the key
  // replaces the open one; on failure nothing changes.
  bool OpenKey(const std::string& path, bool canCreate);
  void CloseKey();

  bool ValueExists(const std::string& name) const;
  // A REG_SZ or REG_EXPAND_SZ value as stored, nothing expanded. Another
  // type or a failed read raises ERegistryException.
  std::string ReadString(const std::string& name) const;
  // A REG_SZ value: the text and its terminating zero. A failure raises
  // ERegistryException "Failed to set data for '<name>'".
  void WriteString(const std::string& name, const std::string& value);
  // The same for a text of any script.
  void WriteString(const std::string& name, const std::wstring& value);
  // A REG_DWORD value; a failure raises as WriteString's.
  void WriteInteger(const std::string& name, uint32_t value);

 private:
  HKEY root = HKEY_CURRENT_USER;
  TRegKey current;
};
