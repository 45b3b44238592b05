#include "SpecialFolder.h"

#include "ShellItemList.h"

bool SpecialFolderPath(HWND owner, int folder, std::string& path) {
  LPITEMIDLIST raw = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, folder, &raw)) || !raw) return false;
  const TItemIdList list(raw);
  char buffer[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(list.get(), buffer) || !buffer[0]) return false;
  path = buffer;
  return true;
}
