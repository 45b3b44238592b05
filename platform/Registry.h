// Registry keys: an owned open key, and an access object over one root.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Owns a key this program opened or created and closes it exactly once, on
// every way out of the scope that holds it. A predefined root
// (HKEY_CURRENT_USER) is never held: it is not this program's to close.
class TRegKey {
 public:
  TRegKey() = default;
  TRegKey(TRegKey&& other) noexcept : key_(other.Release()) {}
  TRegKey& operator=(TRegKey&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  ~TRegKey() { Reset(); }

  // Closes the key held, if any, and opens the one at path below base with
  // access: ERROR_SUCCESS, or the error (and then holds none).
  LONG Open(HKEY base, const std::wstring& path, REGSAM access);

  HKEY Get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

  // Gives up ownership without closing.
  HKEY Release() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
  }
  // Closes the key held, if any, and takes another.
  void Reset(HKEY key = nullptr) {
    if (key_) RegCloseKey(key_);
    key_ = key;
  }

 private:
  HKEY key_ = nullptr;
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
