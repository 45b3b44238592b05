#include "UserPrograms.h"

#include <windows.h>
#include <shlobj.h>

#include "Path.h"
#include "Text.h"

bool RefusesNewItems(const std::string& folder) {
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // A name no one else uses: this process's id and the time.
  std::string probe = "setup-probe-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  probe = JoinPath(folder, probe);
  if (CreateDirectoryA(probe.c_str(), nullptr)) {
    RemoveDirectoryA(probe.c_str());
    return false;
  }
  const DWORD error = GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
}

bool UserProgramsFolder(std::string& path) {
  PWSTR known = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_UserProgramFiles, KF_FLAG_CREATE, nullptr, &known)) && known) {
    path = FromWide(known);
    CoTaskMemFree(known);
    return !path.empty();
  }
  CoTaskMemFree(known);
  // A system that does not know the folder by its id: where it lies.
  char local[MAX_PATH] = "";
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, local)))
    return false;
  path = JoinPath(local, "Programs");
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
