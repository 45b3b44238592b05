#include "RemovalRecord.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "Path.h"
#include "Text.h"

namespace Removal {

const wchar_t UninstallKeyRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t UninstallerName[] = L"uninstall.exe";
const wchar_t RecordName[] = L"uninstall.dat";

namespace {

const char FirstLine[] = "Removal record 2";
// Records of the first version, whose entries carry no identity, are still read.
const char FirstLineVersion1[] = "Removal record 1";
const char NoIdentity[] = "-";
const char EndTag[] = "End";
const char LineEnd[] = "\r\n";
// The header, in the order written.
const char* const HeaderTags[] = {"Title", "Name", "Version", "Language", "Folder", "Menu"};

std::string Utf8(const std::wstring& text) { return FromWide(text, CodePageUtf8); }

// Text that converts back to exactly its bytes is UTF-8; anything else is damage.
bool FromUtf8(const std::string& text, std::wstring& wide) {
  wide = ToWide(text, CodePageUtf8);
  return Utf8(wide) == text;
}

bool IsKind(char c) {
  for (char kind : {'F', 'R', 'D', 'L', 'M', 'K', 'P'})
    if (c == kind) return true;
  return false;
}

// One name in a path as Windows keeps it: not empty, no character Windows
// refuses in names, and not one the system would trim or read as "." or
// ".." (trailing dots and spaces are dropped from names).
bool SoundComponent(const std::wstring& name) {
  if (name.empty() || name.back() == L'.' || name.back() == L' ') return false;
  for (wchar_t c : name)
    if (c < 32 || std::wcschr(L"\\/:*?\"<>|", c)) return false;
  return true;
}

// A full path on a drive ("C:\...") or a share ("\\server\share\..."),
// every component sound.
bool SoundFullPath(const std::wstring& path) {
  size_t start;
  if (path.size() > 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\')
    start = 3;
  else if (path.size() > 2 && path.compare(0, 2, L"\\\\") == 0)
    start = 2;
  else
    return false;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (!SoundComponent(path.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

bool SamePath(const std::wstring& a, const std::wstring& b) { return SameText(a, b); }

bool Below(const std::wstring& path, const std::wstring& folder) {
  return path.size() > folder.size() + 1 && path[folder.size()] == L'\\' &&
         SameText(path.substr(0, folder.size()), folder);
}

void TRemovalRecord::Add(Kind kind, const std::wstring& path, const TFileIdentity& identity) {
  for (Entry& entry : Entries)
    if ((entry.kind == kind || kind == Kind::Replaced) && SameText(entry.path, path)) {
      // Written again by a later run of the same install: that is the item now.
      if (identity != TFileIdentity()) entry.identity = identity;
      return;
    }
  Entries.push_back(Entry{kind, path, identity});
}

std::wstring TRemovalRecord::VersionFolder() const {
  return Version.empty() ? ProductFolder : ProductFolder + L"\\" + Version;
}

std::wstring TRemovalRecord::VersionKey() const { return ProductKey() + L"\\Versions\\" + Version; }
std::wstring TRemovalRecord::ProductKey() const { return L"Software\\" + Name; }
std::wstring TRemovalRecord::EntryKeyName() const { return Version.empty() ? Name : Name + L" " + Version; }
std::wstring TRemovalRecord::EntryKey() const { return std::wstring(UninstallKeyRoot) + L"\\" + EntryKeyName(); }

std::string TRemovalRecord::Serialize() const {
  std::string text = std::string(FirstLine) + LineEnd;
  const std::wstring values[] = {Title, Name, Version, ToWide(std::to_string(Language)), ProductFolder, MenuRoot};
  for (size_t i = 0; i < std::size(values); ++i) text += std::string(HeaderTags[i]) + "\t" + Utf8(values[i]) + LineEnd;
  for (const Entry& entry : Entries)
    text += std::string(1, char(entry.kind)) + "\t" + (entry.HasIdentity() ? IdentityText(entry.identity) : NoIdentity) +
            "\t" + Utf8(entry.path) + LineEnd;
  text += std::string(EndTag) + "\t" + std::to_string(Entries.size()) + LineEnd;
  return text;
}

bool TRemovalRecord::Parse(const std::string& text, TRemovalRecord& record, std::string& problem) {
  std::string first = std::string(FirstLine) + LineEnd;
  const bool withIdentities = text.compare(0, first.size(), first) == 0;
  if (!withIdentities) first = std::string(FirstLineVersion1) + LineEnd;
  if (!withIdentities && text.compare(0, first.size(), first) != 0) {
    problem = "it is not a removal record of this version";
    return false;
  }
  // Each line after the first: its tag and its value.
  std::vector<std::pair<std::string, std::wstring>> lines;
  for (size_t at = first.size(); at < text.size();) {
    const size_t end = text.find(LineEnd, at);
    if (end == std::string::npos) {
      problem = "its last line is cut short";
      return false;
    }
    const std::string line = text.substr(at, end - at);
    at = end + 2;
    const size_t tab = line.find('\t');
    std::wstring value;
    if (tab == std::string::npos || !FromUtf8(line.substr(tab + 1), value)) {
      problem = "line " + std::to_string(lines.size() + 2) + " is damaged";
      return false;
    }
    lines.push_back({line.substr(0, tab), value});
  }
  const size_t headerLines = std::size(HeaderTags);
  if (lines.size() < headerLines + 1) {
    problem = "it is cut short";
    return false;
  }
  TRemovalRecord read;
  std::wstring* const fields[] = {&read.Title, &read.Name, &read.Version, nullptr, &read.ProductFolder, &read.MenuRoot};
  for (size_t i = 0; i < std::size(HeaderTags); ++i) {
    const auto& [tag, value] = lines[i];
    if (tag != HeaderTags[i]) {
      problem = std::string("its header lacks \"") + HeaderTags[i] + "\"";
      return false;
    }
    if (fields[i]) *fields[i] = value;
  }
  const std::wstring& language = lines[3].second;
  if (language.empty() || language.size() > 3 || language.find_first_not_of(L"0123456789") != std::wstring::npos) {
    problem = "its language is no number";
    return false;
  }
  read.Language = int32_t(std::stol(language));
  for (size_t i = headerLines; i + 1 < lines.size(); ++i) {
    const auto& [tag, value] = lines[i];
    Entry entry{Kind(tag.empty() ? 0 : tag[0]), value, TFileIdentity()};
    bool sound = tag.size() == 1 && IsKind(tag[0]);
    if (sound && withIdentities) {
      // "identity<TAB>text": the identity's digits, or "-" for none.
      const size_t tab = value.find(L'\t');
      const std::string identity = tab == std::wstring::npos ? std::string() : Utf8(value.substr(0, tab));
      sound = tab != std::wstring::npos && (identity == NoIdentity || ParseIdentity(identity, entry.identity));
      if (sound) entry.path = value.substr(tab + 1);
    }
    if (!sound || entry.path.empty()) {
      problem = "line " + std::to_string(i + 2) + " is damaged";
      return false;
    }
    read.Entries.push_back(std::move(entry));
  }
  const auto& [endTag, count] = lines.back();
  if (endTag != EndTag || count != ToWide(std::to_string(read.Entries.size()))) {
    problem = "it is cut short";
    return false;
  }
  record = std::move(read);
  return true;
}

std::string TRemovalRecord::OutsideProblem(const std::wstring& programsFolder) const {
  const auto named = [](const std::wstring& path) { return "\"" + Utf8(path) + "\""; };
  if (!SoundComponent(Name) || (!Version.empty() && !SoundComponent(Version)))
    return "its product or version name is no folder name";
  if (!SoundFullPath(ProductFolder) || !SameText(LastComponent(ProductFolder), Name))
    return "its product folder " + named(ProductFolder) + " is not a folder named " + named(Name);
  if (!MenuRoot.empty() &&
      (!SoundFullPath(MenuRoot) || !SameText(LastComponent(MenuRoot), Name) || !SamePath(ParentOf(MenuRoot), programsFolder)))
    return "its Start-menu folder " + named(MenuRoot) + " is not the product's folder in " + named(programsFolder);
  for (const Entry& entry : Entries) {
    bool inside = false;
    switch (entry.kind) {
      case Kind::File: inside = Below(entry.path, VersionFolder()) || Below(entry.path, ProductFolder); break;
      case Kind::Replaced:
        inside = Below(entry.path, ProductFolder) || (!MenuRoot.empty() && Below(entry.path, MenuRoot));
        break;
      case Kind::Folder: inside = SamePath(entry.path, ProductFolder) || Below(entry.path, ProductFolder); break;
      case Kind::Link: inside = !MenuRoot.empty() && Below(entry.path, MenuRoot); break;
      case Kind::MenuFolder:
        inside = !MenuRoot.empty() && (SamePath(entry.path, MenuRoot) || Below(entry.path, MenuRoot));
        break;
      case Kind::Key: inside = entry.path == VersionKey() || entry.path == EntryKey(); break;
      case Kind::ProductKey: inside = entry.path == ProductKey(); break;
    }
    const bool isKey = entry.kind == Kind::Key || entry.kind == Kind::ProductKey;
    if (inside && !isKey) inside = SoundFullPath(entry.path);
    if (!inside) return "it names " + named(entry.path) + ", which is not the product's own";
  }
  return {};
}

}  // namespace Removal
