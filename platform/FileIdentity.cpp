#include "FileIdentity.h"

#include <cstdlib>
#include <vector>

#include "Errors.h"
#include "HexText.h"

constexpr size_t IdentityDigits = 24;

std::string IdentityText(const TFileIdentity& identity) {
  std::string text;
  AppendHex(text, identity.Volume, 8);
  AppendHex(text, static_cast<unsigned long>(identity.Index >> 32), 8);
  AppendHex(text, static_cast<unsigned long>(identity.Index & 0xFFFFFFFFu), 8);
  return text;
}

bool ParseIdentity(const std::string& text, TFileIdentity& identity) {
  if (text.size() != IdentityDigits || text.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
    return false;
  identity.Volume = uint32_t(std::strtoul(text.substr(0, 8).c_str(), nullptr, 16));
  identity.Index = std::strtoull(text.substr(8, 16).c_str(), nullptr, 16);
  return true;
}

bool TItemInfo::IsFolder() const { return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
bool TItemInfo::IsLink() const { return (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

THandle OpenItem(const std::wstring& path, uint32_t access) {
  // Backup semantics: folders open too.
  THandle item(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!item.Valid()) return item;
  // Wine opens a Unix symbolic link as what it leads to, but reports it as a
  // reparse point by its path: that path is not the item either.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    item.Reset();
    SetLastError(ErrorItemIsLink);
  }
  return item;
}

TItemInfo InfoOf(const THandle& item) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(item.Get(), &info)) throw EInOutError(int(GetLastError()));
  TItemInfo result;
  result.Attributes = info.dwFileAttributes;
  result.Links = info.nNumberOfLinks;
  result.Identity.Volume = info.dwVolumeSerialNumber;
  result.Identity.Index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return result;
}

std::wstring FinalPathOf(const THandle& item) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(item.Get(), path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED);
  if (length >= path.size()) {
    path.resize(length);
    length = GetFinalPathNameByHandleW(item.Get(), path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED);
  }
  path.resize(length < path.size() ? length : 0);
  // A drive root ends in a backslash; a path below it adds one.
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

namespace {

// The system's own form of a "\\?\" path, which renaming by handle takes.
std::wstring NativePath(const std::wstring& path) {
  if (path.compare(0, 4, L"\\\\?\\") == 0) return L"\\??\\" + path.substr(4);
  return path;
}

}  // namespace

bool RenameHeld(const THandle& item, const std::wstring& newPath, bool replace) {
  const std::wstring target = NativePath(newPath);
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace;
  info->RootDirectory = nullptr;
  info->FileNameLength = DWORD(target.size() * sizeof(wchar_t));
  target.copy(info->FileName, target.size());
  return SetFileInformationByHandle(item.Get(), FileRenameInfo, info, DWORD(buffer.size())) != 0;
}

bool DeleteHeld(const THandle& item) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(item.Get(), FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

bool IsItemAt(const THandle& item, const std::wstring& path) {
  // An item the system cannot name is at no path, an empty one least of all.
  const std::wstring finalPath = FinalPathOf(item);
  return !finalPath.empty() && SameName(finalPath, path);
}

bool DeleteItemAt(const THandle& item, const std::wstring& path) {
  if (IsItemAt(item, path)) return DeleteHeld(item);
  SetLastError(ErrorItemIsLink);
  return false;
}

bool RenameItemAt(const THandle& item, const std::wstring& path, const std::wstring& newPath) {
  if (IsItemAt(item, path)) return RenameHeld(item, newPath, false);
  SetLastError(ErrorItemIsLink);
  return false;
}
