#include "Registry.h"

#include <vector>

#include "Errors.h"
#include "Text.h"

namespace {

void RaiseUnlessWritten(LONG result, const std::string& name) {
  if (result != ERROR_SUCCESS) throw ERegistryException("Failed to set data for '" + name + "'");
}

}  // namespace

LONG TRegKey::Open(HKEY base, const std::wstring& path, REGSAM access) {
  Reset();
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExW(base, path.c_str(), 0, access, &opened);
  if (result == ERROR_SUCCESS) Reset(opened);
  return result;
}

void TRegistry::SetRootKey(HKEY key) {
  if (key == root) return;
  CloseKey();
  root = key;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
  std::string relative = path;
  HKEY base = current.Valid() ? current.Get() : root;
  if (!relative.empty() && relative.front() == '\\') {
    base = root;
    relative.erase(0, 1);
  }
  while (!relative.empty() && relative.back() == '\\') relative.pop_back();

  HKEY opened = nullptr;
  LONG result;
  if (canCreate && !relative.empty())
    result = RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr, &opened, nullptr);
  else
    result = RegOpenKeyExA(base, relative.c_str(), 0, Access, &opened);
  if (result != ERROR_SUCCESS) return false;

  current.Reset(opened);
  return true;
}

void TRegistry::CloseKey() { current.Reset(); }

bool TRegistry::ValueExists(const std::string& name) const {
  return current.Valid() &&
         RegQueryValueExA(current.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const {
  DWORD type = 0;
  DWORD size = 0;
  const auto fail = [&](const char* what) { return ERegistryException(what + name + "'"); };
  if (!current.Valid() ||
      RegQueryValueExA(current.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    throw fail("Failed to get data for '");
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw fail("Invalid data type for '");
  // The value may change between the two calls: ask again while it grows.
  std::vector<char> data;
  LONG result;
  do {
    data.resize(size + 1);
    size = static_cast<DWORD>(data.size());
    result = RegQueryValueExA(current.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  } while (result == ERROR_MORE_DATA);
  if (result != ERROR_SUCCESS) throw fail("Failed to get data for '");
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw fail("Invalid data type for '");
  // Stored strings need not end in a zero; the text ends at the first one.
  std::string text(data.data(), size);
  return text.substr(0, text.find('\0'));
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  const LONG result = current.Valid() ? RegSetValueExA(current.Get(), name.c_str(), 0, REG_SZ,
                                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                                       static_cast<DWORD>(value.size() + 1))
                                      : ERROR_INVALID_HANDLE;
  RaiseUnlessWritten(result, name);
}

void TRegistry::WriteString(const std::string& name, const std::wstring& value) {
  const LONG result = current.Valid() ? RegSetValueExW(current.Get(), ToWide(name).c_str(), 0, REG_SZ,
                                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)))
                                      : ERROR_INVALID_HANDLE;
  RaiseUnlessWritten(result, name);
}

void TRegistry::WriteInteger(const std::string& name, uint32_t value) {
  const DWORD data = value;
  const LONG result = current.Valid() ? RegSetValueExA(current.Get(), name.c_str(), 0, REG_DWORD,
                                                       reinterpret_cast<const BYTE*>(&data), sizeof data)
                                      : ERROR_INVALID_HANDLE;
  RaiseUnlessWritten(result, name);
}
