// What lets the user remove the product: the removal record of what this
// install wrote and made, the uninstaller beside it (setup.exe itself) and
// the entry under Windows' list of programs that starts it.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "Environment.h"
#include "Errors.h"
#include "FileSystem.h"
#include "Handle.h"
#include "Languages.h"
#include "NewFile.h"
#include "OpenBelow.h"
#include "Path.h"
#include "ProductSettings.h"
#include "Registry.h"
#include "RemovalMode.h"
#include "SetupForm.h"
#include "Text.h"

namespace {

std::wstring Wide(const std::string& ansi) { return ToWide(ansi, CodePageAnsi); }


// The whole of a file held open, read from its start.
std::string ReadWhole(const THandle& file) {
  const int64_t size = FileSizeOf(file);
  if (size > (64 << 20)) return std::string();
  std::string bytes(size_t(size), '\0');
  if (!bytes.empty() && ReadAt(file, 0, bytes.data(), uint32_t(bytes.size())) != bytes.size()) return std::string();
  return bytes;
}

// The record an earlier install of this same version left in the version
// folder, when it is sound and names the same place: what that run wrote
// is still to be removed.
bool ReadEarlierRecord(const TFolderChain& version, const Removal::TRemovalRecord& now,
                       Removal::TRemovalRecord& earlier) {
  const THandle file = OpenBelow(version.Held(), Removal::RecordName, GENERIC_READ, TOpenBelow::Existing);
  if (!file.Valid() || InfoOf(file).IsFolder()) return false;
  std::string problem;
  return Removal::TRemovalRecord::Parse(ReadWhole(file), earlier, problem) && earlier.Name == now.Name &&
         earlier.Version == now.Version && Removal::SamePath(earlier.ProductFolder, now.ProductFolder);
}

// Writes the running program's own file, held since it started, as `name`
// in the chain's current folder: the uninstaller.
TFileIdentity CopyThisProgram(const TFolderChain& folder, const std::string& name) {
  const THandle& program = ThisProgramFile();
  if (!program.Valid()) throw EInOutError(ERROR_FILE_NOT_FOUND);
  TNewFile copy(folder, name, nullptr);
  std::vector<char> piece(64 * 1024);
  const int64_t size = FileSizeOf(program);
  for (int64_t at = 0; at < size;) {
    const uint32_t count = ReadAt(program, at, piece.data(), uint32_t(piece.size()));
    if (count == 0) throw EInOutError(EInOutError::ShortRead);
    WriteWhole(copy.File(), piece.data(), count);
    at += count;
  }
  copy.PutInPlace();
  return copy.Identity();
}

// The size of the files the record names, in kilobytes, rounded up: the
// product and its uninstaller (the record itself is not yet written whole).
uint32_t SizeInKilobytes(const Removal::TRemovalRecord& record) {
  const std::wstring recordPath = record.VersionFolder() + L"\\" + Removal::RecordName;
  uint64_t bytes = 0;
  for (const Removal::Entry& entry : record.Entries) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (entry.kind == Removal::Kind::File && !Removal::SamePath(entry.path, recordPath) &&
        GetFileAttributesExW(entry.path.c_str(), GetFileExInfoStandard, &data))
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

void TSetupForm::StartRemovalRecord(const TFolderChain& productFolder, bool productFolderMade) {
  Removal::TRemovalRecord& record = RemovalRecord;
  record = Removal::TRemovalRecord();
  record.Title = Wide(Pack->Title);
  record.Name = Wide(Pack->FolderName);
  record.Language = Language;
  record.ProductFolder = Wide(productFolder.Path());
  if (productFolderMade) record.Add(Removal::Kind::Folder, record.ProductFolder, productFolder.Identity());
  Pack->OnFolderCreated = [&record](const std::string& path, const TFileIdentity& identity) {
    record.Add(Removal::Kind::Folder, Wide(path), identity);
  };
  Pack->OnFileWritten = [&record](const std::string& path, bool replaced, const TFileIdentity& identity) {
    if (replaced)
      record.Add(Removal::Kind::Replaced, Wide(path), identity);
    else
      record.Add(Removal::Kind::File, Wide(path), identity);
  };
}

void TSetupForm::WriteUninstallEntry(TFolderChain& product) {
  // As the record: without a product folder name it would belong to no product.
  if (Pack->FolderName.empty()) return;
  Removal::TRemovalRecord record = RemovalRecord;
  record.Version = Wide(Pack->RootDirName);
  if (!MenuFolder.empty()) record.MenuRoot = Wide(JoinPath(ProgramsDir, Pack->FolderName));
  const std::wstring versionFolder = record.VersionFolder();
  const std::wstring uninstaller = versionFolder + L"\\" + Removal::UninstallerName;
  const std::wstring recordPath = versionFolder + L"\\" + Removal::RecordName;
  // Both written through the version folder, held since the extraction.
  if (!Pack->RootDirName.empty()) product.EnterExisting(Pack->RootDirName);

  Removal::TRemovalRecord earlier;
  if (ReadEarlierRecord(product, record, earlier)) {
    // The earlier run's items first, in the order made; then what this run added.
    for (const Removal::Entry& entry : record.Entries) earlier.Add(entry.kind, entry.path, entry.identity);
    earlier.Title = record.Title;
    earlier.Language = record.Language;
    if (!record.MenuRoot.empty()) earlier.MenuRoot = record.MenuRoot;
    record = std::move(earlier);
  }
  record.Add(Removal::Kind::File, uninstaller, CopyThisProgram(product, FromWide(Removal::UninstallerName)));
  record.Add(Removal::Kind::Key, record.VersionKey());
  record.Add(Removal::Kind::ProductKey, record.ProductKey());
  record.Add(Removal::Kind::Key, record.EntryKey());
  {
    // The record names itself too, by the identity it has now.
    TNewFile file(product, FromWide(Removal::RecordName), nullptr);
    record.Add(Removal::Kind::File, recordPath, file.Identity());
    const std::string text = record.Serialize();
    WriteWhole(file.File(), text.data(), uint32_t(text.size()));
    file.PutInPlace();
  }

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
