// What lets the user remove the product: the removal record of what this
// install wrote and made, the uninstaller beside it (setup.exe itself) and
// the entry under Windows' list of programs that starts it.
#include <windows.h>

#include <algorithm>

#include "Environment.h"
#include "Errors.h"
#include "FileSystem.h"
#include "Languages.h"
#include "Path.h"
#include "ProductSettings.h"
#include "Registry.h"
#include "RemovalMode.h"
#include "SetupForm.h"
#include "Text.h"

namespace {

std::wstring Wide(const std::string& ansi) { return ToWide(ansi, CodePageAnsi); }


// The record an earlier install of this same version left, when it is sound
// and names the same place: what that run wrote is still to be removed.
bool ReadEarlierRecord(const std::wstring& path, const Removal::TRemovalRecord& now, Removal::TRemovalRecord& earlier) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  LARGE_INTEGER size{};
  DWORD got = 0;
  const bool read = GetFileSizeEx(file, &size) && size.QuadPart < (64 << 20) &&
                    (bytes.resize(size_t(size.QuadPart)), bytes.empty() ||
                     (::ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size()));
  CloseHandle(file);
  std::string problem;
  return read && Removal::TRemovalRecord::Parse(bytes, earlier, problem) && earlier.Name == now.Name &&
         earlier.Version == now.Version && Removal::SamePath(earlier.ProductFolder, now.ProductFolder);
}

// Written under another name first, then moved over the old record: a
// failure half-way leaves the old one whole.
void SaveRecord(const std::wstring& path, const std::string& text) {
  const std::wstring written = path + L".new";
  const HANDLE file = CreateFileW(written.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw EInOutError(int(GetLastError()));
  DWORD put = 0;
  const bool whole = WriteFile(file, text.data(), DWORD(text.size()), &put, nullptr) && put == text.size();
  const DWORD error = GetLastError();
  if (!CloseHandle(file) || !whole) {
    DeleteFileW(written.c_str());
    throw EInOutError(whole ? int(GetLastError()) : put == text.size() ? int(error) : EInOutError::ShortWrite);
  }
  if (!MoveFileExW(written.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD moveError = GetLastError();
    DeleteFileW(written.c_str());
    throw EInOutError(int(moveError));
  }
}

// The size of the files the record names, in kilobytes, rounded up.
uint32_t SizeInKilobytes(const Removal::TRemovalRecord& record) {
  uint64_t bytes = 0;
  for (const Removal::Entry& entry : record.Entries) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (entry.kind == Removal::Kind::File && GetFileAttributesExW(entry.path.c_str(), GetFileExInfoStandard, &data))
      bytes += (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return uint32_t(std::min<uint64_t>((bytes + 1023) / 1024, UINT32_MAX));
}

std::wstring Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t text[9] = L"";
  wsprintfW(text, L"%04u%02u%02u", unsigned(now.wYear), unsigned(now.wMonth), unsigned(now.wDay));
  return text;
}

}  // namespace

void TSetupForm::StartRemovalRecord(const std::string& productFolder, bool productFolderMade) {
  Removal::TRemovalRecord& record = RemovalRecord;
  record = Removal::TRemovalRecord();
  record.Title = Wide(Pack->Title);
  record.Name = Wide(Pack->FolderName);
  record.Language = Language;
  record.ProductFolder = Wide(productFolder);
  if (productFolderMade) record.Add(Removal::Kind::Folder, record.ProductFolder);
  Pack->OnFolderCreated = [&record](const std::string& path) { record.Add(Removal::Kind::Folder, Wide(path)); };
  Pack->OnFileWritten = [&record](const std::string& path, bool replaced) {
    record.Add(replaced ? Removal::Kind::Replaced : Removal::Kind::File, Wide(path));
  };
}

void TSetupForm::WriteUninstallEntry() {
  // As the record: without a product folder name it would belong to no product.
  if (Pack->FolderName.empty()) return;
  Removal::TRemovalRecord record = RemovalRecord;
  record.Version = Wide(Pack->RootDirName);
  if (!MenuFolder.empty()) record.MenuRoot = Wide(JoinPath(ProgramsDir, Pack->FolderName));
  const std::wstring versionFolder = record.VersionFolder();
  const std::wstring uninstaller = versionFolder + L"\\" + Removal::UninstallerName;
  const std::wstring recordPath = versionFolder + L"\\" + Removal::RecordName;

  Removal::TRemovalRecord earlier;
  if (ReadEarlierRecord(recordPath, record, earlier)) {
    // The earlier run's items first, in the order made; then what this run added.
    for (const Removal::Entry& entry : record.Entries) earlier.Add(entry.kind, entry.path);
    earlier.Title = record.Title;
    earlier.Language = record.Language;
    if (!record.MenuRoot.empty()) earlier.MenuRoot = record.MenuRoot;
    record = std::move(earlier);
  }
  if (!CopyFileW(ThisProgram().c_str(), uninstaller.c_str(), FALSE)) throw EInOutError(int(GetLastError()));
  record.Add(Removal::Kind::File, uninstaller);
  record.Add(Removal::Kind::Key, record.VersionKey());
  record.Add(Removal::Kind::ProductKey, record.ProductKey());
  record.Add(Removal::Kind::Key, record.EntryKey());
  SaveRecord(recordPath, record.Serialize());

  TRegistry registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  if (!registry.OpenKey(FromWide(record.EntryKey(), CodePageAnsi), true))
    throw ERegistryException("Failed to create key '" + FromWide(record.EntryKey(), CodePageAnsi) + "'");
  const TLanguage* language = FindLanguage(Language);
  registry.WriteString("DisplayName", record.Title);
  registry.WriteString("DisplayVersion", record.Version);
  registry.WriteString("Publisher", ToWide(PRODUCT_COMPANY, CodePageUtf8));
  registry.WriteString("InstallLocation", versionFolder);
  registry.WriteString("DisplayIcon", Wide(Pack->KeyFilePath));
  registry.WriteString("UninstallString", L"\"" + uninstaller + L"\" " + Removal::RemoveArgument);
  if (language) registry.WriteString("URLInfoAbout", std::string(language->HomePage));
  registry.WriteInteger("EstimatedSize", SizeInKilobytes(record));
  registry.WriteString("InstallDate", Today());
  registry.WriteInteger("NoModify", 1);
  registry.WriteInteger("NoRepair", 1);
}
