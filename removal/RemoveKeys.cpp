// The removal's keys. Every key under HKEY_CURRENT_USER can be a registry
// link the user made, leading to any other key of theirs: each level is
// opened as itself (REG_OPTION_OPEN_LINK), and a link where the product's
// key was is deleted as the link, never followed to what it leads to.
#include <windows.h>

#include <string>
#include <vector>

#include "Registry.h"
#include "RemoveItems.h"
#include "Text.h"

namespace Removal {

namespace {

using NtDeleteKeyFunction = LONG(NTAPI*)(HANDLE key);
using RtlNtStatusToDosErrorFunction = ULONG(NTAPI*)(LONG status);

// Deletes the open key itself, by its handle: the Win32 calls delete by
// name, which would follow a link put in its place meanwhile.
LONG DeleteHeldKey(HKEY key) {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto deleteKey = reinterpret_cast<NtDeleteKeyFunction>(
      reinterpret_cast<void*>(ntdll ? GetProcAddress(ntdll, "NtDeleteKey") : nullptr));
  const auto toError = reinterpret_cast<RtlNtStatusToDosErrorFunction>(
      reinterpret_cast<void*>(ntdll ? GetProcAddress(ntdll, "RtlNtStatusToDosError") : nullptr));
  if (!deleteKey || !toError) return ERROR_PROC_NOT_FOUND;
  const LONG status = deleteKey(key);
  return status == 0 ? ERROR_SUCCESS : LONG(toError(status));
}

// A key made as a link holds where it leads in this value, of this type.
bool IsLink(HKEY key) {
  DWORD type = REG_NONE;
  return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
         type == REG_LINK;
}

constexpr REGSAM KeyAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS | DELETE;

LONG OpenAsItself(HKEY base, const std::wstring& name, TRegKey& key) {
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExW(base, name.c_str(), REG_OPTION_OPEN_LINK, KeyAccess, &opened);
  key.Reset(result == ERROR_SUCCESS ? opened : nullptr);
  return result;
}

// One of the record's keys: `fixed` (Software, or the list of programs' own
// key), which is not the product's and is never entered through a link, and
// `own` below it, the product's, where a link counts as the key itself.
struct TKeyPlace {
  std::wstring Fixed, Own;
};

TKeyPlace PlaceOf(const std::wstring& key) {
  const std::wstring list = std::wstring(UninstallKeyRoot) + L"\\";
  if (key == UninstallKeyRoot) return {key, L""};
  const size_t split = key.compare(0, list.size(), list) == 0 ? list.size() - 1 : key.find(L'\\');
  if (split == std::wstring::npos) return {L"", key};
  return {key.substr(0, split), key.substr(split + 1)};
}

// Opens the key at `place` level by level, each as itself. `link` tells
// that a level of the product's own was a link: `key` then holds that link.
// ERROR_FILE_NOT_FOUND when a level is missing; a link among the fixed
// levels is not entered (ERROR_ACCESS_DENIED).
LONG OpenPlace(const TKeyPlace& place, TRegKey& key, bool& link) {
  link = false;
  std::vector<std::pair<std::wstring, bool>> levels;  // name, whether the product's own
  for (const auto& [text, own] : {std::pair{place.Fixed, false}, std::pair{place.Own, true}}) {
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find(L'\\', start);
      if (end == std::wstring::npos) end = text.size();
      levels.push_back({text.substr(start, end - start), own});
      start = end + 1;
    }
  }
  TRegKey above;
  for (const auto& [name, own] : levels) {
    const LONG result = OpenAsItself(above.Valid() ? above.Get() : HKEY_CURRENT_USER, name, key);
    if (result != ERROR_SUCCESS) return result;
    if (IsLink(key.Get())) {
      if (!own) return ERROR_ACCESS_DENIED;
      link = true;
      return ERROR_SUCCESS;
    }
    above = std::move(key);
  }
  key = std::move(above);
  return ERROR_SUCCESS;
}

// Deletes the open key (not a link) and everything below it; a link below
// goes as itself.
LONG DeleteTreeHeld(HKEY key) {
  for (;;) {
    wchar_t name[256];
    DWORD length = DWORD(std::size(name));
    const LONG listed = RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (listed == ERROR_NO_MORE_ITEMS) break;
    if (listed != ERROR_SUCCESS) return listed;
    TRegKey below;
    LONG result = OpenAsItself(key, name, below);
    if (result == ERROR_SUCCESS) result = IsLink(below.Get()) ? DeleteHeldKey(below.Get()) : DeleteTreeHeld(below.Get());
    if (result != ERROR_SUCCESS) return result;
  }
  return DeleteHeldKey(key);
}

// Gone already counts as removed.
LONG Removed(LONG result) { return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result; }

LONG DeleteTree(const std::wstring& path) {
  TRegKey key;
  bool link = false;
  const LONG result = OpenPlace(PlaceOf(path), key, link);
  if (result != ERROR_SUCCESS) return Removed(result);
  return link ? DeleteHeldKey(key.Get()) : DeleteTreeHeld(key.Get());
}

LONG DeleteKeyIfEmpty(const std::wstring& path) {
  TRegKey key;
  bool link = false;
  LONG result = OpenPlace(PlaceOf(path), key, link);
  if (result != ERROR_SUCCESS) return Removed(result);
  if (link) return DeleteHeldKey(key.Get());
  DWORD subkeys = 0, values = 0;
  result = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                            nullptr, nullptr);
  if (result != ERROR_SUCCESS) return result;
  return subkeys || values ? ERROR_SUCCESS : DeleteHeldKey(key.Get());
}

// A value of the product's key; none when a link stands in the key's place
// (the link goes with the key).
LONG DeleteValue(const std::wstring& path, const wchar_t* name) {
  TRegKey key;
  bool link = false;
  const LONG result = OpenPlace(PlaceOf(path), key, link);
  if (result != ERROR_SUCCESS || link) return Removed(result);
  return Removed(RegDeleteValueW(key.Get(), name));
}

bool KeyThere(const std::wstring& path) {
  TRegKey key;
  bool link = false;
  return OpenPlace(PlaceOf(path), key, link) == ERROR_SUCCESS && !link;
}

// The product's record, once its last version is gone: the language the
// installs wrote and the keys they made, each only when nothing else is in it.
LONG RemoveProductRecord(const std::wstring& productKey) {
  const std::wstring versions = productKey + L"\\Versions", general = productKey + L"\\General";
  const LONG result = DeleteKeyIfEmpty(versions);
  if (result == ERROR_SUCCESS && KeyThere(versions)) return ERROR_SUCCESS;  // another version is still installed
  for (LONG step : {result, DeleteValue(general, L"Language"), DeleteKeyIfEmpty(general), DeleteKeyIfEmpty(productKey)})
    if (step != ERROR_SUCCESS) return step;
  return ERROR_SUCCESS;
}

}  // namespace

TLeftItems RemoveKeys(const TRemovalRecord& record) {
  TLeftItems left;
  const auto remove = [&left](const std::wstring& key, LONG result) {
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND && left.Count++ == 0)
      left.First = "HKEY_CURRENT_USER\\" + FromWide(key);
  };
  const Entry* entryKey = nullptr;
  for (const Entry& entry : record.Entries) {
    if (entry.kind == Kind::Key && entry.path == record.EntryKey())
      entryKey = &entry;
    else if (entry.kind == Kind::Key)
      remove(entry.path, DeleteTree(entry.path));
    else if (entry.kind == Kind::ProductKey)
      remove(entry.path, RemoveProductRecord(entry.path));
  }
  if (entryKey && left.Count == 0) remove(entryKey->path, DeleteTree(entryKey->path));
  // An empty list tells nothing: the install of the first product made it.
  if (entryKey && left.Count == 0) remove(UninstallKeyRoot, DeleteKeyIfEmpty(UninstallKeyRoot));
  return left;
}

}  // namespace Removal
