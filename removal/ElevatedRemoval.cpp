#include "ElevatedRemoval.h"

#include <shlobj.h>

#include "Elevation.h"
#include "Text.h"

namespace Removal {

std::wstring ProgramsFolderBound(bool elevated) {
  if (!elevated) {
    wchar_t path[MAX_PATH] = L"";
    return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
  }
  PWSTR known = nullptr;
  std::wstring path;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Programs, KF_FLAG_DEFAULT_PATH, nullptr, &known)) && known) path = known;
  CoTaskMemFree(known);
  return path;
}

std::string ChangeableProblem(PSECURITY_DESCRIPTOR sd, HANDLE token, const std::string& what) {
  if (!sd || TokenMayChange(sd, token))
    return what + " can be changed by programs that run without administrator rights";
  return {};
}

std::string UnelevatedChangeProblem(HANDLE record, HANDLE folder) {
  if (!RunsElevated()) return {};
  const THandle linked = LinkedToken();
  if (!linked.Valid()) return "the rights of programs that run without administrator rights can not be read";
  if (IsAdministrator(linked.Get())) return {};
  for (const auto& [item, what] : {std::pair{record, "its removal record"}, std::pair{folder, "the folder of its removal record"}}) {
    const TSecurityDescriptor sd = SecurityOf(item);
    const std::string problem = ChangeableProblem(sd.Get(), linked.Get(), what);
    if (!problem.empty()) return problem;
  }
  return {};
}

std::string LinkNamesProblem(const TRemovalRecord& record) {
  const std::wstring shortcut = L".lnk";
  for (const Entry& entry : record.Entries) {
    const std::wstring& path = entry.path;
    if (entry.kind == Kind::Link &&
        (path.size() <= shortcut.size() || !SamePath(path.substr(path.size() - shortcut.size()), shortcut)))
      return "its removal record names \"" + FromWide(path) + "\" as a Start-menu link";
  }
  return {};
}

}  // namespace Removal
