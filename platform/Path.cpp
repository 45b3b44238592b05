#include "Path.h"

#include <windows.h>

std::string JoinPath(const std::string& folder, const std::string& name) {
  return UpToLastSeparator(folder) == folder.size() ? folder + name : folder + "\\" + name;
}

std::string FolderOf(const std::string& path, unsigned codePage) {
  return path.substr(0, UpToLastSeparator(path, codePage));
}

std::string LastComponent(const std::string& path, unsigned codePage) {
  return path.substr(UpToLastSeparator(path, codePage));
}

std::wstring ParentOf(const std::wstring& path) {
  const size_t last = path.rfind(L'\\');
  return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}

std::wstring LastComponent(const std::wstring& path) {
  const size_t last = path.rfind(L'\\');
  return last == std::wstring::npos ? path : path.substr(last + 1);
}

size_t UpToLastSeparator(const std::string& path, unsigned codePage) {
  const UINT table = codePage == CodePageAnsi ? GetACP() : codePage;
  size_t length = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByteEx(table, BYTE(path[i])) && i + 1 < path.size())
      ++i;  // a two-byte character
    else if (path[i] == '\\' || path[i] == ':')
      length = i + 1;
  }
  return length;
}
