#include "OpenBelow.h"

#include <winternl.h>

#include <cstring>
#include <vector>

#include "Path.h"

namespace {

// The system's calls that take a root directory, looked up in ntdll when
// first needed: MinGW links no import library for them.
using TNtCreateFile = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                       ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using TNtQueryInformationFile = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
using TNtSetInformationFile = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
using TRtlNtStatusToDosError = ULONG(NTAPI*)(NTSTATUS);

struct TNtCalls {
  TNtCreateFile CreateFile;
  TNtQueryInformationFile QueryInformationFile;
  TNtSetInformationFile SetInformationFile;
  TRtlNtStatusToDosError StatusToDosError;
};

template <typename Function>
Function Lookup(HMODULE ntdll, const char* name) {
  // Every Windows since NT has these; a system without one is no system
  // this program can run on, and says so at once rather than crash later.
  FARPROC found = GetProcAddress(ntdll, name);
  if (!found) {
    FatalAppExitA(0, name);
  }
  return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

const TNtCalls& Nt() {
  static const TNtCalls calls = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return TNtCalls{Lookup<TNtCreateFile>(ntdll, "NtCreateFile"),
                    Lookup<TNtQueryInformationFile>(ntdll, "NtQueryInformationFile"),
                    Lookup<TNtSetInformationFile>(ntdll, "NtSetInformationFile"),
                    Lookup<TRtlNtStatusToDosError>(ntdll, "RtlNtStatusToDosError")};
  }();
  return calls;
}

// A name of one component relative to the held folder. Windows names are
// compared without regard to case, as the path functions do.
struct TRelativeName {
  UNICODE_STRING Text;
  OBJECT_ATTRIBUTES Attributes;
  TRelativeName(const THandle& folder, const std::wstring& name) {
    Text.Buffer = const_cast<PWSTR>(name.c_str());
    Text.Length = USHORT(name.size() * sizeof(wchar_t));
    Text.MaximumLength = Text.Length;
    InitializeObjectAttributes(&Attributes, &Text, OBJ_CASE_INSENSITIVE, folder.Get(), nullptr);
  }
};

bool Failed(NTSTATUS status) {
  if (status >= 0) return false;
  SetLastError(Nt().StatusToDosError(status));
  return true;
}

// Windows opens a junction or symbolic link as itself when asked, and says
// so through the handle. Wine opens what a Unix symbolic link leads to
// whatever is asked, and reports it by handle as that item: there, what the
// handle resolves to is compared with where the name stands instead (a
// program the system cannot be asked about is Windows).
bool ReportsLinksByHandleOnly() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return !wine;
}

// The item's path on its volume, as the system resolved it when it was
// opened (FILE_NAME_INFORMATION): asked of the handle alone, unlike the
// final path, whose drive letter Wine looks up through its mount manager
// each time.
std::wstring ResolvedName(const THandle& item) {
  std::vector<char> buffer(sizeof(ULONG) + 32768 * sizeof(wchar_t));
  IO_STATUS_BLOCK io{};
  if (Nt().QueryInformationFile(item.Get(), &io, buffer.data(), ULONG(buffer.size()), FileNameInformation) < 0)
    return std::wstring();
  ULONG length = 0;
  std::memcpy(&length, buffer.data(), sizeof length);
  return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof(ULONG)), length / sizeof(wchar_t));
}

bool OpenedElsewhere(const THandle& folder, const std::wstring& name, const THandle& item) {
  if (ReportsLinksByHandleOnly()) return false;
  const std::wstring itemPath = ResolvedName(item);
  std::wstring folderPath = ResolvedName(folder);
  // A volume's root is "\\" alone; what lies in it, "\\name".
  if (!folderPath.empty() && folderPath.back() == L'\\') folderPath.pop_back();
  return itemPath.empty() || !SameName(ParentOf(itemPath), folderPath) ||
         !SameName(LastComponent(itemPath), name);
}

}  // namespace

THandle OpenBelow(const THandle& folder, const std::wstring& name, uint32_t access, TOpenBelow how, bool* created) {
  if (created) *created = false;
  // One component only: a separator would reach further down unchecked.
  if (name.empty() || name.find_first_of(L"\\/") != std::wstring::npos || name == L"." || name == L"..") {
    SetLastError(ERROR_INVALID_NAME);
    return THandle();
  }
  ULONG disposition = FILE_OPEN, options = FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT;
  switch (how) {
    case TOpenBelow::Existing: break;
    case TOpenBelow::NewFile:
      disposition = FILE_CREATE;
      options |= FILE_NON_DIRECTORY_FILE;
      break;
    case TOpenBelow::FolderOrNew:
      disposition = FILE_OPEN_IF;
      options |= FILE_DIRECTORY_FILE;
      break;
  }
  TRelativeName relative(folder, name);
  IO_STATUS_BLOCK io{};
  HANDLE opened = nullptr;
  const NTSTATUS status = Nt().CreateFile(&opened, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &relative.Attributes,
                                          &io, nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          disposition, options, nullptr, 0);
  if (Failed(status)) return THandle();
  THandle item(opened);
  const bool made = io.Information == FILE_CREATED;
  if (created) *created = made;
  // What was made now is no link; what was there may be one.
  if (!made) {
    BY_HANDLE_FILE_INFORMATION info;
    const bool linkByHandle =
        GetFileInformationByHandle(item.Get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (linkByHandle || OpenedElsewhere(folder, name, item)) {
      item.Reset();
      SetLastError(ErrorItemIsLink);
    }
  }
  return item;
}

bool RenameBelow(const THandle& item, const THandle& folder, const std::wstring& newName, bool replace) {
  if (newName.empty() || newName.find_first_of(L"\\/") != std::wstring::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  std::vector<char> buffer(sizeof(FILE_RENAME_INFORMATION) + newName.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  info->ReplaceIfExists = replace;
  info->RootDirectory = folder.Get();
  info->FileNameLength = ULONG(newName.size() * sizeof(wchar_t));
  newName.copy(info->FileName, newName.size());
  IO_STATUS_BLOCK io{};
  return !Failed(Nt().SetInformationFile(item.Get(), &io, info, ULONG(buffer.size()), FileRenameInformation));
}

TFileIdentity IdentityOnVolume(uint32_t volume, const THandle& item) {
  // FILE_INTERNAL_INFORMATION: the file's index on its volume.
  LARGE_INTEGER index{};
  IO_STATUS_BLOCK io{};
  if (Failed(Nt().QueryInformationFile(item.Get(), &io, &index, sizeof index, FileInternalInformation)))
    return InfoOf(item).Identity;  // raises with the reason when that fails too
  return TFileIdentity{volume, uint64_t(index.QuadPart)};
}
